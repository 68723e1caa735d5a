#include "favorites/favorites_folder.h"
#include "support/temp_environment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace reelcase;

namespace {

void touch(const QString& path) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write("FWS");
}

} // namespace

class FavoritesFolderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listsSwfFilesInNameOrder() {
        QTemporaryDir dir;
        for (const char* name : {"b.swf", "A.swf", "x.SWF", "c.Swf", ".hidden.swf", "notes.txt",
                                 "swf", "a.swf.bak", "中文.swf"})
            touch(dir.filePath(QString::fromUtf8(name)));
        QVERIFY(QDir(dir.path()).mkdir("folder.swf"));
        QVERIFY(QFile::link(dir.filePath("b.swf"), dir.filePath("link.swf")));

        const QStringList expected{"A.swf", "b.swf", "c.Swf", "link.swf", "x.SWF", "中文.swf"};
        QCOMPARE(listFavoriteFiles(dir.path()), expected);
    }

    void unreadableFolderListsNothing() {
        QTemporaryDir dir;
        QCOMPARE(listFavoriteFiles(dir.filePath("missing")), QStringList());
        QCOMPARE(listFavoriteFiles(QString()), QStringList());
        touch(dir.filePath("plain.swf"));
        QCOMPARE(listFavoriteFiles(dir.filePath("plain.swf")), QStringList());
    }

    void nodeText_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "a.swf"
                               << "a";
        QTest::newRow("every occurrence") << "a.swf.swf"
                                          << "a";
        QTest::newRow("inside the name") << "x.swfy.swf"
                                         << "xy";
        QTest::newRow("case kept") << "x.SWF"
                                   << "x.SWF";
        QTest::newRow("mixed") << "Abc.SWF.swf"
                               << "Abc.SWF";
        QTest::newRow("only the extension") << ".swf"
                                            << "";
    }
    void nodeText() {
        QFETCH(QString, fileName);
        QFETCH(QString, expected);
        QCOMPARE(favoriteNodeText(fileName), expected);
    }

    void paths() {
        QCOMPARE(favoritePath("/home/bob/fav", "a.swf"), QString("/home/bob/fav/a.swf"));
        QCOMPARE(favoritePath("/", "a.swf"), QString("/a.swf"));
    }

    void usableNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("usable");
        const QString longest(255 - 4, QLatin1Char('x'));
        QTest::newRow("plain") << "abc" << true;
        QTest::newRow("own extension") << "abc.swf" << true;
        QTest::newRow("upper extension") << "Abc.SWF" << true;
        QTest::newRow("spaces only") << "   " << true;
        QTest::newRow("backslash and colon") << "a\\b:c" << true;
        QTest::newRow("chinese") << "我的动画" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("slash") << "a/b" << false;
        QTest::newRow("dot") << "." << false;
        QTest::newRow("dot dot") << ".." << false;
        QTest::newRow("hidden") << ".abc" << false;
        QTest::newRow("nul") << QString("a") + QChar(u'\0') + "b" << false;
        QTest::newRow("longest") << longest << true;
        QTest::newRow("one byte too long") << longest + "x" << false;
        // Three bytes each in UTF-8: 83 of them make 249 + 4 bytes, 84 make 256.
        QTest::newRow("multibyte fits") << QString(83, QChar(0x5f71)) << true;
        QTest::newRow("multibyte too long") << QString(84, QChar(0x5f71)) << false;
    }
    void usableNames() {
        QFETCH(QString, name);
        QFETCH(bool, usable);
        QCOMPARE(isUsableFavoriteName(name), usable);
    }

    // Every name the check lets through can really be created in a folder.
    void usableNamesCanBeWritten() {
        QTemporaryDir dir;
        for (const QString& name :
             {QString("   "), QString("a\\b:c"), QString(251, 'x'), QString(83, QChar(0x5f71))}) {
            QVERIFY(isUsableFavoriteName(name));
            QFile f(favoritePath(dir.path(), name + ".swf"));
            QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(f.errorString()));
        }
    }

    void removeGoesToTrash() {
        test::TempEnvironment env;
        QTemporaryDir dir(env.home() + "/favXXXXXX");
        const QString path = dir.filePath("a.swf");
        touch(path);

        QVERIFY(removeFavoriteFile(path));
        QVERIFY(!QFile::exists(path));
        QVERIFY(QFile::exists(env.dataHome() + "/Trash/files/a.swf"));
    }

    void removeKeepsWhatItCannotRemove() {
        QTemporaryDir dir;
        QVERIFY(!removeFavoriteFile(dir.filePath("gone.swf")));
        QVERIFY(QDir(dir.path()).mkdir("folder.swf"));
        QVERIFY(!removeFavoriteFile(dir.filePath("folder.swf")));
        QVERIFY(QFileInfo(dir.filePath("folder.swf")).isDir());
    }
};

QTEST_GUILESS_MAIN(FavoritesFolderTest)
#include "test_favorites_folder.moc"
