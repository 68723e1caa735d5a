// Form1's controls, at their places in the fixed 733 x 501 client area.
#include "capture/flash_player_widget.h"
#include "mainwindow/main_window.h"
#include "mainwindow/twips.h"
#include "mainwindow/welcome_text.h"
#include "platform/desktop.h"
#include "platform/site_pages.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

namespace reelcase {
namespace {

QCursor handCursor() {
    const QPixmap hand(QStringLiteral(":/cursors/hand.png"));
    return hand.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(hand, 12, 1);
}

// Both trees: picture then text, no lines or boxes between top-level nodes, in the order
// added, not editable, the selection kept visible without focus.
QTreeWidget* makeTree(const QString& name, QWidget* parent) {
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(name);
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setRootIsDecorated(false);
    tree->setSortingEnabled(false);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setIndentation(twips(567));
    tree->setIconSize(QSize(16, 16));
    tree->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette palette = tree->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    tree->setPalette(palette);
    return tree;
}

// Hidden working storage: present for its contents, never shown.
QListWidget* makeHiddenList(const QString& name, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSortingEnabled(false);
    list->hide();
    return list;
}

QLabel* makeSizedLabel(const QString& name, const QString& caption, QPoint topLeft,
                       QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->move(topLeft);
    label->adjustSize();
    return label;
}

} // namespace

void MainWindow::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips(10995), twips(7515));
    setCentralWidget(client);

    m_frame1 = new QFrame(client);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->setFrameShadow(QFrame::Sunken);
    m_frame1->setGeometry(twipsRect(60, -60, 10875, 735));

    m_toolbar = new QToolBar(m_frame1);
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setGeometry(twipsRect(60, 180, 7755, 465));

    m_picture2 = new BannerWidget(m_frame1);
    m_picture2->setGeometry(twipsRect(7920, 200, 2835, 375));
    m_picture2->setCursor(handCursor());

    m_treeView1 = makeTree(QStringLiteral("TreeView1"), client);
    m_treeView1->setGeometry(twipsRect(60, 720, 1995, 2055));

    m_label1 = makeSizedLabel(QStringLiteral("Label1"), QStringLiteral("收藏夹"),
                              twipsPoint(60, 2880), client);

    m_image1 = new QLabel(client);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setGeometry(twipsRect(885, 2835, 225, 225));
    m_image1->setScaledContents(true);
    m_image1->setPixmap(QPixmap(QStringLiteral(":/icons/folder.png")));
    m_image1->setCursor(handCursor());
    m_image1->installEventFilter(this);

    m_label2 = makeSizedLabel(QStringLiteral("Label2"), QStringLiteral("收藏文件夹"),
                              twipsPoint(1140, 2880), client);
    QPalette blue = m_label2->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_label2->setPalette(blue);
    m_label2->setCursor(handCursor());
    m_label2->installEventFilter(this);

    m_treeView2 = makeTree(QStringLiteral("TreeView2"), client);
    m_treeView2->setGeometry(twipsRect(60, 3120, 1995, 4335));
    m_treeView2->viewport()->installEventFilter(this);

    m_picture1 = new QWidget(client);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setGeometry(twipsRect(2100, 720, 8835, 6735));
    m_picture1->setAutoFillBackground(true);
    QPalette white = m_picture1->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_picture1->setPalette(white);

    m_player = new FlashPlayerWidget(m_picture1);
    m_player->setGeometry(0, 0, m_picture1->width(), m_picture1->height());
    m_player->setFocusPolicy(Qt::StrongFocus); // a tab stop between the two lists
    connect(m_player, &FlashPlayerWidget::saveSoundRequested, this, &MainWindow::saveSound);
    m_player->setLinkOpener([this](const QUrl& link) { m_desktop.openUrl(link); });

    m_text2 = new QPlainTextEdit(m_picture1);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setGeometry(twipsRect(120, 120, 5655, 3795));
    m_text2->setReadOnly(true);
    m_text2->setFocusPolicy(Qt::ClickFocus);
    QPalette grey = m_text2->palette();
    grey.setColor(QPalette::Text, QColor(128, 128, 128));
    m_text2->setPalette(grey);
    m_text2->setPlainText(
        welcomeText(m_values.WindowsFolder + QStringLiteral("reelcase"), homePageUrl().toString()));

    m_picture3 = new QWidget(m_picture1);
    m_picture3->setObjectName(QStringLiteral("Picture3"));
    m_picture3->setGeometry(twipsRect(3180, 2820, 2355, 495));
    m_picture3->setAutoFillBackground(true);
    QPalette cream = m_picture3->palette();
    cream.setColor(QPalette::Window, QColor(255, 255, 192));
    m_picture3->setPalette(cream);
    m_label4 = makeSizedLabel(QStringLiteral("Label4"), QStringLiteral("正在搜索FLASH……"),
                              twipsPoint(180, 120), m_picture3);
    QFont song(QStringLiteral("宋体"));
    song.setPointSizeF(10.5);
    song.setBold(true);
    m_label4->setFont(song);
    QPalette red = m_label4->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_label4->setPalette(red);
    m_label4->adjustSize();
    m_picture3->hide();

    m_list1 = makeHiddenList(QStringLiteral("List1"), m_picture1);
    m_file2 = makeHiddenList(QStringLiteral("File2"), m_picture1);
    m_text1 = new QLineEdit(m_picture1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->hide();
    m_dir1 = makeHiddenList(QStringLiteral("Dir1"), client);
    m_file1 = makeHiddenList(QStringLiteral("File1"), client);

    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(2000);
}

void MainWindow::applyTabOrder() {
    // Focus moves over the visible controls that take it, in their tab-index order.
    QWidget::setTabOrder(m_toolbar, m_treeView1);
    QWidget::setTabOrder(m_treeView1, m_player);
    QWidget::setTabOrder(m_player, m_treeView2);
}

} // namespace reelcase
