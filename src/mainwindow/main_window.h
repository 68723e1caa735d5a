#pragma once

#include "mainwindow/banner.h"
#include "mainwindow/command_dispatch.h"
#include "platform/shared_values.h"

#include <QMainWindow>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace reelcase {

class AddFavoriteDialog;
class CacheSearch;
class Desktop;
class FlashPlayerWidget;
class SettingsStore;
struct FavoritesListing;
struct FoundFlash;
struct SettingWrites;

// The main window, Form1: toolbar and banner along the top, the found list and the
// favorites tree on the left, the player area on the right, and the hidden working
// storage (List1, File2, Text1 …). It owns the shared values and runs every command.
// Its client area is fixed at 733 x 501 pixels below the menu bar. desktop must outlive
// the window; work on the thread pool shares the settings store.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Desktop& desktop, std::shared_ptr<SettingsStore> settings, SharedValues values,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    SharedValues& values() { return m_values; }

    // Runs a command exactly as its menu item or toolbar button does.
    void run(Command command);
    // The toolbar's dispatch by position (1 to 10, separators included).
    void runToolbarButton(int position);

    // Points File2 at FavoritesFolder and rebuilds the favorites tree once the folder has
    // been listed (off the UI thread); favoritesRefilled() fires then.
    void rereadFavorites();

    // What ends the program after unload; the default quits the application.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    // Plays a file chosen outside the window (the command line) as a confirmed 打开 does.
    void openPath(const QString& path);

    // Centres the window on its screen, using the outer size of the window.
    void centreOnScreen();

Q_SIGNALS:
    void favoritesRefilled();
    void searchFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildToolbar();
    void applyTabOrder();
    void load();
    void unload();
    void bannerTick();
    void setFavoritesTooltips();

    // Commands.
    void searchCache();
    void openFile();
    void play();
    void stop();
    void saveAs();
    void saveSound();
    void addToFavorites();
    void openHomePage();
    void openHelpPage();
    void chooseFavoritesFolder();
    void deleteFavorite();

    // Lists.
    void onSearchFound(const FoundFlash& entry);
    void onSearchFinished();
    void onFoundListClicked(QTreeWidgetItem* item);
    void onFavoriteClicked(QTreeWidgetItem* item);
    void onFavoritesRightRelease(const QPoint& position);
    bool keyPressOnList(QTreeWidget* tree, QEvent* event);
    void rereadFavorites(bool saveSetting);
    void onFavoritesListed(quint64 listing, quint64 settingWrite, const FavoritesListing& result);
    void refillFavorites();
    void loadAndPlay(const QString& path);

    Desktop& m_desktop;
    std::shared_ptr<SettingsStore> m_settings;
    SharedValues m_values;
    BannerCycle m_banner;
    std::function<void()> m_endProgram;
    bool m_unloading = false;
    bool m_centredAfterShow = false;
    quint64 m_favoritesListing = 0; // drops stale folder listings
    // The folder whose names File2 and the favorites tree hold; nodes map into it alone.
    QString m_listedFolder;
    std::shared_ptr<SettingWrites> m_settingWrites;
    // Set when the window goes: copies still running stop and leave nothing behind.
    std::shared_ptr<std::atomic_bool> m_closing = std::make_shared<std::atomic_bool>(false);

    QFrame* m_frame1 = nullptr;
    QToolBar* m_toolbar = nullptr;
    BannerWidget* m_picture2 = nullptr;
    QTreeWidget* m_treeView1 = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_image1 = nullptr;
    QLabel* m_label2 = nullptr;
    QTreeWidget* m_treeView2 = nullptr;
    QWidget* m_picture1 = nullptr;
    FlashPlayerWidget* m_player = nullptr;
    QPlainTextEdit* m_text2 = nullptr;
    QWidget* m_picture3 = nullptr;
    QLabel* m_label4 = nullptr;
    QListWidget* m_list1 = nullptr;
    QListWidget* m_file2 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QListWidget* m_dir1 = nullptr;
    QListWidget* m_file1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QMenu* m_men = nullptr;
    CacheSearch* m_search = nullptr;
    QPointer<AddFavoriteDialog> m_form2;
};

} // namespace reelcase
