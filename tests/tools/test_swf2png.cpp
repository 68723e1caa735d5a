#include "tools/tool_fixtures.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace reelcase::test;

namespace {

ToolRun swf2png(const QStringList& args) {
    return runTool(QStringLiteral(SWF2PNG_PATH), args);
}

} // namespace

class TestSwf2Png : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString file(const QString& name, const QByteArray& content) {
        return writeFile(m_dir.filePath(name), content);
    }

private Q_SLOTS:
    void writesTheStage_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("redAt");
        QTest::addColumn<QPoint>("greenAt");
        QTest::newRow("defaults") << QStringList{} << QSize(64, 48) << QPoint(15, 15)
                                  << QPoint(45, 15);
        QTest::newRow("scale 2") << QStringList{"--scale", "2"} << QSize(128, 96) << QPoint(30, 30)
                                 << QPoint(5, 5);
        QTest::newRow("frame 2") << QStringList{"--frames", "2"} << QSize(64, 48) << QPoint(45, 15)
                                 << QPoint(15, 15);
        QTest::newRow("low quality") << QStringList{"--quality", "low", "--scale", "0.5"}
                                     << QSize(32, 24) << QPoint(10, 10) << QPoint(2, 2);
    }
    void writesTheStage() {
        QFETCH(QStringList, options);
        QFETCH(QSize, size);
        QFETCH(QPoint, redAt);
        QFETCH(QPoint, greenAt);
        const QString in = file("movie.swf", movingSquareMovie());
        const QString out = m_dir.filePath("out.png");
        QFile::remove(out);
        const ToolRun run = swf2png(options + QStringList{in, out});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.isEmpty());
        const QImage img(out);
        QCOMPARE(img.size(), size);
        QCOMPARE(QColor(img.pixel(redAt)), QColor(255, 0, 0));
        QCOMPARE(QColor(img.pixel(greenAt)), QColor(0, 128, 0));
    }

    void failsCleanly_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        const QString out = m_dir.filePath("never.png");
        QTest::newRow("missing file")
            << QStringList{m_dir.filePath("nope.swf"), out} << 1 << "cannot read";
        QTest::newRow("not a swf")
            << QStringList{file("text.swf", "hello, world"), out} << 1 << "signature";
        QByteArray broken = movingSquareMovie();
        broken.truncate(12);
        QTest::newRow("broken zlib")
            << QStringList{file("broken.swf", broken), out} << 1 << "header";
        QTest::newRow("no output")
            << QStringList{file("ok.swf", movingSquareMovie())} << 2 << "expected";
        QTest::newRow("bad quality")
            << QStringList{"--quality", "ultra", file("ok.swf", movingSquareMovie()), out} << 2
            << "quality";
        QTest::newRow("bad frames")
            << QStringList{"--frames", "0", file("ok.swf", movingSquareMovie()), out} << 2
            << "frames";
    }
    void failsCleanly() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        verifyOneLineFailure(swf2png(args), exitCode, says);
        QVERIFY(!QFile::exists(m_dir.filePath("never.png")));
    }
};

QTEST_GUILESS_MAIN(TestSwf2Png)
#include "test_swf2png.moc"
