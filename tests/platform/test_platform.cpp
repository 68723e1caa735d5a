#include "platform/browser_cache_locator.h"
#include "platform/latest_write.h"
#include "platform/safe_file_copy.h"
#include "platform/settings_store.h"
#include "support/file_contents.h"
#include "support/read_only_folder.h"
#include "support/temp_environment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace reelcase;
using reelcase::test::readFile;
using reelcase::test::writeFile;

namespace {

const char* kUserReg = R"(WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1700000000
#time=1d9f0c0c0c0c0c0
"AppData"="C:\\users\\bob\\AppData\\Roaming"
"Cache"="C:\\users\\bob\\AppData\\Local\\Microsoft\\Windows\\INetCache"
"Cookies"="C:\\users\\bob\\AppData\\Roaming\\Microsoft\\Windows\\Cookies"

[Software\\Other] 1700000000
"Cache"="C:\\wrong"
)";

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Writes of one setting from worker threads: whatever order the threads run in, the
    // newest value is the one left stored.
    void onlyTheNewestWriteOfASettingRuns() {
        LatestWrite gate;
        const quint64 first = gate.ticket();
        const quint64 second = gate.ticket();
        QStringList written;
        QVERIFY(gate.runIfLatest(second, [&] { written << "second"; }));
        QVERIFY(!gate.runIfLatest(first, [&] { written << "first"; })); // ran late: skipped
        QCOMPARE(written, QStringList{"second"});
        QVERIFY(gate.isLatest(second) && !gate.isLatest(first));
    }

    void registryValueIsUnescaped_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("wine layout")
            << QString::fromUtf8(kUserReg)
            << "C:\\users\\bob\\AppData\\Local\\Microsoft\\Windows\\INetCache";
        QTest::newRow("name case and unicode escape")
            << "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders]\n"
               "\"cache\"=\"D:\\\\\\x7f13\\x5b58\"\n"
            << QString::fromUtf8("D:\\缓存");
        QTest::newRow("expandable string") << "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion"
                                              "\\\\Explorer\\\\Shell Folders]\r\n"
                                              "\"Cache\"=str(2):\"C:\\\\temp\"\r\n"
                                           << "C:\\temp";
        QTest::newRow("value under another key only")
            << "[Software\\\\Other]\n\"Cache\"=\"C:\\\\x\"\n"
            << QString();
        QTest::newRow("unterminated quote") << "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion"
                                               "\\\\Explorer\\\\Shell Folders]\n\"Cache\"=\"C:\\\\x"
                                            << QString();
    }
    void registryValueIsUnescaped() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(shellFoldersCacheValue(text), expected);
    }

    void windowsPathMapsOntoPrefix() {
        QCOMPARE(mapWindowsPathToPrefix("C:\\users\\bob\\Cache\\", "/p"),
                 QString("/p/drive_c/users/bob/Cache"));
        QCOMPARE(mapWindowsPathToPrefix("e:\\Cache", "/p"), QString("/p/dosdevices/e:/Cache"));
        QCOMPARE(mapWindowsPathToPrefix("\\\\server\\share", "/p"), QString());
        QCOMPARE(mapWindowsPathToPrefix("", "/p"), QString());
    }

    void locatorOrder() {
        QTemporaryDir prefix;
        writeFile(prefix.path() + "/user.reg", kUserReg);
        QProcessEnvironment env;
        env.insert("HOME", "/nonexistent-home");
        QCOMPARE(locateBrowserCache(env), QString());

        env.insert("WINEPREFIX", prefix.path() + "/");
        QCOMPARE(locateBrowserCache(env),
                 prefix.path() + "/drive_c/users/bob/AppData/Local/Microsoft/Windows/INetCache");

        env.insert("REELCASE_CACHE", "");
        QVERIFY(!locateBrowserCache(env).isEmpty());
        env.insert("REELCASE_CACHE", "/my/cache");
        QCOMPARE(locateBrowserCache(env), QString("/my/cache"));
    }

    void favoritesSettingRoundTrip() {
        test::TempEnvironment temp;
        QtSettingsStore settings;
        QCOMPARE(settings.favoritesFolder(), QString());
        QVERIFY(settings.setFavoritesFolder(QString::fromUtf8("/home/x/收藏 夹")));
        QCOMPARE(settings.favoritesFolder(), QString::fromUtf8("/home/x/收藏 夹"));
        QVERIFY(QFile::exists(temp.configHome() + "/reelkit/reelkit.ini"));

        // A settings folder that cannot be written: refused, with the file named.
        const test::ReadOnlyFolder locked(temp.configHome() + "/reelkit");
        if (!locked.isReadOnly())
            QSKIP("no way to make a folder read-only here");
        QString why;
        QVERIFY(!settings.setFavoritesFolder("/elsewhere", &why));
        QVERIFY2(why.contains("reelkit.ini"), qPrintable(why));
        QVERIFY(!readFile(temp.configHome() + "/reelkit/reelkit.ini").contains("elsewhere"));
    }

    void safeCopy() {
        QTemporaryDir dir;
        const QString src = dir.filePath("src.swf");
        const QString dst = dir.filePath("dst.swf");
        writeFile(src, QByteArray(300000, 'a'));

        // A fresh copy, then a replacement of an existing file.
        QVERIFY(copyFileSafely(src, dst).ok);
        QCOMPARE(readFile(dst), QByteArray(300000, 'a'));
        writeFile(src, "new");
        QVERIFY(copyFileSafely(src, dst).ok);
        QCOMPARE(readFile(dst), QByteArray("new"));

        // Onto itself: intact.
        QVERIFY(copyFileSafely(src, src).ok);
        QCOMPARE(readFile(src), QByteArray("new"));

        // A missing source leaves the destination untouched and says why.
        const CopyResult missing = copyFileSafely(dir.filePath("gone.swf"), dst);
        QVERIFY(!missing.ok);
        QVERIFY(!missing.error.isEmpty());
        QCOMPARE(readFile(dst), QByteArray("new"));

        // A destination folder that is not writable: no partial file, nothing replaced.
        QDir().mkpath(dir.filePath("locked"));
        writeFile(dir.filePath("locked/keep.swf"), "old");
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        const bool canWriteAnyway = QFile(dir.filePath("locked/probe")).open(QIODevice::WriteOnly);
        if (!canWriteAnyway) {
            QVERIFY(!copyFileSafely(src, dir.filePath("locked/keep.swf")).ok);
            QCOMPARE(readFile(dir.filePath("locked/keep.swf")), QByteArray("old"));
            QCOMPARE(QDir(dir.filePath("locked")).entryList(QDir::Files | QDir::Hidden).size(), 1);
        }
        QFile::setPermissions(dir.filePath("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // A destination that is a folder is refused.
        QVERIFY(!copyFileSafely(src, dir.filePath("locked")).ok);
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "test_platform.moc"
