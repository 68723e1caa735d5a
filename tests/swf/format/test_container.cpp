#include "swf/format/container.h"
#include "swf/player/player.h"
#include "swfwriter/writer.h"

#include <QTest>

using namespace reelcase::swf;

namespace {

QByteArray sampleMovie(Compression compression) {
    write::SwfWriter w({200, 100}, 24, 10);
    w.background(QColor(10, 20, 30));
    write::ShapeBuilder s;
    s.rect({10, 10, 50, 50}, s.addFill(write::solid(Qt::red)));
    const auto id = w.defineShape(s);
    w.place({.depth = 1, .character = id});
    w.showFrame(3);
    return w.finish(compression);
}

void put32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>(v >> (8 * i));
}

} // namespace

class TestSwfContainer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsEveryCompression_data() {
        QTest::addColumn<int>("compression");
        QTest::newRow("FWS") << int(Compression::None);
        QTest::newRow("CWS") << int(Compression::Zlib);
        QTest::newRow("ZWS") << int(Compression::Lzma);
    }
    void readsEveryCompression() {
        QFETCH(int, compression);
        const QByteArray file = sampleMovie(Compression(compression));
        LoadError error;
        auto movie = parseMovie(file, &error);
        QVERIFY2(movie, qPrintable(error.reason));
        Player player;
        player.setMovie(movie);
        QCOMPARE(player.version(), 10);
        QCOMPARE(player.frameRate(), 24.0);
        QCOMPARE(player.frameIntervalMs(), 42);
        QCOMPARE(player.frameCount(), 3);
        QCOMPARE(player.stageRect(), QRectF(0, 0, 200, 100));
        QCOMPARE(player.backgroundColor(), QColor(10, 20, 30));
    }

    void rejectsHostileInput_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("reason");
        const QByteArray fws = sampleMovie(Compression::None);
        const QByteArray cws = sampleMovie(Compression::Zlib);
        const QByteArray zws = sampleMovie(Compression::Lzma);
        QTest::newRow("empty") << QByteArray() << "too short";
        QTest::newRow("wrong signature") << QByteArray("GIF89a").append(fws.mid(6)) << "signature";
        QTest::newRow("header only") << fws.left(8) << "header";
        QTest::newRow("cut in the stage rect") << fws.left(10) << "header";
        QByteArray absurd = fws;
        put32(absurd, 4, 0xffffffffu);
        QTest::newRow("absurd length") << absurd << "limit";
        QByteArray tiny = fws;
        put32(tiny, 4, 3);
        QTest::newRow("length below header") << tiny << "smaller";
        QByteArray brokenZlib = cws;
        for (int i = 10; i < brokenZlib.size(); ++i)
            brokenZlib[i] = static_cast<char>(0xff);
        QTest::newRow("broken zlib") << brokenZlib << "zlib";
        QByteArray brokenLzma = zws;
        for (int i = 20; i < brokenLzma.size(); ++i)
            brokenLzma[i] = static_cast<char>(0xA5 ^ i);
        QTest::newRow("broken lzma") << brokenLzma << "LZMA";
        QByteArray badProps = zws;
        badProps[12] = static_cast<char>(0xff); // lc/lp/pb out of range
        QTest::newRow("bad lzma properties") << badProps << "LZMA";
    }
    void rejectsHostileInput() {
        QFETCH(QByteArray, file);
        QFETCH(QString, reason);
        LoadError error;
        QVERIFY(!parseMovie(file, &error));
        QVERIFY2(error.reason.contains(reason, Qt::CaseInsensitive), qPrintable(error.reason));
        QVERIFY(error.offset >= 0);
    }

    // A file cut short (a download in progress) plays the frames it has.
    void truncatedBodyKeepsWholeFrames_data() {
        QTest::addColumn<int>("compression");
        QTest::newRow("FWS") << int(Compression::None);
        QTest::newRow("CWS") << int(Compression::Zlib);
    }
    void truncatedBodyKeepsWholeFrames() {
        QFETCH(int, compression);
        const QByteArray file = sampleMovie(Compression(compression));
        const QByteArray cut = file.left(file.size() - 3);
        LoadError error;
        auto movie = parseMovie(cut, &error);
        QVERIFY2(movie, qPrintable(error.reason));
        Player player;
        player.setMovie(movie);
        QVERIFY(player.frameCount() >= 1);
    }

    void capsTheDecompressedBody() {
        const QByteArray file = sampleMovie(Compression::Zlib);
        LoadError error;
        QVERIFY(!readContainer(file, &error, 20));
        QVERIFY(error.reason.contains("limit"));
        QVERIFY(readContainer(file, &error));
    }
};

QTEST_GUILESS_MAIN(TestSwfContainer)
#include "test_container.moc"
