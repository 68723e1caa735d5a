// The favorites tree: folder choice, play, the popup with 删除, and the refill.
#include "capture/flash_player_widget.h"
#include "favorites/favorites_folder.h"
#include "mainwindow/main_window.h"
#include "platform/background.h"
#include "platform/desktop.h"
#include "platform/latest_write.h"
#include "platform/settings_store.h"

#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include <mutex>

namespace reelcase {

// A folder's favorites as listed off the UI thread, with the folder they came from.
struct FavoritesListing {
    QString folder;
    QStringList names;
    QString settingError; // why the folder could not be stored as the setting; empty if it was
};

// Folder choices store the setting from worker threads; the newest choice is the one that
// stays stored.
struct SettingWrites : LatestWrite {
    QString store(quint64 write, SettingsStore& settings, const QString& folder) {
        QString error;
        bool stored = true;
        runIfLatest(write, [&] { stored = settings.setFavoritesFolder(folder, &error); });
        if (stored)
            return {};
        return error.isEmpty() ? QStringLiteral("设置无法写入") : error;
    }
};

void MainWindow::rereadFavorites() {
    rereadFavorites(false);
}

void MainWindow::rereadFavorites(bool saveSetting) {
    if (!m_settingWrites) // the first listing, which the constructor starts
        m_settingWrites = std::make_shared<SettingWrites>();
    const quint64 listing = ++m_favoritesListing;
    const quint64 settingWrite = saveSetting ? m_settingWrites->ticket() : 0;
    runInBackground(
        this,
        [folder = m_values.FavoritesFolder, settingWrite, writes = m_settingWrites,
         settings = m_settings] {
            FavoritesListing result{folder, {}, {}};
            if (settingWrite != 0)
                result.settingError = writes->store(settingWrite, *settings, folder);
            result.names = listFavoriteFiles(folder);
            return result;
        },
        [this, listing, settingWrite](const FavoritesListing& result) {
            onFavoritesListed(listing, settingWrite, result);
        });
}

void MainWindow::onFavoritesListed(quint64 listing, quint64 settingWrite,
                                   const FavoritesListing& result) {
    // A failure that a newer choice has made moot is not worth a word.
    if (!result.settingError.isEmpty() && m_settingWrites->isLatest(settingWrite))
        m_desktop.showError(this, QStringLiteral("收藏文件夹"),
                            QStringLiteral("收藏文件夹的设置保存失败：%1。本次仍使用“%2”，"
                                           "下次启动时会回到原来的收藏文件夹。")
                                .arg(result.settingError, result.folder));
    if (listing != m_favoritesListing)
        return; // a newer listing is on its way
    m_listedFolder = result.folder;
    m_file2->clear();
    m_file2->addItems(result.names);
    refillFavorites();
}

void MainWindow::refillFavorites() {
    m_treeView2->clear();
    const QIcon picture(QStringLiteral(":/icons/tree.png"));
    for (int i = 0; i < m_file2->count(); ++i) {
        auto* node = new QTreeWidgetItem(m_treeView2, {favoriteNodeText(m_file2->item(i)->text())});
        node->setIcon(0, picture);
    }
    Q_EMIT favoritesRefilled();
}

void MainWindow::chooseFavoritesFolder() {
    const QString folder = m_desktop.chooseFolder(this);
    if (folder.isEmpty())
        return;
    m_values.FavoritesFolder = folder;
    setFavoritesTooltips();
    // The old folder's names must not stand for files of the new one while it is listed.
    m_file2->clear();
    m_treeView2->clear();
    m_listedFolder = folder;
    rereadFavorites(true); // the setting is saved with the listing, off the UI thread
}

void MainWindow::onFavoriteClicked(QTreeWidgetItem* item) {
    m_text2->hide();
    const int row = m_treeView2->indexOfTopLevelItem(item);
    if (row >= 0 && row < m_file2->count())
        m_values.CurrentFlashPath = favoritePath(m_listedFolder, m_file2->item(row)->text());
    loadAndPlay(m_values.CurrentFlashPath);
}

void MainWindow::onFavoritesRightRelease(const QPoint& position) {
    if (m_treeView2->topLevelItemCount() > 0)
        m_men->popup(m_treeView2->viewport()->mapToGlobal(position));
}

void MainWindow::deleteFavorite() {
    QString path;
    const int row = m_treeView2->indexOfTopLevelItem(m_treeView2->currentItem());
    if (m_treeView2->currentItem() && row >= 0 && row < m_file2->count())
        path = favoritePath(m_listedFolder, m_file2->item(row)->text());
    // With no selection nothing is removed, but the folder is still read afresh.
    runInBackground(
        this, [path] { return path.isEmpty() || removeFavoriteFile(path); },
        [this](bool) { rereadFavorites(); });
}

} // namespace reelcase
