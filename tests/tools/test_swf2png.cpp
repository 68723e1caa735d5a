#include "swfwriter/writer.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace reelcase::swf;

namespace {

struct Run {
    int exitCode = -1;
    QString stderrText;
};

Run swf2png(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(SWF2PNG_PATH), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

// 64 x 48 stage, green background, a red square at (10,10)-(30,30) that moves to the right
// by 20 px on frame 2.
QByteArray movie() {
    write::SwfWriter w({64, 48});
    w.background(QColor(0, 128, 0));
    write::ShapeBuilder s;
    s.rect({10, 10, 20, 20}, s.addFill(write::solid(Qt::red)));
    const auto id = w.defineShape(s);
    w.place({.depth = 1, .character = id});
    w.showFrame();
    w.place({.depth = 1, .move = true, .matrix = QTransform::fromTranslate(20, 0)});
    w.showFrame();
    return w.finish(Compression::Zlib);
}

} // namespace

class TestSwf2Png : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString file(const QString& name, const QByteArray& content) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
        return path;
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
        const QString in = file("movie.swf", movie());
        const QString out = m_dir.filePath("out.png");
        QFile::remove(out);
        const Run run = swf2png(options + QStringList{in, out});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.stderrText.isEmpty());
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
        QByteArray broken = movie();
        broken.truncate(12);
        QTest::newRow("broken zlib")
            << QStringList{file("broken.swf", broken), out} << 1 << "header";
        QTest::newRow("no output") << QStringList{file("ok.swf", movie())} << 2 << "expected";
        QTest::newRow("bad quality")
            << QStringList{"--quality", "ultra", file("ok.swf", movie()), out} << 2 << "quality";
        QTest::newRow("bad frames")
            << QStringList{"--frames", "0", file("ok.swf", movie()), out} << 2 << "frames";
    }
    void failsCleanly() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const Run run = swf2png(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.stderrText.contains(says), qPrintable(run.stderrText));
        QCOMPARE(run.stderrText.trimmed().count('\n'), 0);
        QVERIFY(!QFile::exists(m_dir.filePath("never.png")));
    }
};

QTEST_GUILESS_MAIN(TestSwf2Png)
#include "test_swf2png.moc"
