#include "capture/cache_search.h"
#include "demo_cache.h"
#include "demo_movies.h"
#include "swf/player/player.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace reelcase;
using namespace reelcase::democache;

namespace {

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

bool writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

class DemoCacheTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The search finds exactly the sample animations, and each of them is a movie that
    // plays more than one frame.
    void searchFindsTheSamples() {
        QTemporaryDir root;
        const QString dest = root.filePath("demo");
        const QDateTime now = QDateTime::currentDateTime();
        const DemoCacheResult result = generateDemoCache(dest, now);
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QCOMPARE(result.expected.size(), qsizetype(demoMovies().size()));

        QStringList found, names;
        scanCache(dest, now, [&](const FoundFlash& entry) {
            found << entry.path;
            names << entry.displayName;
        });
        QCOMPARE(sorted(found), sorted(result.expected));
        names.removeDuplicates();
        QCOMPARE(names.size(), found.size()); // written apart: every name differs

        for (const QString& path : found) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            swf::LoadError error;
            const auto movie = swf::parseMovie(file.readAll(), &error);
            QVERIFY2(movie, qPrintable(path + ": " + error.reason));
            swf::Player player;
            player.setMovie(movie);
            QVERIFY(player.frameCount() > 1);
        }
    }

    void replacesOnlyItsOwnFolder() {
        QTemporaryDir root;
        const QString dest = root.filePath("demo");
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(generateDemoCache(dest, now).error.isEmpty());
        QVERIFY(writeText(dest + "/stale.txt", "left from last time"));
        const DemoCacheResult again = generateDemoCache(dest, now);
        QVERIFY2(again.error.isEmpty(), qPrintable(again.error));
        QVERIFY(!QFile::exists(dest + "/stale.txt"));
        QVERIFY(QFile::exists(dest + "/" + kMarkerFile));

        // An empty folder is taken as it is.
        const QString empty = root.filePath("empty");
        QVERIFY(QDir().mkdir(empty));
        QVERIFY(generateDemoCache(empty, now).error.isEmpty());
    }

    void refusesForeignDestinations_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder with files") << "folder";
        QTest::newRow("marker is a folder") << "marker folder";
        QTest::newRow("a file") << "file";
        QTest::newRow("link to a demo cache") << "link";
    }
    void refusesForeignDestinations() {
        QFETCH(QString, kind);
        QTemporaryDir root;
        const QString dest = root.filePath("dest");
        const QString precious = dest + "/precious.txt";
        if (kind == "file") {
            QVERIFY(writeText(dest, "a file"));
        } else if (kind == "link") {
            const QString real = root.filePath("real");
            QVERIFY(generateDemoCache(real, QDateTime::currentDateTime()).error.isEmpty());
            QVERIFY(QFile::link(real, dest));
        } else {
            QVERIFY(QDir().mkpath(dest));
            QVERIFY(writeText(precious, "keep me"));
            if (kind == "marker folder")
                QVERIFY(QDir(dest).mkdir(kMarkerFile));
        }
        const DemoCacheResult result = generateDemoCache(dest, QDateTime::currentDateTime());
        QVERIFY(!result.error.isEmpty());
        QVERIFY(result.expected.isEmpty());
        if (kind == "file" || kind == "link")
            QVERIFY(QFileInfo(dest).exists());
        else
            QVERIFY(QFile::exists(precious));
    }
};

QTEST_GUILESS_MAIN(DemoCacheTest)
#include "test_demo_cache.moc"
