// The favorites tree: folder choice, play, the popup with 删除, and the refill.
#include "capture/flash_player_widget.h"
#include "favorites/favorites_folder.h"
#include "mainwindow/main_window.h"
#include "platform/background.h"
#include "platform/desktop.h"
#include "platform/favorites_setting.h"

#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeWidget>

namespace reelcase {

void MainWindow::rereadFavorites() {
    rereadFavorites(false);
}

void MainWindow::rereadFavorites(bool saveSetting) {
    const quint64 listing = ++m_favoritesListing;
    const QString folder = m_values.FavoritesFolder;
    runInBackground(
        this,
        [folder, saveSetting] {
            if (saveSetting)
                FavoritesSetting::write(folder);
            return listFavoriteFiles(folder);
        },
        [this, listing](const QStringList& names) {
            if (listing != m_favoritesListing)
                return; // a newer listing is on its way
            m_file2->clear();
            m_file2->addItems(names);
            refillFavorites();
        });
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
    rereadFavorites(true); // the setting is saved with the listing, off the UI thread
}

void MainWindow::onFavoriteClicked(QTreeWidgetItem* item) {
    m_text2->hide();
    const int row = m_treeView2->indexOfTopLevelItem(item);
    if (row >= 0 && row < m_file2->count())
        m_values.CurrentFlashPath =
            favoritePath(m_values.FavoritesFolder, m_file2->item(row)->text());
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
        path = favoritePath(m_values.FavoritesFolder, m_file2->item(row)->text());
    // With no selection nothing is removed, but the folder is still read afresh.
    runInBackground(
        this, [path] { return path.isEmpty() || removeFavoriteFile(path); },
        [this](bool) { rereadFavorites(); });
}

} // namespace reelcase
