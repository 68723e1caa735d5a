// Form1's menus, the favorites popup and the toolbar, and the dispatch of each to its command.
#include "mainwindow/main_window.h"
#include "mainwindow/twips.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace reelcase {
namespace {

struct MenuItem {
    const char16_t* name;
    const char16_t* caption;
    const char* shortcut;
    std::optional<Command> command; // none for separators
};

QMenu* addMenu(QMenuBar* bar, const QString& name, const QString& title) {
    auto* menu = new QMenu(title, bar);
    menu->setObjectName(name);
    bar->addMenu(menu);
    return menu;
}

} // namespace

void MainWindow::buildMenus() {
    auto* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    bar->setNativeMenuBar(false);

    const auto fill = [this](QMenu* menu, std::initializer_list<MenuItem> items) {
        for (const MenuItem& item : items) {
            QAction* action = item.command ? menu->addAction(QString::fromUtf16(item.caption))
                                           : menu->addSeparator();
            action->setObjectName(QString::fromUtf16(item.name));
            if (item.shortcut)
                action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
            if (item.command) {
                const Command command = *item.command;
                connect(action, &QAction::triggered, this, [this, command] { run(command); });
            }
        }
    };

    fill(addMenu(bar, QStringLiteral("文件"), QStringLiteral("文件(F)")),
         {{u"刷新", u"搜索FLASH", "Ctrl+R", Command::Search},
          {u"打开", u"打开", "Ctrl+O", Command::Open},
          {u"保存声音", u"保存声音", nullptr, Command::SaveSound},
          {u"扩遥", u"-", nullptr, std::nullopt},
          {u"退出", u"退出", "Ctrl+E", Command::Exit}});
    fill(addMenu(bar, QStringLiteral("操作"), QStringLiteral("操作(O)")),
         {{u"保存", u"另存为", "Ctrl+S", Command::SaveAs},
          {u"添加到收藏夹", u"添加到收藏夹", "Ctrl+A", Command::AddToFavorites},
          {u"摇篮", u"-", nullptr, std::nullopt},
          {u"播放", u"播放", "Ctrl+P", Command::Play},
          {u"停止", u"停止", "Ctrl+V", Command::Stop}});
    fill(addMenu(bar, QStringLiteral("帮助"), QStringLiteral("帮助(H)")),
         {{u"在线帮助", u"在线帮助", "Ctrl+G", Command::OnlineHelp},
          {u"访问作者主页", u"访问作者主页", "Ctrl+I", Command::HomePage}});

    // The favorites popup is never in the menu bar; its shortcuts act while the
    // favorites tree has the keyboard focus.
    m_men = new QMenu(QStringLiteral("men"), this);
    m_men->setObjectName(QStringLiteral("men"));
    fill(m_men, {{u"删除", u"删除", "Ctrl+D", Command::DeleteFavorite},
                 {u"取消", u"取消", "Ctrl+L", Command::ClosePopup}});
    for (QAction* action : m_men->actions()) {
        action->setShortcutContext(Qt::WidgetShortcut);
        m_treeView2->addAction(action);
    }
}

void MainWindow::buildToolbar() {
    struct Button {
        const char16_t* caption;
        int picture; // index into the toolbar pictures, from 1; 0 marks a separator
    };
    static constexpr Button kButtons[] = {
        {u"打开", 1}, {u"搜索", 2}, {nullptr, 0}, {u"播放", 11}, {u"停止", 3},
        {nullptr, 0}, {u"另存", 7}, {u"收藏", 6}, {nullptr, 0},  {u"帮助", 9},
    };
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolbar->setIconSize(QSize(25, 25));
    m_toolbar->setContentsMargins(0, 0, 0, 0);
    m_toolbar->setStyleSheet(QStringLiteral("QToolBar { border: none; spacing: 0px; }"));

    int position = 0;
    for (const Button& button : kButtons) {
        ++position;
        if (!button.caption) {
            m_toolbar->addSeparator()->setObjectName(
                QStringLiteral("Toolbar1_separator%1").arg(position));
            continue;
        }
        const QString icon =
            QStringLiteral(":/icons/toolbar/%1.png").arg(button.picture, 2, 10, QLatin1Char('0'));
        QAction* action = m_toolbar->addAction(QIcon(icon), QString::fromUtf16(button.caption));
        action->setObjectName(QStringLiteral("Toolbar1_button%1").arg(position));
        if (position == 10)
            action->setWhatsThis(QStringLiteral("帮助"));
        connect(action, &QAction::triggered, this,
                [this, position] { runToolbarButton(position); });
        if (auto* tool = qobject_cast<QToolButton*>(m_toolbar->widgetForAction(action))) {
            tool->setAutoRaise(true);
            tool->setFixedSize(twips(915), twips(465));
            tool->installEventFilter(this); // the buttons carry no tooltips
        }
    }
}

void MainWindow::runToolbarButton(int position) {
    if (const auto command = commandForToolbarPosition(position))
        run(*command);
}

void MainWindow::run(Command command) {
    switch (command) {
    case Command::Search:
        searchCache();
        break;
    case Command::Open:
        openFile();
        break;
    case Command::Exit:
        close();
        break;
    case Command::SaveAs:
        saveAs();
        break;
    case Command::SaveSound:
        saveSound();
        break;
    case Command::AddToFavorites:
        addToFavorites();
        break;
    case Command::Play:
        play();
        break;
    case Command::Stop:
        stop();
        break;
    case Command::OnlineHelp:
        openHelpPage();
        break;
    case Command::HomePage:
        openHomePage();
        break;
    case Command::DeleteFavorite:
        deleteFavorite();
        break;
    case Command::ClosePopup:
        m_men->hide();
        break;
    }
}

} // namespace reelcase
