// Form1 as it opens: layout, banner, menus, tooltips, and every way of closing it.
#include "mainwindow/banner.h"
#include "mainwindow/command_dispatch.h"
#include "support/main_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

using namespace reelcase;
using reelcase::test::MainWindowFixture;

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowFrame() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        QCOMPARE(w.objectName(), QString("Form1"));
        QCOMPARE(w.windowTitle(), QString("拾影匣 V6.0"));
        QCOMPARE(w.centralWidget()->size(), QSize(733, 501));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        const QRect screen = w.screen()->geometry();
        QCOMPARE(w.frameGeometry().center().x(), screen.center().x());
        QVERIFY(qAbs(w.frameGeometry().center().y() - screen.center().y()) <= 1);
    }

    void controlsAtTheirPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("visible");
        QTest::newRow("Frame1") << "Frame1" << QRect(4, -4, 725, 49) << true;
        QTest::newRow("Toolbar1") << "Toolbar1" << QRect(4, 12, 517, 31) << true;
        QTest::newRow("Picture2") << "Picture2" << QRect(528, 13, 189, 25) << true;
        QTest::newRow("TreeView1") << "TreeView1" << QRect(4, 48, 133, 137) << true;
        QTest::newRow("Image1") << "Image1" << QRect(59, 189, 15, 15) << true;
        QTest::newRow("TreeView2") << "TreeView2" << QRect(4, 208, 133, 289) << true;
        QTest::newRow("Picture1") << "Picture1" << QRect(140, 48, 589, 449) << true;
        QTest::newRow("ShockwaveFlash1") << "ShockwaveFlash1" << QRect(0, 0, 589, 449) << true;
        QTest::newRow("Text2") << "Text2" << QRect(8, 8, 377, 253) << true;
        QTest::newRow("Picture3") << "Picture3" << QRect(212, 188, 157, 33) << false;
    }
    void controlsAtTheirPlaces() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(bool, visible);
        MainWindowFixture f;
        f.open();
        auto* control = f.find<QWidget>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(control->isVisible(), visible);
    }

    void labelsAndHiddenStorage() {
        MainWindowFixture f;
        f.open();
        QCOMPARE(f.find<QLabel>("Label1")->text(), QString("收藏夹"));
        QCOMPARE(f.find<QLabel>("Label1")->pos(), QPoint(4, 192));
        QCOMPARE(f.find<QLabel>("Label2")->text(), QString("收藏文件夹"));
        QCOMPARE(f.find<QLabel>("Label2")->pos(), QPoint(76, 192));
        QCOMPARE(f.find<QLabel>("Label2")->palette().color(QPalette::WindowText),
                 QColor(0, 0, 255));
        QCOMPARE(f.find<QLabel>("Label4")->text(), QString("正在搜索FLASH……"));
        for (const char* hidden : {"List1", "File2", "Text1", "Dir1", "File1"}) {
            QWidget* control = f.find<QWidget>(hidden);
            QVERIFY2(control && !control->isVisible(), hidden);
        }
        const QString welcome = f.find<QPlainTextEdit>("Text2")->toPlainText();
        QVERIFY(welcome.startsWith("欢迎您使用拾影匣。"));
        QVERIFY(welcome.contains(f.values.WindowsFolder + "reelcase"));
    }

    void bannerCycle() {
        BannerCycle cycle;
        QCOMPARE(cycle.current().background, QColor(0, 128, 0));
        QCOMPARE(cycle.current().line, BannerCycle::row(5).line);
        QList<int> counters;
        for (int i = 0; i < 11; ++i) {
            cycle.tick();
            counters << cycle.counter();
        }
        QCOMPARE(counters, (QList<int>{1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1}));
        QCOMPARE(BannerCycle::row(1).background, QColor(255, 0, 0));
        QCOMPARE(BannerCycle::row(3).position, QPoint(40, 5));
        QCOMPARE(BannerCycle::row(2).text, QColor(255, 255, 192));
    }

    void bannerOnScreen() {
        MainWindowFixture f;
        f.open();
        auto* banner = f.find<BannerWidget>("Picture2");
        auto* timer = f.find<QTimer>("Timer2");
        QCOMPARE(timer->interval(), 2000);
        QVERIFY(timer->isActive());
        QCOMPARE(banner->grab().toImage().pixelColor(1, 1), QColor(0, 128, 0));
        QCOMPARE(banner->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(banner->cursor().hotSpot(), QPoint(12, 1));

        // One tick, without waiting two seconds: the timer stops right after it.
        connect(timer, &QTimer::timeout, timer, &QTimer::stop);
        timer->setInterval(5);
        QTRY_VERIFY(!timer->isActive());
        QCOMPARE(banner->shown().background, QColor(255, 0, 0));
        const QImage image = banner->grab().toImage();
        QCOMPARE(image.pixelColor(1, 1), QColor(255, 0, 0));
        // The line itself is drawn in white.
        bool white = false;
        for (int x = 0; x < image.width() && !white; ++x)
            white = image.pixelColor(x, 12) == QColor(255, 255, 255);
        QVERIFY(white);
    }

    void tabOrderOverTheFocusableControls() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* found = f.find<QWidget>("TreeView1");
        found->setFocus();
        QStringList order;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, (QStringList{"ShockwaveFlash1", "TreeView2", order.at(2)}));
        QVERIFY(order.at(2) != "Text2"); // the welcome text is not a tab stop
    }

    void tooltips() {
        MainWindowFixture f;
        f.open();
        const QString tip = "收藏文件夹:" + f.values.FavoritesFolder;
        QCOMPARE(f.find<QLabel>("Label2")->toolTip(), tip);
        QCOMPARE(f.find<QLabel>("Image1")->toolTip(), tip);
    }

    void menus_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::newRow("刷新") << "文件"
                              << "刷新"
                              << "搜索FLASH" << QKeySequence("Ctrl+R");
        QTest::newRow("打开") << "文件"
                              << "打开"
                              << "打开" << QKeySequence("Ctrl+O");
        QTest::newRow("退出") << "文件"
                              << "退出"
                              << "退出" << QKeySequence("Ctrl+E");
        QTest::newRow("保存") << "操作"
                              << "保存"
                              << "另存为" << QKeySequence("Ctrl+S");
        QTest::newRow("添加到收藏夹") << "操作"
                                      << "添加到收藏夹"
                                      << "添加到收藏夹" << QKeySequence("Ctrl+A");
        QTest::newRow("播放") << "操作"
                              << "播放"
                              << "播放" << QKeySequence("Ctrl+P");
        QTest::newRow("停止") << "操作"
                              << "停止"
                              << "停止" << QKeySequence("Ctrl+V");
        QTest::newRow("在线帮助") << "帮助"
                                  << "在线帮助"
                                  << "在线帮助" << QKeySequence("Ctrl+G");
        QTest::newRow("访问作者主页") << "帮助"
                                      << "访问作者主页"
                                      << "访问作者主页" << QKeySequence("Ctrl+I");
        QTest::newRow("删除") << "men"
                              << "删除"
                              << "删除" << QKeySequence("Ctrl+D");
        QTest::newRow("取消") << "men"
                              << "取消"
                              << "取消" << QKeySequence("Ctrl+L");
    }
    void menus() {
        QFETCH(QString, menu);
        QFETCH(QString, item);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        MainWindowFixture f;
        f.open();
        auto* owner = f.find<QMenu>(menu);
        QVERIFY(owner);
        QAction* action = nullptr;
        for (QAction* a : owner->actions())
            if (a->objectName() == item)
                action = a;
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut(), shortcut);
    }

    void menuBarOrderWithoutPopup() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        QStringList titles;
        for (QAction* a : w.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"文件(F)", "操作(O)", "帮助(H)"}));
        QVERIFY(!f.find<QMenu>("men")->isVisible());
    }

    void toolbarPositions() {
        MainWindowFixture f;
        f.open();
        const QList<QAction*> actions = f.find<QToolBar>("Toolbar1")->actions();
        QCOMPARE(actions.size(), 10);
        QStringList captions;
        for (QAction* a : actions)
            captions << (a->isSeparator() ? "|" : a->text());
        QCOMPARE(captions, (QStringList{"打开", "搜索", "|", "播放", "停止", "|", "另存", "收藏",
                                        "|", "帮助"}));
        for (int k : {0, 3, 6, 9, 11, -1})
            QVERIFY(!commandForToolbarPosition(k).has_value());
        QCOMPARE(commandForToolbarPosition(2), Command::Search);
        QCOMPARE(commandForToolbarPosition(10), Command::OnlineHelp);
    }

    void separatorClickRunsNothing() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        auto* toolbar = f.find<QToolBar>("Toolbar1");
        for (int index : {2, 5, 8}) {
            QWidget* separator = toolbar->widgetForAction(toolbar->actions().at(index));
            QVERIFY(separator);
            QTest::mouseClick(separator, Qt::LeftButton);
            w.runToolbarButton(index + 1);
        }
        QVERIFY(f.desktop.openRequests.isEmpty());
        QVERIFY(f.desktop.openedUrls.isEmpty());
        QCOMPARE(f.desktop.beeps, 0);
    }

    void everyWayOfClosing_data() {
        QTest::addColumn<QString>("route");
        QTest::newRow("close button") << "close";
        QTest::newRow("退出 item") << "menu";
        QTest::newRow("Ctrl+E") << "key";
    }
    void everyWayOfClosing() {
        QFETCH(QString, route);
        MainWindowFixture f;
        MainWindow& w = f.open();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        if (route == "close") {
            w.close();
        } else if (route == "menu") {
            f.find<QAction>("退出")->trigger();
        } else {
            QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier);
        }
        QCOMPARE(f.desktop.openedUrls.size(), 1);
        QVERIFY(f.desktop.openedUrls.first().toString().endsWith("01.htm"));
        QCOMPARE(f.endings, 1);
        QVERIFY(f.desktop.messages.isEmpty());
        w.close(); // a second close does not unload twice
        QCOMPARE(f.desktop.openedUrls.size(), 1);
    }
    void favoritesTreeAtStart() {
        MainWindowFixture f;
        for (const char* name :
             {"a.swf", "b.swf", "x.SWF", "a.swf.swf", "notes.txt", ".hidden.swf"})
            test::writeBytes(f.values.FavoritesFolder + "/" + name, 10);
        f.open();
        auto* tree = f.find<QTreeWidget>("TreeView2");
        QStringList texts;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            texts << tree->topLevelItem(i)->text(0);
            QVERIFY(!tree->topLevelItem(i)->icon(0).isNull());
        }
        QCOMPARE(texts, (QStringList{"a", "a", "b", "x.SWF"}));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
