// Form1's commands end to end: search, the found list, open, Save As, favorites and dispatch.
#include "capture/flash_player_widget.h"
#include "favorites/add_favorite_dialog.h"
#include "support/browser_cache_fixtures.h"
#include "support/busy_pool.h"
#include "support/main_window_fixture.h"
#include "support/read_only_folder.h"
#include "swfwriter/writer.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QThreadPool>
#include <QToolBar>
#include <QTreeWidget>

#include <optional>

using namespace reelcase;
using reelcase::test::MainWindowFixture;
using reelcase::test::writeBytes;

namespace {

void setWriteTime(const QString& path, const QDateTime& time) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
}

QStringList nodeTexts(QTreeWidget* tree) {
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts << tree->topLevelItem(i)->text(0);
    return texts;
}

QStringList listItems(QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

QPoint nodeCentre(QTreeWidget* tree, int row) {
    return tree->visualItemRect(tree->topLevelItem(row)).center();
}

// Makes a file of 1234 bytes the current one and returns its path.
QString makeCurrentFile(MainWindowFixture& f) {
    const QString source = f.environment.root() + "/source.swf";
    writeBytes(source, 1234);
    f.window->values().CurrentFlashPath = source;
    return source;
}

void runSearch(MainWindow& window) {
    QSignalSpy finished(&window, &MainWindow::searchFinished);
    window.runToolbarButton(2);
    QVERIFY(finished.wait(10000));
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void searchListsWhatQualifiesAndPlaysTheFirst() {
        MainWindowFixture f;
        const QString content = f.environment.root() + "/cache/Content.IE5";
        f.values.CacheFolder = f.environment.root() + "/cache";
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime written = now.addSecs(-600);
        for (const char* name : {"A1/first.swf", "A1/same.swf", "B2/upper.SWF", "A1/small.swf",
                                 "A1/old.swf", "A1/deep/deeper.swf", "loose.swf"}) {
            writeBytes(content + "/" + name, QByteArray(name).contains("small") ? 51200 : 51201);
            setWriteTime(content + "/" + name, written);
        }
        setWriteTime(content + "/A1/old.swf", now.addSecs(-120 * 60));
        f.desktop.fixedNow = now;
        MainWindow& w = f.open();

        runSearch(w);
        runSearch(w); // a second search gives the same list once
        const QString name = written.toString("MMddhhmmss") + ".swf";
        QCOMPARE(nodeTexts(f.find<QTreeWidget>("TreeView1")), (QStringList{name, name, name}));
        QCOMPARE(listItems(f.find<QListWidget>("List1")),
                 (QStringList{content + "/A1/first.swf", content + "/A1/same.swf",
                              content + "/B2/upper.SWF"}));
        auto* tree = f.find<QTreeWidget>("TreeView1");
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
        QCOMPARE(w.values().CurrentFlashPath, content + "/A1/first.swf");
        QCOMPARE(f.find<FlashPlayerWidget>("ShockwaveFlash1")->movie(), content + "/A1/first.swf");
        QVERIFY(!f.find<QPlainTextEdit>("Text2")->isVisible());
        QVERIFY(!f.find<QWidget>("Picture3")->isVisible());
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(f.desktop.messages.isEmpty());

        // Equal names: each node plays its own file, found by position.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, nodeCentre(tree, 1));
        QCOMPARE(w.values().CurrentFlashPath, content + "/A1/same.swf");
        QCOMPARE(f.find<FlashPlayerWidget>("ShockwaveFlash1")->movie(), content + "/A1/same.swf");
    }

    void searchFindingNothingSaysSoAfterThePanelIsGone() {
        MainWindowFixture f;
        f.values.CacheFolder = f.environment.root() + "/empty-cache";
        QDir().mkpath(f.values.CacheFolder + "/Content.IE5/X1");
        f.values.CurrentFlashPath = "/kept/before.swf";
        MainWindow& w = f.open();
        bool panelHidden = false;
        bool pointerRestored = false;
        f.desktop.onMessage = [&](const test::FakeDesktop::Message&) {
            panelHidden = !f.find<QWidget>("Picture3")->isVisible();
            pointerRestored = w.cursor().shape() == Qt::ArrowCursor;
        };
        runSearch(w);
        QCOMPARE(f.desktop.messages.size(), 1);
        QCOMPARE(f.desktop.messages[0].title, QString("提示"));
        QCOMPARE(f.desktop.messages[0].text,
                 QString("没有发现FLASH，请待网页中的FLASH播放完毕后重新搜索！"));
        QVERIFY(panelHidden);
        QVERIFY(pointerRestored);
        QCOMPARE(w.values().CurrentFlashPath, QString("/kept/before.swf"));
        QVERIFY(!f.find<QPlainTextEdit>("Text2")->isVisible());
    }

    // Movies a browser of today cached: listed under the same kind of name, played from
    // a plain copy that Save As copies, and their origin in each node's tooltip.
    void searchListsBrowserMoviesWithTheirOrigin() {
        MainWindowFixture f;
        const QString home = f.environment.home();
        QVERIFY(test::installCacheFixture("chromium-simple",
                                          home + "/.cache/chromium/Default/Cache/Cache_Data"));
        f.desktop.fixedNow = test::shortlyAfterRecording();
        MainWindow& w = f.open();
        runSearch(w);
        QVERIFY(f.desktop.messages.isEmpty());

        auto* tree = f.find<QTreeWidget>("TreeView1");
        const QStringList paths = listItems(f.find<QListWidget>("List1"));
        const auto recorded = test::recordedMovies();
        QStringList listedShas;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            const QString path = paths[i];
            QVERIFY(path.startsWith(home + "/.cache/reelcase/found/"));
            QFile movie(path);
            QVERIFY(movie.open(QIODevice::ReadOnly));
            listedShas
                << QCryptographicHash::hash(movie.readAll(), QCryptographicHash::Sha256).toHex();
            const QString tip = tree->topLevelItem(i)->toolTip(0);
            QVERIFY2(tip.contains("网址：http://127.0.0.1:"), qPrintable(tip));
            QVERIFY(tip.contains("浏览器：Chromium"));
            // Named, as ever, by the time: here the time the browser cached it.
            const QDateTime cached =
                QDateTime::fromString(tip.section("缓存时间：", 1).left(19), "yyyy-MM-dd HH:mm:ss");
            QVERIFY(cached.isValid() && cached <= f.desktop.fixedNow);
            QCOMPARE(tree->topLevelItem(i)->text(0), cached.toString("MMddHHmmss") + ".swf");
        }
        QStringList expected;
        for (const auto& movie : recorded)
            if (movie.whole && movie.size > 51200)
                expected << movie.sha256;
        listedShas.sort();
        expected.sort();
        QCOMPARE(listedShas, expected);
        QCOMPARE(w.values().CurrentFlashPath, paths[0]);
        QCOMPARE(f.find<FlashPlayerWidget>("ShockwaveFlash1")->movie(), paths[0]);

        // Save As writes the decoded movie.
        f.desktop.saveReplies << f.environment.root() + "/kept";
        w.runToolbarButton(7);
        QTRY_VERIFY(QFile::exists(f.environment.root() + "/kept.swf"));
        QFile kept(f.environment.root() + "/kept.swf");
        QFile first(paths[0]);
        QVERIFY(kept.open(QIODevice::ReadOnly) && first.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), first.readAll());
    }

    // Moving through either list with the keyboard plays each node reached, as a click.
    void arrowKeysPlayTheSelectedNode() {
        MainWindowFixture f;
        const QString content = f.environment.root() + "/cache/Content.IE5";
        f.values.CacheFolder = f.environment.root() + "/cache";
        const QDateTime now = QDateTime::currentDateTime();
        for (const char* name : {"A1/one.swf", "A1/two.swf", "A1/three.swf"}) {
            writeBytes(content + "/" + name, 60000);
            setWriteTime(content + "/" + name, now.addSecs(-60));
        }
        for (const char* name : {"a.swf", "b.swf"})
            writeBytes(f.values.FavoritesFolder + "/" + name, 10);
        f.desktop.fixedNow = now;
        MainWindow& w = f.open();
        runSearch(w);
        auto* player = f.find<FlashPlayerWidget>("ShockwaveFlash1");
        auto* found = f.find<QTreeWidget>("TreeView1");
        QCOMPARE(w.values().CurrentFlashPath, content + "/A1/one.swf");
        QTest::keyClick(found, Qt::Key_Down);
        QCOMPARE(w.values().CurrentFlashPath, content + "/A1/three.swf");
        QCOMPARE(player->movie(), content + "/A1/three.swf");
        QTest::keyClick(found, Qt::Key_End);
        QCOMPARE(player->movie(), content + "/A1/two.swf");
        QTest::keyClick(found, Qt::Key_Up);
        QCOMPARE(player->movie(), content + "/A1/three.swf");
        // A key that moves nowhere plays nothing anew.
        QTest::keyClick(found, Qt::Key_Home);
        player->setMovie(QString());
        QTest::keyClick(found, Qt::Key_Up);
        QCOMPARE(player->movie(), QString());

        auto* favorites = f.find<QTreeWidget>("TreeView2");
        favorites->setFocus();
        QTest::keyClick(favorites, Qt::Key_Down);
        QTest::keyClick(favorites, Qt::Key_Down);
        QCOMPARE(w.values().CurrentFlashPath, f.values.FavoritesFolder + "/b.swf");
        QCOMPARE(player->movie(), f.values.FavoritesFolder + "/b.swf");
    }

    void fileFromTheCommandLinePlaysAsOpened() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        w.openPath("/movies/clip.swf");
        QVERIFY(!f.find<QPlainTextEdit>("Text2")->isVisible());
        QCOMPARE(w.values().CurrentFlashPath, QString("/movies/clip.swf"));
        QCOMPARE(f.find<FlashPlayerWidget>("ShockwaveFlash1")->movie(),
                 QString("/movies/clip.swf"));
    }

    void openCommand() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        // Cancelled: the welcome text goes all the same, nothing else changes.
        f.find<QAction>("打开")->trigger();
        QVERIFY(!f.find<QPlainTextEdit>("Text2")->isVisible());
        QVERIFY(w.values().CurrentFlashPath.isEmpty());
        QCOMPARE(f.desktop.openRequests.size(), 1);
        QCOMPARE(f.desktop.openRequests[0].title, QString("打开FLASH文件"));

        f.desktop.openReplies << "  /some where/clip.swf ";
        w.runToolbarButton(1);
        QCOMPARE(w.values().CurrentFlashPath, QString("/some where/clip.swf"));
        QCOMPARE(f.find<FlashPlayerWidget>("ShockwaveFlash1")->movie(),
                 QString("/some where/clip.swf"));
    }

    void saveAs() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        // Nothing chosen yet: no dialog at all.
        w.runToolbarButton(7);
        QVERIFY(f.desktop.saveRequests.isEmpty());

        makeCurrentFile(f);
        const QString keep = f.environment.root() + "/keep";
        QDir().mkpath(keep);
        f.desktop.saveReplies << keep + "/clip" << keep + "/clip.swf";
        f.find<QAction>("保存")->trigger();
        QTRY_VERIFY(QFile::exists(keep + "/clip.swf"));
        QCOMPARE(f.find<QLineEdit>("Text1")->text(), keep + "/clip.swf");
        w.runToolbarButton(7);
        QTRY_VERIFY(QFile::exists(keep + "/clip.swf.swf"));
        QCOMPARE(QFileInfo(keep + "/clip.swf.swf").size(), 1234);
        QCOMPARE(f.desktop.saveRequests.size(), 2);
        QCOMPARE(f.desktop.saveRequests[0].title, QString("另存为"));
        QVERIFY(f.desktop.messages.isEmpty());
    }

    void saveAsFailureIsReported_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("read-only folder") << "read-only";
        QTest::newRow("source gone") << "source gone";
    }
    void saveAsFailureIsReported() {
        QFETCH(QString, kind);
        MainWindowFixture f;
        f.open();
        const QString source = makeCurrentFile(f);
        if (kind == "source gone")
            QFile::remove(source);
        const QString folder = f.environment.root() + (kind == "missing" ? "/missing" : "/keep");
        if (kind != "missing")
            QDir().mkpath(folder);
        std::optional<test::ReadOnlyFolder> locked;
        if (kind == "read-only") {
            locked.emplace(folder);
            if (!locked->isReadOnly())
                QSKIP("no way to make a folder read-only here");
        }
        f.desktop.saveReplies << folder + "/clip";
        f.find<QAction>("保存")->trigger();
        QTRY_COMPARE(f.desktop.messages.size(), 1);
        QVERIFY(f.desktop.messages[0].error);
        QVERIFY2(f.desktop.messages[0].text.startsWith("保存失败："),
                 qPrintable(f.desktop.messages[0].text));
        QVERIFY(!QFileInfo::exists(folder + "/clip.swf"));
    }

    void closingStopsACopyAndLeavesNothingBehind() {
        MainWindowFixture f;
        f.open();
        makeCurrentFile(f);
        const QString keep = f.environment.root() + "/keep";
        QDir().mkpath(keep);
        f.desktop.saveReplies << keep + "/clip";
        {
            test::BusyPool slowDisk;
            f.find<QAction>("保存")->trigger();
            f.window.reset();
        }
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(QDir(keep).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY(f.desktop.messages.isEmpty());
    }

    void folderChoiceNeverPairsOldNamesWithTheNewFolder() {
        MainWindowFixture f;
        writeBytes(f.values.FavoritesFolder + "/a.swf", 10);
        const QString other = f.environment.root() + "/other";
        writeBytes(other + "/a.swf", 10);
        writeBytes(other + "/zzz.swf", 10);
        MainWindow& w = f.open();
        auto* tree = f.find<QTreeWidget>("TreeView2");
        QCOMPARE(nodeTexts(tree), QStringList{"a"});
        tree->setCurrentItem(tree->topLevelItem(0));
        const QPoint firstNode = nodeCentre(tree, 0);
        QSignalSpy refilled(&w, &MainWindow::favoritesRefilled);
        {
            test::BusyPool slowDisk;
            f.desktop.folderReplies << other;
            QTest::mouseClick(f.find<QLabel>("Label2"), Qt::LeftButton);
            // The new folder is not listed yet: neither a click nor 删除 may reach into it.
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, firstNode);
            f.find<QAction>("删除")->trigger();
            QVERIFY(w.values().CurrentFlashPath.isEmpty());
        }
        QTRY_COMPARE(nodeTexts(tree), (QStringList{"a", "zzz"}));
        QVERIFY(QFile::exists(other + "/a.swf"));
        QVERIFY(QFile::exists(f.values.FavoritesFolder + "/a.swf"));

        // Once listed, a node plays its own folder's file.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, nodeCentre(tree, 1));
        QCOMPARE(w.values().CurrentFlashPath, other + "/zzz.swf");
    }

    void favoritesPopupAndDelete() {
        MainWindowFixture f;
        for (const char* name : {"a.swf", "a.swf.swf", "b.swf"})
            writeBytes(f.values.FavoritesFolder + "/" + name, 10);
        MainWindow& w = f.open();
        auto* tree = f.find<QTreeWidget>("TreeView2");
        auto* men = f.find<QMenu>("men");
        QCOMPARE(nodeTexts(tree), (QStringList{"a", "a", "b"}));

        // The left button never opens the popup.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, nodeCentre(tree, 0));
        QVERIFY(!men->isVisible());
        QCOMPARE(w.values().CurrentFlashPath, f.values.FavoritesFolder + "/a.swf");

        // A right-click on the second node selects it; 删除 removes that node's file.
        QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, nodeCentre(tree, 1));
        QTRY_VERIFY(men->isVisible());
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1));
        QSignalSpy refilled(&w, &MainWindow::favoritesRefilled);
        f.find<QAction>("删除")->trigger();
        men->hide();
        QVERIFY(refilled.wait(5000));
        QVERIFY(!QFile::exists(f.values.FavoritesFolder + "/a.swf.swf"));
        QVERIFY(QFile::exists(f.values.FavoritesFolder + "/a.swf"));
        QCOMPARE(nodeTexts(tree), (QStringList{"a", "b"}));
        // The playing favorite is untouched by deleting another.
        QCOMPARE(w.values().CurrentFlashPath, f.values.FavoritesFolder + "/a.swf");

        // 取消 changes nothing.
        QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, nodeCentre(tree, 0));
        QTRY_VERIFY(men->isVisible());
        f.find<QAction>("取消")->trigger();
        QVERIFY(!men->isVisible());
        QCOMPARE(nodeTexts(tree), (QStringList{"a", "b"}));

        // Deleting the playing favorite keeps the player and the current path.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, nodeCentre(tree, 0));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        tree->setFocus();
        QTRY_VERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_D, Qt::ControlModifier); // Ctrl+D with the tree focused
        QVERIFY(refilled.wait(5000));
        QCOMPARE(nodeTexts(tree), (QStringList{"b"}));
        QCOMPARE(w.values().CurrentFlashPath, f.values.FavoritesFolder + "/a.swf");
        QCOMPARE(f.find<FlashPlayerWidget>("ShockwaveFlash1")->movie(),
                 f.values.FavoritesFolder + "/a.swf");
    }

    void rightClickOnEmptyTreeShowsNoMenu() {
        MainWindowFixture f;
        f.open();
        auto* tree = f.find<QTreeWidget>("TreeView2");
        QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTest::qWait(50);
        QVERIFY(!f.find<QMenu>("men")->isVisible());
    }

    void chooseFavoritesFolder() {
        MainWindowFixture f;
        writeBytes(f.values.FavoritesFolder + "/old.swf", 10);
        MainWindow& w = f.open();
        auto* tree = f.find<QTreeWidget>("TreeView2");
        auto* label = f.find<QLabel>("Label2");
        const QString before = f.values.FavoritesFolder;

        // Cancelled: nothing changes.
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(f.desktop.folderRequests, 1);
        QCOMPARE(w.values().FavoritesFolder, before);
        QCOMPARE(nodeTexts(tree), QStringList{"old"});

        // Another folder, through the picture beside the label: saved, shown, listed.
        const QString other = f.environment.root() + "/other";
        writeBytes(other + "/new.swf", 10);
        f.desktop.folderReplies << other;
        QSignalSpy refilled(&w, &MainWindow::favoritesRefilled);
        QTest::mouseClick(f.find<QLabel>("Image1"), Qt::LeftButton);
        QVERIFY(refilled.wait(5000));
        QCOMPARE(w.values().FavoritesFolder, other);
        QCOMPARE(f.settings->favoritesFolder(), other);
        QCOMPARE(label->toolTip(), "收藏文件夹:" + other);
        QCOMPARE(f.find<QLabel>("Image1")->toolTip(), "收藏文件夹:" + other);
        QCOMPARE(nodeTexts(tree), QStringList{"new"});
        QVERIFY(QFile::exists(before + "/old.swf"));

        // A folder that cannot be listed leaves an empty tree, consistently.
        f.desktop.folderReplies << f.environment.root() + "/missing";
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(refilled.wait(5000));
        QCOMPARE(tree->topLevelItemCount(), 0);
        QCOMPARE(f.find<QListWidget>("File2")->count(), 0);
        QCOMPARE(f.settings->favoritesFolder(), f.environment.root() + "/missing");
        QVERIFY(f.desktop.messages.isEmpty());

        // A choice that cannot be stored is said, and holds for this run all the same.
        f.settings->setFailing(true);
        f.desktop.folderReplies << other;
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(refilled.wait(5000));
        QCOMPARE(f.desktop.messages.size(), 1);
        QVERIFY(f.desktop.messages[0].error);
        QVERIFY2(f.desktop.messages[0].text.startsWith("收藏文件夹的设置保存失败："),
                 qPrintable(f.desktop.messages[0].text));
        QCOMPARE(w.values().FavoritesFolder, other);
        QCOMPARE(nodeTexts(tree), QStringList{"new"});
    }

    void newestFolderChoiceIsTheOneStored() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        const QString first = f.environment.root() + "/first";
        const QString second = f.environment.root() + "/second";
        f.desktop.folderReplies << first << second;
        auto* label = f.find<QLabel>("Label2");
        // The first choice's write stalls on a slow disk until the second has been made.
        f.settings->holdNextWrite();
        QTest::mouseClick(label, Qt::LeftButton);
        f.settings->waitForHeldWrite();
        QTest::mouseClick(label, Qt::LeftButton);
        QSignalSpy refilled(&w, &MainWindow::favoritesRefilled);
        f.settings->releaseWrite();
        QVERIFY(refilled.wait(5000));
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(f.settings->favoritesFolder(), second);
        QCOMPARE(w.values().FavoritesFolder, second);
        QVERIFY(f.desktop.messages.isEmpty());
    }

    void addToFavorites() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        // No current file: a beep and no dialog.
        w.runToolbarButton(8);
        QCOMPARE(f.desktop.beeps, 1);
        QVERIFY(!qApp->findChild<AddFavoriteDialog*>());
        const auto dialogs = [] {
            QList<AddFavoriteDialog*> found;
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<AddFavoriteDialog*>(top);
                    dialog && dialog->isVisible())
                    found << dialog;
            return found;
        };
        QVERIFY(dialogs().isEmpty());

        const QString source = f.environment.root() + "/clip.swf";
        writeBytes(source, 4321);
        w.values().CurrentFlashPath = source;
        f.find<QAction>("添加到收藏夹")->trigger();
        QCOMPARE(dialogs().size(), 1);
        AddFavoriteDialog* form2 = dialogs().first();
        QTest::keyClicks(form2->nameBox(), "abc");
        // A second 收藏 brings the same dialog forward with its text.
        w.runToolbarButton(8);
        QCOMPARE(dialogs().size(), 1);
        QCOMPARE(dialogs().first()->nameBox()->text(), QString("abc"));

        QSignalSpy refilled(&w, &MainWindow::favoritesRefilled);
        QTest::mouseClick(form2->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QVERIFY(refilled.wait(5000));
        QCOMPARE(QFileInfo(f.values.FavoritesFolder + "/abc.swf").size(), 4321);
        QCOMPARE(nodeTexts(f.find<QTreeWidget>("TreeView2")), QStringList{"abc"});
        QTRY_VERIFY(dialogs().isEmpty());
    }

    void pagesAndBanner() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        w.runToolbarButton(10);
        f.find<QAction>("在线帮助")->trigger();
        f.find<QAction>("访问作者主页")->trigger();
        QTest::mouseClick(f.find<QWidget>("Picture2"), Qt::LeftButton);
        QCOMPARE(f.desktop.openedUrls.size(), 4);
        QVERIFY(f.desktop.openedUrls[0].toString().endsWith("/03/reelcase/help.htm"));
        QCOMPARE(f.desktop.openedUrls[0], f.desktop.openedUrls[1]);
        QVERIFY(f.desktop.openedUrls[2].toString().endsWith("/01.htm"));
        QCOMPARE(f.desktop.openedUrls[2], f.desktop.openedUrls[3]);
        QCOMPARE(f.endings, 0);
    }

    void playAndStop() {
        MainWindowFixture f;
        MainWindow& w = f.open();
        auto* player = f.find<FlashPlayerWidget>("ShockwaveFlash1");
        // With nothing loaded both are harmless and say nothing.
        w.runToolbarButton(5);
        w.runToolbarButton(4);
        QVERIFY(f.desktop.messages.isEmpty());

        swf::write::SwfWriter movie({100, 100}, 12);
        movie.showFrame(5);
        const QString path = f.environment.root() + "/movie.swf";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(movie.finish());
        file.close();
        f.desktop.openReplies << path;
        QSignalSpy loaded(player, &FlashPlayerWidget::movieLoaded);
        f.find<QAction>("打开")->trigger();
        QVERIFY(loaded.wait(5000));
        QVERIFY(player->isPlaying());
        f.find<QAction>("停止")->trigger();
        QVERIFY(!player->isPlaying());
        f.find<QAction>("播放")->trigger();
        QVERIFY(player->isPlaying());
        QCOMPARE(player->movie(), path);
    }
};

QTEST_MAIN(CommandsTest)
#include "test_commands.moc"
