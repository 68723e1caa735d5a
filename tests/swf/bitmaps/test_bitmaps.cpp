#include "swf/bitmaps/bitmap_character.h"
#include "swf/bitmaps/bitmap_decoder.h"
#include "swf/bitmaps/jpeg_data.h"
#include "swf/swf_fixtures.h"
#include "swfwriter/writer_media.h"

#include <QBuffer>
#include <QPainter>
#include <QTest>

#include <algorithm>
#include <zlib.h>

using namespace reelcase::swf;
namespace test = reelcase::test;

namespace {

QByteArray zlib(const QByteArray& raw) {
    return qCompress(raw).mid(4); // qCompress prefixes the length; the rest is a zlib stream
}

QByteArray u16(int v) {
    return QByteArray().append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

QByteArray u32(quint32 v) {
    return u16(int(v & 0xFFFF)) + u16(int(v >> 16));
}

QByteArray losslessBody(int format, int width, int height, int colours, const QByteArray& raw) {
    QByteArray body;
    body.append(char(format)).append(u16(width)).append(u16(height));
    if (format == 3)
        body.append(char(colours - 1));
    return body + zlib(raw);
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

bool near(QRgb actual, QRgb expected, int tolerance) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance &&
           std::abs(qAlpha(actual) - qAlpha(expected)) <= tolerance;
}

void checkTestCard(const QImage& image, int scale, int tolerance) {
    QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(image.size(), QSize(2 * scale, 2 * scale));
    const int c = scale / 2;
    QVERIFY2(near(image.pixel(c, c), qRgb(255, 0, 0), tolerance), "top left is red");
    QVERIFY2(near(image.pixel(scale + c, c), qRgb(0, 255, 0), tolerance), "top right is green");
    QVERIFY2(near(image.pixel(c, scale + c), qRgb(0, 0, 255), tolerance), "bottom left blue");
    QVERIFY2(near(image.pixel(scale + c, scale + c), qRgb(255, 255, 255), tolerance),
             "bottom right white");
}

// Qt writes no GIF, so this encodes one: a 4-colour palette and LZW codes of a constant
// 3 bits (a clear code after every two pixels keeps the code table from growing).
QByteArray gifOf(const QImage& image) {
    const QRgb palette[4] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                             qRgb(255, 255, 255)};
    QByteArray gif("GIF89a");
    gif += u16(image.width()) + u16(image.height());
    gif.append(char(0x81)).append(char(0)).append(char(0)); // global table of 4 entries
    for (QRgb c : palette)
        gif.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    gif.append(',');
    gif += u16(0) + u16(0) + u16(image.width()) + u16(image.height());
    gif.append(char(0)).append(char(2)); // no local table; minimum code size 2
    QByteArray codes;
    quint32 bits = 0;
    int bitCount = 0;
    auto emit = [&](int code) {
        bits |= quint32(code) << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            codes.append(char(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x, ++n) {
            if (n % 2 == 0)
                emit(4);
            const QRgb p = image.pixel(x, y) | 0xFF000000u;
            emit(int(std::find(palette, palette + 4, p) - palette));
        }
    }
    emit(5);
    if (bitCount > 0)
        codes.append(char(bits & 0xFF));
    for (qsizetype i = 0; i < codes.size(); i += 255) {
        const QByteArray block = codes.mid(i, 255);
        gif.append(char(block.size())).append(block);
    }
    gif.append(char(0)).append(';');
    return gif;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk;
    const quint32 n = quint32(data.size());
    chunk.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    const QByteArray typed = QByteArray(type) + data;
    const quint32 crc =
        quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size())));
    chunk += typed;
    chunk.append(char(crc >> 24)).append(char(crc >> 16)).append(char(crc >> 8)).append(char(crc));
    return chunk;
}

} // namespace

class BitmapsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every lossless format decodes to the same premultiplied pixels, row padding included
    // (width 3 pads the 8- and 15-bit rows).
    void losslessFormats_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("withAlpha");
        QTest::addColumn<QList<QRgb>>("expected"); // row-major, 3 x 2

        const QList<QRgb> opaque{qRgb(255, 0, 0),     qRgb(0, 255, 0), qRgb(0, 0, 255),
                                 qRgb(255, 255, 255), qRgb(0, 0, 0),   qRgb(255, 0, 0)};
        {
            QByteArray raw("\xFF\x00\x00"
                           "\x00\xFF\x00"
                           "\x00\x00\xFF"
                           "\xFF\xFF\xFF"
                           "\x00\x00\x00",
                           15);
            raw += QByteArray("\x00\x01\x02\x00"
                              "\x03\x04\x00\x00",
                              8);
            QTest::newRow("8-bit colour map") << losslessBody(3, 3, 2, 5, raw) << false << opaque;
        }
        {
            QByteArray raw;
            for (int v : {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x0000, 0x7C00}) {
                raw.append(char(v >> 8)).append(char(v & 0xFF));
                if (raw.size() == 6 || raw.size() == 14)
                    raw.append(QByteArray(2, 0)); // pad 6 bytes to 8
            }
            QTest::newRow("15-bit") << losslessBody(4, 3, 2, 0, raw) << false << opaque;
        }
        {
            QByteArray raw;
            for (QRgb c : opaque)
                raw.append(char(0))
                    .append(char(qRed(c)))
                    .append(char(qGreen(c)))
                    .append(char(qBlue(c)));
            QTest::newRow("24-bit") << losslessBody(5, 3, 2, 0, raw) << false << opaque;
        }
        const QList<QRgb> translucent{qRgba(128, 0, 0, 128), qRgba(0, 0, 0, 0),
                                      qRgb(0, 0, 255),       qRgba(64, 64, 64, 64),
                                      qRgba(0, 0, 0, 0),     qRgba(128, 0, 0, 128)};
        {
            QByteArray raw("\x80\x00\x00\x80"
                           "\x00\x00\x00\x00"
                           "\x00\x00\xFF\xFF"
                           "\x40\x40\x40\x40",
                           16);
            raw += QByteArray("\x00\x01\x02\x00"
                              "\x03\x01\x00\x00",
                              8);
            QTest::newRow("8-bit colour map with alpha")
                << losslessBody(3, 3, 2, 4, raw) << true << translucent;
        }
        {
            QByteArray raw;
            for (QRgb c : translucent)
                raw.append(char(qAlpha(c)))
                    .append(char(qRed(c)))
                    .append(char(qGreen(c)))
                    .append(char(qBlue(c)));
            QTest::newRow("32-bit premultiplied ARGB")
                << losslessBody(5, 3, 2, 0, raw) << true << translucent;
        }
        {
            // Colour brighter than its alpha is clamped, not wrapped.
            QByteArray raw;
            for (int i = 0; i < 6; ++i)
                raw.append(QByteArray("\x80\xFF\x00\x00", 4));
            QList<QRgb> clamped(6, qRgba(128, 0, 0, 128));
            QTest::newRow("32-bit colour above alpha")
                << losslessBody(5, 3, 2, 0, raw) << true << clamped;
        }
    }
    void losslessFormats() {
        QFETCH(QByteArray, body);
        QFETCH(bool, withAlpha);
        QFETCH(QList<QRgb>, expected);
        const DecodedBitmap decoded = decodeDefineBitsLossless(body, withAlpha);
        QVERIFY2(decoded.ok(), qPrintable(decoded.error));
        QCOMPARE(decoded.image.format(), QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(decoded.image.size(), QSize(3, 2));
        for (int i = 0; i < 6; ++i) {
            const QRgb actual =
                reinterpret_cast<const QRgb*>(decoded.image.constScanLine(i / 3))[i % 3];
            QCOMPARE(QString::number(actual, 16), QString::number(expected[i], 16));
        }
    }

    // Hostile data fails with a reason instead of allocating or reading past the end.
    void hostileLosslessFails_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("huge declared size")
            << losslessBody(5, 65535, 65535, 0, QByteArray(16, 0)) << "exceeds";
        QTest::newRow("zero width") << losslessBody(5, 0, 4, 0, QByteArray(16, 0)) << "empty";
        QTest::newRow("unknown format") << losslessBody(7, 2, 2, 0, QByteArray(16, 0)) << "format";
        QByteArray noise(64 * 64 * 4, 0);
        quint32 seed = 1;
        for (char& c : noise)
            c = char((seed = seed * 1103515245u + 12345u) >> 24);
        QTest::newRow("truncated zlib") << losslessBody(5, 64, 64, 0, noise).left(400) << "ends";
        QTest::newRow("pixels short of the size")
            << losslessBody(5, 64, 64, 0, QByteArray(100, 7)) << "ends";
        QTest::newRow("palette short of its count")
            << losslessBody(3, 4, 4, 256, QByteArray(30, 1)) << "ends";
        QTest::newRow("garbage instead of zlib")
            << QByteArray("\x05\x02\x00\x02\x00garbagegarbage", 19) << "damaged";
        QTest::newRow("header only") << QByteArray("\x03\x02\x00", 3) << "short";
    }
    void hostileLosslessFails() {
        QFETCH(QByteArray, body);
        QFETCH(QString, reasonPart);
        for (bool alpha : {false, true}) {
            const DecodedBitmap decoded = decodeDefineBitsLossless(body, alpha);
            QVERIFY(!decoded.ok());
            QVERIFY2(decoded.error.contains(reasonPart), qPrintable(decoded.error));
        }
    }

    // Indices past a short colour table draw transparent.
    void indicesPastThePaletteAreTransparent() {
        QByteArray raw("\x11\x22\x33"
                       "\x00\x05\xFF\x01",
                       7);
        const DecodedBitmap decoded =
            decodeDefineBitsLossless(losslessBody(3, 4, 1, 1, raw), false);
        QVERIFY2(decoded.ok(), qPrintable(decoded.error));
        QCOMPARE(decoded.image.pixel(0, 0), qRgb(0x11, 0x22, 0x33));
        QCOMPARE(decoded.image.pixel(1, 0), 0u);
        QCOMPARE(decoded.image.pixel(2, 0), 0u);
        QCOMPARE(decoded.image.pixel(3, 0), 0u);
    }

    void jpegWithSeparateTables() {
        const QByteArray jpeg = encoded(test::testCard(16), "JPEG");
        const auto [tables, image] = write::splitJpegTables(jpeg);
        checkTestCard(decodeDefineBits(image, tables).image, 16, 24);
        // A complete JPEG in DefineBits with empty tables decodes as well.
        checkTestCard(decodeDefineBits(jpeg, {}).image, 16, 24);
    }

    void jpeg2Formats_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("tolerance");
        const QByteArray jpeg = encoded(test::testCard(16), "JPEG");
        QTest::newRow("jpeg") << jpeg << 24;
        QTest::newRow("jpeg behind the erroneous header")
            << QByteArray("\xFF\xD9\xFF\xD8", 4) + jpeg << 24;
        const auto [tables, image] = write::splitJpegTables(jpeg);
        QTest::newRow("tables and image in one stream") << tables + image << 24;
        QTest::newRow("png") << encoded(test::testCard(16), "PNG") << 0;
        QTest::newRow("gif") << gifOf(test::testCard(16)) << 0;
    }
    void jpeg2Formats() {
        QFETCH(QByteArray, data);
        QFETCH(int, tolerance);
        const DecodedBitmap decoded = decodeDefineBitsJpeg2(data);
        QVERIFY2(decoded.ok(), qPrintable(decoded.error));
        checkTestCard(decoded.image, 16, tolerance);
    }

    void jpeg3AlphaPlane_data() {
        QTest::addColumn<bool>("deblocking");
        QTest::newRow("DefineBitsJPEG3") << false;
        QTest::newRow("DefineBitsJPEG4") << true;
    }
    void jpeg3AlphaPlane() {
        QFETCH(bool, deblocking);
        const QByteArray jpeg = encoded(test::testCard(16), "JPEG");
        QByteArray alpha(32 * 32, char(255));
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 16; ++x)
                alpha[y * 32 + x] = y < 16 ? char(0) : char(128); // left half see-through
        QByteArray body = u32(quint32(jpeg.size()));
        if (deblocking)
            body += u16(0x0100);
        body += jpeg + zlib(alpha);
        const DecodedBitmap decoded = decodeDefineBitsJpeg3(body, deblocking);
        QVERIFY2(decoded.ok(), qPrintable(decoded.error));
        const QImage& image = decoded.image;
        QCOMPARE(image.pixel(8, 8), 0u);
        QVERIFY(near(image.pixel(8, 24), qRgba(0, 0, 128, 128), 14));
        QVERIFY(near(image.pixel(24, 8), qRgb(0, 255, 0), 24));

        // A damaged alpha plane leaves the image whole and opaque.
        QByteArray damaged = u32(quint32(jpeg.size()));
        if (deblocking)
            damaged += u16(0);
        damaged += jpeg + zlib(alpha).left(10);
        checkTestCard(decodeDefineBitsJpeg3(damaged, deblocking).image, 16, 24);
    }

    void hostileImageDataFails_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("reasonPart");
        QByteArray ihdr = QByteArray("\x00\x00\x4E\x20\x00\x00\x4E\x20\x08\x06\x00\x00\x00", 13);
        const QByteArray hugePng = QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", ihdr) +
                                   pngChunk("IDAT", zlib(QByteArray(10, 0))) + pngChunk("IEND", {});
        QTest::newRow("png of 20000 x 20000")
            << u32(quint32(hugePng.size())) + hugePng << "exceeds";
        QTest::newRow("alpha offset past the end") << u32(1000) + QByteArray(10, 0) << "past";
        QTest::newRow("too short for the offset") << QByteArray(3, 0) << "short";
        QTest::newRow("not an image") << u32(5) + QByteArray("hello") << "unreadable";
        const QByteArray jpeg = encoded(test::testCard(16), "JPEG");
        QTest::newRow("jpeg cut short")
            << u32(quint32(jpeg.size() / 3)) + jpeg.left(jpeg.size() / 3) << "";
    }
    void hostileImageDataFails() {
        QFETCH(QByteArray, body);
        QFETCH(QString, reasonPart);
        const DecodedBitmap decoded = decodeDefineBitsJpeg3(body, false);
        if (reasonPart.isEmpty()) { // a decoder may show a partial picture; it must not crash
            QVERIFY(decoded.ok() || !decoded.error.isEmpty());
            return;
        }
        QVERIFY(!decoded.ok());
        QVERIFY2(decoded.error.contains(reasonPart), qPrintable(decoded.error));
    }

    // A tinted copy has, pixel for pixel, what the colour transform gives, through
    // multipliers past one, negative offsets and translucent pixels.
    void tintMatchesTheTransformPixelByPixel() {
        QImage source(256, 64, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(x, y,
                                qPremultiply(qRgba(x, (x * 7 + y * 3) & 255, y * 4,
                                                   y % 2 ? 255 : (x + y * 5) & 255)));
        ColorTransform cx;
        cx.rMult = 1.7;
        cx.gMult = 0.4;
        cx.bAdd = -60;
        cx.aMult = 0.8;
        cx.aAdd = 20;
        const QImage tinted = tintImage(source, cx);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                QCOMPARE(tinted.pixel(x, y),
                         qPremultiply(cx.apply(qUnpremultiply(source.pixel(x, y)))));
    }

    void repairLeavesOtherDataAlone() {
        const QByteArray png = encoded(test::testCard(2), "PNG");
        QCOMPARE(repairJpeg(png), png);
        QCOMPARE(repairJpeg({}), QByteArray());
        // A stream cut inside a segment keeps what there is.
        const QByteArray cut("\xFF\xD8\xFF\xDB\x00\x43\x00", 7);
        QCOMPARE(repairJpeg(cut), cut);
    }
};

QTEST_MAIN(BitmapsTest)
#include "test_bitmaps.moc"
