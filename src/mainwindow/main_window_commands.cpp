// The commands of the found list and the player: search, open, play, stop, Save As,
// add to favorites.
#include "capture/cache_search.h"
#include "capture/flash_player_widget.h"
#include "capture/save_as.h"
#include "capture/save_sound.h"
#include "favorites/add_favorite_dialog.h"
#include "mainwindow/main_window.h"
#include "platform/background.h"
#include "platform/desktop.h"
#include "platform/safe_file_copy.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcessEnvironment>
#include <QTreeWidget>

namespace reelcase {

namespace {
const QString kNothingFound =
    QStringLiteral("没有发现FLASH，请待网页中的FLASH播放完毕后重新搜索！");

// Where a found movie came from: its address, the browser, and when it was cached.
QString foundTooltip(const FoundFlash& entry) {
    QStringList lines;
    if (!entry.url.isEmpty())
        lines << QStringLiteral("网址：") + entry.url;
    if (!entry.browser.isEmpty())
        lines << QStringLiteral("浏览器：") + entry.browser;
    if (entry.cached.isValid())
        lines << QStringLiteral("缓存时间：") +
                     entry.cached.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return lines.join(QLatin1Char('\n'));
}
} // namespace

void MainWindow::loadAndPlay(const QString& path) {
    m_player->setMovie(path);
    m_player->play();
}

void MainWindow::searchCache() {
    // A search already under way is not interleaved with a second one.
    if (m_search->isRunning())
        return;
    m_text2->hide();
    setCursor(Qt::WaitCursor);
    m_picture3->show();
    m_picture3->raise();
    m_list1->clear();
    m_treeView1->clear();
    m_dir1->clear();
    m_dir1->addItem(m_values.CacheFolder);
    const CacheSearchRequest request{m_values.CacheFolder,
                                     cacheLocationsFrom(QProcessEnvironment::systemEnvironment()),
                                     m_desktop.now(), m_values.CurrentFlashPath};
    if (!m_search->start(request))
        onSearchFinished();
}

void MainWindow::onSearchFound(const FoundFlash& entry) {
    auto* node = new QTreeWidgetItem(m_treeView1, {entry.displayName});
    node->setIcon(0, QIcon(QStringLiteral(":/icons/tree.png")));
    node->setToolTip(0, foundTooltip(entry));
    m_list1->addItem(entry.path);
}

void MainWindow::onSearchFinished() {
    m_picture3->hide();
    unsetCursor();
    if (m_list1->count() == 0) {
        m_desktop.showMessage(this, QStringLiteral("提示"), kNothingFound);
    } else {
        m_treeView1->setCurrentItem(m_treeView1->topLevelItem(0));
        m_treeView1->setFocus();
        const QString first = m_list1->item(0)->text();
        m_player->setMovie(first);
        m_values.CurrentFlashPath = first;
        m_player->play();
    }
    Q_EMIT searchFinished();
}

void MainWindow::onFoundListClicked(QTreeWidgetItem* item) {
    // The node's position alone names its file; its text may repeat.
    const int row = m_treeView1->indexOfTopLevelItem(item);
    if (row >= 0 && row < m_list1->count())
        m_values.CurrentFlashPath = m_list1->item(row)->text();
    loadAndPlay(m_values.CurrentFlashPath);
}

void MainWindow::openFile() {
    m_text2->hide();
    const QString chosen = m_desktop.chooseOpenFile(this, openDialogRequest()).trimmed();
    if (chosen.isEmpty())
        return;
    m_values.CurrentFlashPath = chosen;
    loadAndPlay(chosen);
}

void MainWindow::openPath(const QString& path) {
    m_text2->hide();
    m_values.CurrentFlashPath = path;
    loadAndPlay(path);
}

void MainWindow::play() {
    m_player->play();
}

void MainWindow::stop() {
    m_player->stop();
}

void MainWindow::saveAs() {
    if (m_values.CurrentFlashPath.isEmpty())
        return;
    const QString chosen = m_desktop.chooseSaveFile(this, saveAsDialogRequest());
    if (chosen.isEmpty())
        return;
    m_text1->setText(saveAsDestination(chosen.section(QChar(0), 0, 0)));
    const QString source = m_values.CurrentFlashPath;
    const QString destination = m_text1->text();
    FileLimits limits;
    limits.cancelled = [closing = m_closing] { return closing->load(); };
    // The copy never leaves a damaged file behind; a failure is said, never passed over.
    runInBackground(
        this, [source, destination, limits] { return copyFileSafely(source, destination, limits); },
        [this](const CopyResult& result) {
            if (!result.ok)
                m_desktop.showError(this, QStringLiteral("保存"),
                                    QStringLiteral("保存失败：") + result.error);
        });
}

// Saves the sound track of the movie on screen; a movie without sound says so.
void MainWindow::saveSound() {
    const std::shared_ptr<const swf::Movie> movie = m_player->loadedMovie();
    if (!movie) {
        m_desktop.beep();
        return;
    }
    const QString chosen = m_desktop.chooseSaveFile(this, saveSoundDialogRequest());
    if (chosen.trimmed().isEmpty())
        return;
    runInBackground(
        this, [movie, chosen] { return saveSoundTrack(*movie, chosen); },
        [this](const SoundSaveResult& result) {
            if (result.nothingToSave)
                m_desktop.showMessage(this, QStringLiteral("提示"),
                                      QStringLiteral("这个FLASH没有声音。"));
            else if (!result.error.isEmpty())
                m_desktop.showError(this, QStringLiteral("保存声音"), result.error);
        });
}

void MainWindow::addToFavorites() {
    if (m_values.CurrentFlashPath.isEmpty()) {
        m_desktop.beep();
        return;
    }
    if (m_form2) {
        m_form2->show();
        m_form2->raise();
        m_form2->activateWindow();
        return;
    }
    // Modeless and without an owner window, created afresh for each opening.
    m_form2 = new AddFavoriteDialog(m_desktop, m_values, nullptr);
    m_form2->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_form2, &AddFavoriteDialog::favoriteAdded, this, [this] { rereadFavorites(); });
    m_form2->show();
}

} // namespace reelcase
