#include "cache_fixture.h"
#include "capture/cache_search.h"
#include "capture/file_local_time.h"

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
        const QString path = dir.filePath("movie.swf");
        QVERIFY(makeCacheFile(path, 60000, now.addSecs(-ageSeconds).addMSecs(500)));

        const QDateTime local = fileLocalTime(path);
        QVERIFY(local.isValid());
        QCOMPARE(local.time().msec(), 0);
        QCOMPARE(displayNameFor(local), name);
        QCOMPARE(qualifies(60000, local, now.toLocalTime()), listed);
    }

    void shanghaiExample() {
        setZone("Asia/Shanghai");
        QTemporaryDir dir;
        const QString path = dir.filePath("a.swf");
        QVERIFY(makeCacheFile(path, 60000, utc(2026, 12, 6, 6, 5, 9)));
        QCOMPARE(displayNameFor(fileLocalTime(path)), QStringLiteral("1206140509.swf"));
    }

    void missingFileHasNoTime() {
        QVERIFY(!fileLocalTime(QStringLiteral("/nonexistent/reelcase/a.swf")).isValid());
    }
};

QTEST_GUILESS_MAIN(FileLocalTimeTest)
#include "test_file_local_time.moc"
