#include "mainwindow/main_window.h"

#include "capture/cache_search.h"
#include "capture/flash_player_widget.h"
#include "favorites/add_favorite_dialog.h"
#include "platform/desktop.h"
#include "platform/site_pages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

// Resources live in this static library; they must be registered explicitly.
static void initResources() {
#ifdef REELCASE_HAS_RESOURCES
    Q_INIT_RESOURCE(reelcase);
#endif
}

namespace reelcase {
namespace {

// "宋体" is named throughout; this platform's Song-style face stands in for it.
void installSongSubstitute() {
    static const bool installed = [] {
        QFont::insertSubstitutions(QStringLiteral("宋体"),
                                   {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing"),
                                    QStringLiteral("Noto Serif CJK SC"),
                                    QStringLiteral("WenQuanYi Zen Hei")});
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

MainWindow::MainWindow(Desktop& desktop, std::shared_ptr<SettingsStore> settings,
                       SharedValues values, QWidget* parent)
    : QMainWindow(parent)
    , m_desktop(desktop)
    , m_settings(std::move(settings))
    , m_values(std::move(values))
    , m_endProgram([] { QCoreApplication::exit(0); }) {
    installSongSubstitute();
    initResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("拾影匣 V6.0"));
    QIcon icon(QStringLiteral(":/icons/window.png"));
    icon.addFile(QStringLiteral(":/icons/reelcase.png"));
    setWindowIcon(icon);
    // A fixed border: title bar, system menu, minimize and close; no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    buildControls();
    buildMenus();
    buildToolbar();
    applyTabOrder();

    m_search = new CacheSearch(this);
    connect(m_search, &CacheSearch::found, this, &MainWindow::onSearchFound);
    connect(m_search, &CacheSearch::finished, this, &MainWindow::onSearchFinished);
    connect(m_treeView1, &QTreeWidget::itemClicked, this, &MainWindow::onFoundListClicked);
    connect(m_treeView2, &QTreeWidget::itemClicked, this, &MainWindow::onFavoriteClicked);
    m_treeView1->installEventFilter(this);
    m_treeView2->installEventFilter(this);
    connect(m_picture2, &BannerWidget::clicked, this, &MainWindow::openHomePage);
    connect(m_timer2, &QTimer::timeout, this, &MainWindow::bannerTick);

    setFixedSize(centralWidget()->width(),
                 centralWidget()->height() + menuBar()->sizeHint().height());
    load();
    rereadFavorites();
}

MainWindow::~MainWindow() {
    *m_closing = true;
    if (m_form2)
        delete m_form2.data();
}

void MainWindow::load() {
    centreOnScreen();
    m_picture2->show(m_banner.current());
    setFavoritesTooltips();
    m_timer2->start();
}

void MainWindow::centreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize outer = frameGeometry().size();
    // On a screen smaller than the window, the window is left partly off screen.
    move(area.left() + (area.width() - outer.width()) / 2,
         area.top() + (area.height() - outer.height()) / 2);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_centredAfterShow) {
        m_centredAfterShow = true;
        // The frame's size is known only once the window manager has decorated the window.
        QTimer::singleShot(0, this, &MainWindow::centreOnScreen);
    }
}

void MainWindow::bannerTick() {
    m_picture2->show(m_banner.tick());
}

void MainWindow::setFavoritesTooltips() {
    const QString tip = QStringLiteral("收藏文件夹:") + m_values.FavoritesFolder;
    m_label2->setToolTip(tip);
    m_image1->setToolTip(tip);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    unload();
}

void MainWindow::unload() {
    if (m_unloading)
        return;
    m_unloading = true;
    m_timer2->stop();
    openHomePage();
    QCoreApplication::processEvents();
    if (m_form2)
        m_form2->close();
    m_endProgram();
}

void MainWindow::openHomePage() {
    m_desktop.openUrl(homePageUrl());
}

void MainWindow::openHelpPage() {
    m_desktop.openUrl(helpPageUrl());
}

bool MainWindow::keyPressOnList(QTreeWidget* tree, QEvent* event) {
    // The list handles the key here, so that a node it selects from the keyboard plays
    // as a clicked one does. A key it leaves unaccepted still goes on to the parents.
    QTreeWidgetItem* before = tree->currentItem();
    static_cast<QObject*>(tree)->event(event);
    QTreeWidgetItem* after = tree->currentItem();
    if (after && after != before) {
        if (tree == m_treeView1)
            onFoundListClicked(after);
        else
            onFavoriteClicked(after);
    }
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && qobject_cast<QToolButton*>(watched))
        return true;
    if (event->type() == QEvent::KeyPress && (watched == m_treeView1 || watched == m_treeView2))
        return keyPressOnList(static_cast<QTreeWidget*>(watched), event);
    if (event->type() == QEvent::MouseButtonPress && watched == m_treeView2->viewport()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            // A right-click selects the node under the pointer, so 删除 acts on the
            // favorite the user pointed at; on blank space the selection stays.
            if (QTreeWidgetItem* item = m_treeView2->itemAt(mouse->position().toPoint()))
                m_treeView2->setCurrentItem(item);
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if ((watched == m_label2 || watched == m_image1) && mouse->button() == Qt::LeftButton) {
            chooseFavoritesFolder();
            return true;
        }
        if (watched == m_treeView2->viewport() && mouse->button() == Qt::RightButton) {
            onFavoritesRightRelease(mouse->position().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace reelcase
