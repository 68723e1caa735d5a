#include "platform/settings_store.h"
#include "startup/environment.h"
#include "startup/main_routine.h"
#include "support/temp_environment.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace reelcase;

class StartupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstRunCreatesAndSavesDefaultFolder() {
        test::TempEnvironment temp;
        QtSettingsStore settings;
        QProcessEnvironment env;
        env.insert("HOME", temp.home());
        const SharedValues values = settleEnvironment(env, settings);
        QCOMPARE(values.WindowsFolder, temp.dataHome() + "/");
        QCOMPARE(values.FavoritesFolder, temp.dataHome() + "/reelcase");
        QVERIFY(QDir(values.FavoritesFolder).exists());
        QCOMPARE(settings.favoritesFolder(), values.FavoritesFolder);
        QVERIFY(values.CurrentFlashPath.isEmpty());
        // No cache configured anywhere.
        QCOMPARE(values.CacheFolder, QString());
    }

    void existingDefaultFolderCountsAsSuccess() {
        test::TempEnvironment temp;
        QtSettingsStore settings;
        QDir().mkpath(temp.dataHome() + "/reelcase");
        QFile keep(temp.dataHome() + "/reelcase/a.swf");
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.close();
        const SharedValues values = settleEnvironment({}, settings);
        QCOMPARE(values.FavoritesFolder, temp.dataHome() + "/reelcase");
        QVERIFY(QFile::exists(values.FavoritesFolder + "/a.swf"));
        QCOMPARE(settings.favoritesFolder(), values.FavoritesFolder);
    }

    void savedFolderIsUsedAsIs() {
        test::TempEnvironment temp;
        QtSettingsStore settings;
        QVERIFY(settings.setFavoritesFolder("/somewhere/that/does/not/exist"));
        const SharedValues values = settleEnvironment({}, settings);
        QCOMPARE(values.FavoritesFolder, QString("/somewhere/that/does/not/exist"));
        QVERIFY(!QDir(temp.dataHome() + "/reelcase").exists());
    }

    void uncreatableFolderStillSetsPath() {
        test::TempEnvironment temp;
        QtSettingsStore settings;
        // A file where the data folder should be makes the default folder impossible.
        QDir(temp.dataHome()).removeRecursively();
        QFile blocker(temp.dataHome());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const SharedValues values = settleEnvironment({}, settings);
        QCOMPARE(values.FavoritesFolder, temp.dataHome() + "/reelcase");
        QVERIFY(!QDir(values.FavoritesFolder).exists());
    }

    // What the desktop passes when it opens a movie with the program.
    void fileNamedOnTheCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");
        QTest::newRow("none") << QStringList{"reelcase"} << QString();
        QTest::newRow("absolute") << QStringList{"reelcase", "/m/a b.swf"} << "/m/a b.swf";
        QTest::newRow("relative") << QStringList{"reelcase", "x/../clip.swf"} << "/work/clip.swf";
        QTest::newRow("options are not files")
            << QStringList{"reelcase", "--verbose", "-x", "clip.swf"} << "/work/clip.swf";
        QTest::newRow("after --, a dash is a name")
            << QStringList{"reelcase", "--", "-odd.swf"} << "/work/-odd.swf";
        QTest::newRow("file URL") << QStringList{"reelcase", "file:///m/%E5%BD%B1.swf"}
                                  << "/m/影.swf";
    }
    void fileNamedOnTheCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        QCOMPARE(fileToOpen(arguments, "/work"), file);
    }

    void cacheFolderFromEnvironment() {
        test::TempEnvironment temp;
        QtSettingsStore settings;
        QProcessEnvironment env;
        env.insert("REELCASE_CACHE", "/var/cache/browser");
        QCOMPARE(settleEnvironment(env, settings).CacheFolder, QString("/var/cache/browser"));
    }
};

QTEST_GUILESS_MAIN(StartupTest)
#include "test_startup.moc"
