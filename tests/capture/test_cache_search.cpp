#include "cache_fixture.h"
#include "capture/cache_search.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace reelcase;
using reelcase::test::makeCacheFile;

namespace {

// Now, to the whole second, so that file times set from it compare exactly.
QDateTime wholeSecondNow() {
    return QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
}

// A search of the configured cache alone, with no browser caches to discover.
CacheSearchRequest ieOnly(const QString& cache, const QDateTime& now) {
    return {cache, {}, now, {}};
}

QStringList scannedPaths(const QString& cache, const QDateTime& now) {
    QStringList paths;
    scanCache(cache, now, [&](const FoundFlash& entry) { paths << entry.path; });
    return paths;
}

} // namespace

class CacheSearchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sizeAndAgeTests_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("expected");
        QTest::newRow("51200 bytes") << qint64(51200) << 60 << false;
        QTest::newRow("51201 bytes") << qint64(51201) << 60 << true;
        QTest::newRow("empty") << qint64(0) << 60 << false;
        QTest::newRow("119 minutes") << qint64(60000) << 119 * 60 << true;
        QTest::newRow("one second short of 120 minutes") << qint64(60000) << 120 * 60 - 1 << true;
        QTest::newRow("120 minutes") << qint64(60000) << 120 * 60 << false;
        QTest::newRow("a day") << qint64(60000) << 86400 << false;
        QTest::newRow("in the future") << qint64(60000) << -3600 << true;
        QTest::newRow("future but small") << qint64(100) << -3600 << false;
    }
    void sizeAndAgeTests() {
        QFETCH(qint64, size);
        QFETCH(int, ageSeconds);
        QFETCH(bool, expected);
        const QDateTime now = wholeSecondNow();
        QCOMPARE(qualifies(size, now.addSecs(-ageSeconds), now), expected);
        // The same instants expressed in UTC compare the same.
        QCOMPARE(qualifies(size, now.addSecs(-ageSeconds).toUTC(), now), expected);
    }

    void invalidTimesNeverQualify() {
        const QDateTime now = wholeSecondNow();
        QVERIFY(!qualifies(60000, QDateTime(), now));
        QVERIFY(!qualifies(60000, now, QDateTime()));
    }

    void contentFolder_data() {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Content.IE5 preferred to one sorting first")
            << QStringList{"Content.IE5", "AntiPhishing", "0_cache"} << "Content.IE5";
        QTest::newRow("Content.IE5 in another case")
            << QStringList{"Abc", "content.ie5"} << "content.ie5";
        QTest::newRow("else the first by name, case ignored")
            << QStringList{"beta", "Alpha", "gamma"} << "Alpha";
        QTest::newRow("lower case sorts with upper") << QStringList{"B", "a"} << "a";
        QTest::newRow("dot-folders are hidden") << QStringList{".aaa", "zzz"} << "zzz";
        QTest::newRow("no subfolder") << QStringList{} << QString();
    }
    void contentFolder() {
        QFETCH(QStringList, folders);
        QFETCH(QString, expected);
        QTemporaryDir cache;
        for (const QString& name : folders)
            QVERIFY(QDir(cache.path()).mkdir(name));
        QVERIFY(makeCacheFile(cache.filePath("aaa.swf"), 10, wholeSecondNow())); // a file
        QCOMPARE(findContentFolder(cache.path()),
                 expected.isEmpty() ? QString() : cache.filePath(expected));
    }

    void missingCacheFindsNothing() {
        QCOMPARE(findContentFolder(QString()), QString());
        QCOMPARE(findContentFolder("/nonexistent/reelcase-cache"), QString());
        QVERIFY(scannedPaths("/nonexistent/reelcase-cache", wholeSecondNow()).isEmpty());
    }

    // One tree with every way of qualifying and not qualifying; the scan must list
    // exactly the qualifying files, in folder then file name order, letter case ignored.
    void scanFindsQualifyingFilesInOrder() {
        QTemporaryDir cache;
        const QDateTime now = wholeSecondNow();
        const QDateTime recent = now.addSecs(-600);
        const QString content = cache.filePath("Content.IE5");
        const auto make = [&](const QString& relative, qint64 size, const QDateTime& when) {
            QVERIFY2(makeCacheFile(content + "/" + relative, size, when), qPrintable(relative));
        };
        make("bbb/zeta.swf", 60000, recent);
        make("bbb/Alpha.swf", 60000, recent);
        make("bbb/beta.SWF", 60000, recent);
        make("bbb/exact.swf", 51200, recent);
        make("bbb/old.swf", 60000, now.addSecs(-120 * 60));
        make("bbb/almost.swf", 60000, now.addSecs(-119 * 60));
        make("bbb/future.swf", 60000, now.addSecs(7200));
        make("bbb/.hidden.swf", 60000, recent);
        make("bbb/movie.swf.txt", 60000, recent);
        make("bbb/movie.flv", 60000, recent);
        make("bbb/deeper/deep.swf", 60000, recent);
        make("AAA/first.swf", 60000, recent);
        make("direct.swf", 60000, recent);
        make(".dot/hidden-folder.swf", 60000, recent);
        QVERIFY(makeCacheFile(cache.filePath("0_other/x/elsewhere.swf"), 60000, recent));
        QVERIFY(QDir(content).mkdir("ccc_empty"));

        const QStringList expected{
            content + "/AAA/first.swf", content + "/bbb/almost.swf", content + "/bbb/Alpha.swf",
            content + "/bbb/beta.SWF",  content + "/bbb/future.swf", content + "/bbb/zeta.swf",
        };
        QCOMPARE(scannedPaths(cache.path(), now), expected);
    }

    void sameSecondFilesAreBothListed() {
        QTemporaryDir cache;
        const QDateTime now = wholeSecondNow();
        const QDateTime when = now.addSecs(-60);
        const QString sub = cache.filePath("Content.IE5/X1Y2Z3W4");
        QVERIFY(makeCacheFile(sub + "/b.swf", 60000, when));
        QVERIFY(makeCacheFile(sub + "/a.swf", 60000, when));
        QList<FoundFlash> found;
        scanCache(cache.path(), now, [&](const FoundFlash& entry) { found << entry; });
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0].path, sub + "/a.swf");
        QCOMPARE(found[1].path, sub + "/b.swf");
        QCOMPARE(found[0].displayName, displayNameFor(when));
        QCOMPARE(found[1].displayName, found[0].displayName);
        QCOMPARE(found[0].displayName, when.toString("MMddHHmmss") + ".swf");
    }

    void unreadableSubfolderIsSkipped() {
        if (geteuid() == 0)
            QSKIP("root reads every folder");
        QTemporaryDir cache;
        const QDateTime now = wholeSecondNow();
        const QString content = cache.filePath("Content.IE5");
        QVERIFY(makeCacheFile(content + "/a/one.swf", 60000, now));
        QVERIFY(makeCacheFile(content + "/b/locked.swf", 60000, now));
        QVERIFY(makeCacheFile(content + "/c/three.swf", 60000, now));
        QVERIFY(makeCacheFile(content + "/c/unreadable.swf", 60000, now));
        QVERIFY(QFile::setPermissions(content + "/b", QFileDevice::Permissions()));
        QVERIFY(QFile::setPermissions(content + "/c/unreadable.swf", QFileDevice::Permissions()));
        const QStringList paths = scannedPaths(cache.path(), now);
        QFile::setPermissions(content + "/b", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
        QCOMPARE(paths, (QStringList{content + "/a/one.swf", content + "/c/three.swf"}));
    }

    void searchDeliversInScanOrderThenFinishes() {
        QTemporaryDir cache;
        const QDateTime now = wholeSecondNow();
        for (int folder = 0; folder < 6; ++folder)
            for (int file = 0; file < 5; ++file)
                QVERIFY(makeCacheFile(
                    cache.filePath(QString("Content.IE5/F%1/m%2.swf").arg(folder).arg(file)),
                    file % 2 ? 60000 : 100, now.addSecs(-file)));
        const QStringList expected = scannedPaths(cache.path(), now);
        QCOMPARE(expected.size(), 12);

        CacheSearch search;
        QStringList delivered;
        int finishedCount = -1;
        connect(&search, &CacheSearch::found, this, [&](const FoundFlash& entry) {
            QVERIFY(finishedCount < 0);
            delivered << entry.path;
        });
        connect(&search, &CacheSearch::finished, this, [&](int count) { finishedCount = count; });
        QSignalSpy finished(&search, &CacheSearch::finished);

        QVERIFY(search.start(ieOnly(cache.path(), now)));
        QVERIFY(search.isRunning());
        QVERIFY(!search.start(ieOnly(cache.path(), now))); // ignored while running
        QVERIFY(finished.wait());
        QCOMPARE(delivered, expected);
        QCOMPARE(finishedCount, 12);
        QVERIFY(!search.isRunning());

        // Done: a new search starts and lists the same entries once more.
        delivered.clear();
        finishedCount = -1;
        QVERIFY(search.start(ieOnly(cache.path(), now)));
        QVERIFY(finished.wait());
        QCOMPARE(delivered, expected);
    }

    void searchWithNothingFoundFinishesWithZero() {
        CacheSearch search;
        QSignalSpy found(&search, &CacheSearch::found);
        QSignalSpy finished(&search, &CacheSearch::finished);
        QVERIFY(search.start(ieOnly("/nonexistent/reelcase-cache", wholeSecondNow())));
        QVERIFY(finished.wait());
        QCOMPARE(finished.constFirst().constFirst().toInt(), 0);
        QCOMPARE(found.size(), 0);
    }

    void destroyingARunningSearchIsSafe() {
        QTemporaryDir cache;
        for (int i = 0; i < 50; ++i)
            QVERIFY(makeCacheFile(cache.filePath(QString("Content.IE5/F%1/m.swf").arg(i)), 60000,
                                  wholeSecondNow()));
        auto search = std::make_unique<CacheSearch>();
        QVERIFY(search->start(ieOnly(cache.path(), wholeSecondNow())));
        search.reset();
        QCoreApplication::processEvents(); // nothing may arrive for the deleted object
    }
};

QTEST_GUILESS_MAIN(CacheSearchTest)
#include "test_cache_search.moc"
