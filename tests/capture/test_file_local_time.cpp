// The time a search names and judges an Internet Explorer file by: its local wall-clock
// write time.
#include "cache_fixture.h"
#include "capture/cache_search.h"

#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace reelcase;
using reelcase::test::makeCacheFile;

namespace {

void setZone(const QByteArray& zone) {
    qputenv("TZ", zone);
    tzset();
}

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::UTC);
}

// The write time the scan reads for the one file of cache, whatever its age.
QDateTime scannedTime(const QString& cache, const QDateTime& now) {
    QDateTime written;
    scanIeCache(cache, now, false, [&](const IeCacheFile& file) { written = file.written; });
    return written;
}

bool listed(const QString& cache, const QDateTime& now) {
    bool found = false;
    scanCache(cache, now, [&](const FoundFlash&) { found = true; });
    return found;
}

} // namespace

class FileLocalTimeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { setZone("UTC"); }

    // The name is the wall clock at the moment of writing, daylight saving included, and
    // a file written 70 minutes before now is 70 minutes old whatever the zone.
    void wallClockName_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("listed");
        QTest::newRow("UTC+8, milliseconds dropped")
            << QByteArray("Asia/Shanghai") << utc(2026, 12, 6, 7, 0, 0) << 3290 << "1206140510.swf"
            << true;
        QTest::newRow("Berlin summer time")
            << QByteArray("Europe/Berlin") << utc(2026, 7, 1, 10, 0, 0) << 70 * 60
            << "0701105000.swf" << true;
        QTest::newRow("Sydney summer time in December")
            << QByteArray("Australia/Sydney") << utc(2026, 12, 7, 1, 0, 0) << 70 * 60
            << "1207105000.swf" << true;
        QTest::newRow("New York summer, 119 minutes")
            << QByteArray("America/New_York") << utc(2026, 8, 15, 16, 0, 0) << 119 * 60
            << "0815100100.swf" << true;
        QTest::newRow("New York summer, 121 minutes")
            << QByteArray("America/New_York") << utc(2026, 8, 15, 16, 0, 0) << 121 * 60
            << "0815095900.swf" << false;
        QTest::newRow("written in winter time, read in summer time")
            << QByteArray("Europe/Berlin") << utc(2026, 3, 29, 1, 30, 0) << 60 * 60
            << "0329013000.swf" << true;
        QTest::newRow("across the year")
            << QByteArray("Asia/Shanghai") << utc(2026, 12, 31, 17, 30, 0) << 60 * 60
            << "0101003000.swf" << true;
    }
    void wallClockName() {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, now);
        QFETCH(int, ageSeconds);
        QFETCH(QString, name);
        QFETCH(bool, listed);
        setZone(zone);
        QTemporaryDir dir;
        QVERIFY(makeCacheFile(dir.filePath("Content.IE5/A1/movie.swf"), 60000,
                              now.addSecs(-ageSeconds).addMSecs(500)));

        const QDateTime local = scannedTime(dir.path(), now.toLocalTime());
        QVERIFY(local.isValid());
        QCOMPARE(local.time().msec(), 0);
        QCOMPARE(displayNameFor(local), name);
        QCOMPARE(::listed(dir.path(), now.toLocalTime()), listed);
    }

    void shanghaiExample() {
        setZone("Asia/Shanghai");
        QTemporaryDir dir;
        const QDateTime written = utc(2026, 12, 6, 6, 5, 9);
        QVERIFY(makeCacheFile(dir.filePath("Content.IE5/A1/a.swf"), 60000, written));
        QList<FoundFlash> found;
        scanCache(dir.path(), written.addSecs(60),
                  [&](const FoundFlash& entry) { found << entry; });
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0].displayName, QStringLiteral("1206140509.swf"));
    }
};

QTEST_GUILESS_MAIN(FileLocalTimeTest)
#include "test_file_local_time.moc"
