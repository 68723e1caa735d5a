#include "swf/format/movie.h"
#include "swf/player/player.h"
#include "swf/swf_fixtures.h"
#include "swfwriter/writer.h"
#include "swfwriter/writer_media.h"

#include <QPainter>
#include <QTest>

using namespace reelcase;
using namespace reelcase::swf;
using write::ShapeBuilder;
using write::SwfWriter;

namespace {

QImage render(const QByteArray& file, QSize size = {80, 80}) {
    auto movie = test::load(file);
    if (!movie)
        return {};
    Player player;
    player.setMovie(movie);
    return test::renderImage(player, size);
}

QString describe(QRgb p) {
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(qRed(p))
        .arg(qGreen(p))
        .arg(qBlue(p))
        .arg(qAlpha(p));
}

#define CHECK_PIXEL(image, x, y, colour, tolerance)                                                \
    QVERIFY2(test::near((image).pixel((x), (y)), (colour), (tolerance)),                           \
             qPrintable(QStringLiteral("pixel (%1, %2) is %3")                                     \
                            .arg(x)                                                                \
                            .arg(y)                                                                \
                            .arg(describe((image).pixel((x), (y))))))

using Definer = std::function<std::uint16_t(SwfWriter&, const QImage&)>;

} // namespace

Q_DECLARE_METATYPE(Definer)
Q_DECLARE_METATYPE(reelcase::swf::ColorTransform)

class BitmapFillsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every bitmap tag, placed the way authoring tools place a bitmap: a rectangle shape of
    // its size with a clipped fill at 20 twips per pixel.
    void everyTagDrawsItsPixels_data() {
        QTest::addColumn<Definer>("define");
        QTest::addColumn<int>("tolerance");
        using write::LosslessFormat;
        for (bool alpha : {false, true}) {
            const QString suffix = alpha ? QStringLiteral(" (Lossless2)") : QString();
            QTest::newRow(qPrintable("8-bit colour map" + suffix))
                << Definer([alpha](SwfWriter& w, const QImage& i) {
                       return write::defineBitsLossless(w, i, alpha, LosslessFormat::ColourMapped8);
                   })
                << 2;
            QTest::newRow(qPrintable("32-bit" + suffix))
                << Definer([alpha](SwfWriter& w, const QImage& i) {
                       return write::defineBitsLossless(w, i, alpha, LosslessFormat::Rgb32);
                   })
                << 2;
        }
        QTest::newRow("15-bit") << Definer([](SwfWriter& w, const QImage& i) {
            return write::defineBitsLossless(w, i, false, LosslessFormat::Rgb15);
        }) << 8;
        QTest::newRow("JPEG with JPEGTables") << Definer([](SwfWriter& w, const QImage& i) {
            const auto [tables, image] = write::splitJpegTables(write::encodeJpeg(i));
            write::jpegTables(w, tables);
            return write::defineBits(w, image);
        }) << 30;
        QTest::newRow("DefineBitsJPEG2 JPEG") << Definer([](SwfWriter& w, const QImage& i) {
            return write::defineBitsJpeg2(w, write::encodeJpeg(i));
        }) << 30;
        QTest::newRow("DefineBitsJPEG3 opaque alpha") << Definer([](SwfWriter& w, const QImage& i) {
            return write::defineBitsJpeg3(w, write::encodeJpeg(i),
                                          QByteArray(i.width() * i.height(), char(255)));
        }) << 30;
        QTest::newRow("DefineBitsJPEG4") << Definer([](SwfWriter& w, const QImage& i) {
            return write::defineBitsJpeg3(w, write::encodeJpeg(i),
                                          QByteArray(i.width() * i.height(), char(255)), 1.0);
        }) << 30;
    }
    void everyTagDrawsItsPixels() {
        QFETCH(Definer, define);
        QFETCH(int, tolerance);
        SwfWriter w({80, 80});
        w.background(Qt::black);
        const std::uint16_t bitmap = define(w, test::testCard(20));
        const std::uint16_t shape = write::defineBitmapShape(w, bitmap, {40, 40}, {20, 20});
        w.place({.depth = 1, .character = shape}).showFrame();
        const QImage image = render(w.finish());
        QVERIFY(!image.isNull());
        CHECK_PIXEL(image, 30, 30, Qt::red, tolerance);
        CHECK_PIXEL(image, 50, 30, Qt::green, tolerance);
        CHECK_PIXEL(image, 30, 50, Qt::blue, tolerance);
        CHECK_PIXEL(image, 50, 50, Qt::white, tolerance);
        CHECK_PIXEL(image, 10, 10, Qt::black, 0);
        CHECK_PIXEL(image, 70, 70, Qt::black, 0);
    }

    // A bitmap character placed on its own draws one pixel per pixel at its origin.
    void bitmapPlacedDirectly() {
        SwfWriter w({80, 80});
        w.background(Qt::black);
        const auto bitmap = write::defineBitsLossless(w, test::testCard(20));
        ColorTransform half;
        half.aMult = 0.5;
        w.place({.depth = 1, .character = bitmap, .matrix = QTransform::fromTranslate(20, 20)})
            .place({.depth = 2,
                    .character = bitmap,
                    .matrix = QTransform::fromTranslate(60, 60),
                    .cxform = half})
            .showFrame();
        const QImage image = render(w.finish());
        CHECK_PIXEL(image, 30, 30, Qt::red, 2);
        CHECK_PIXEL(image, 50, 50, Qt::white, 2);
        CHECK_PIXEL(image, 10, 10, Qt::black, 0);
        CHECK_PIXEL(image, 70, 70, QColor(128, 0, 0), 3);
    }

    void jpeg3AlphaBlendsOverTheStage() {
        SwfWriter w({40, 40});
        w.background(Qt::white);
        QImage blue(40, 40, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QByteArray alpha(40 * 40, char(255));
        for (int i = 0; i < 40 * 20; ++i)
            alpha[i] = char(0); // top half see-through
        const auto bitmap = write::defineBitsJpeg3(w, write::encodeJpeg(blue), alpha);
        const auto shape = write::defineBitmapShape(w, bitmap, {40, 40});
        w.place({.depth = 1, .character = shape}).showFrame();
        const QImage image = render(w.finish(), {40, 40});
        CHECK_PIXEL(image, 20, 8, Qt::white, 2);
        CHECK_PIXEL(image, 20, 32, Qt::blue, 20);
    }

    // Beyond the bitmap's edge a repeating fill tiles it, a clipped fill stretches its edge
    // pixels.
    void repeatingAndClippedBeyondTheEdge_data() {
        QTest::addColumn<bool>("repeating");
        QTest::addColumn<bool>("smoothed");
        QTest::newRow("repeating") << true << true;
        QTest::newRow("repeating, hard edges") << true << false;
        QTest::newRow("clipped") << false << true;
        QTest::newRow("clipped, hard edges") << false << false;
    }
    void repeatingAndClippedBeyondTheEdge() {
        QFETCH(bool, repeating);
        QFETCH(bool, smoothed);
        SwfWriter w({80, 80});
        w.background(Qt::black);
        const auto bitmap = write::defineBitsLossless(w, test::testCard(4));
        ShapeBuilder shape;
        // The 8x8 card scaled to 20x20 pixels, over a 40x40 rectangle.
        const int fill = shape.addFill(write::bitmapFill(bitmap, {0, 0}, 2.5, repeating, smoothed));
        shape.rect(QRectF(0, 0, 40, 40), fill);
        w.place({.depth = 1, .character = w.defineShape(shape)}).showFrame();
        const QImage image = render(w.finish());
        CHECK_PIXEL(image, 2, 2, Qt::red, 8);
        CHECK_PIXEL(image, 38, 2, repeating ? Qt::green : Qt::green, 8);
        CHECK_PIXEL(image, 22, 2, repeating ? Qt::red : Qt::green, 8);
        CHECK_PIXEL(image, 2, 22, repeating ? Qt::red : Qt::blue, 8);
        CHECK_PIXEL(image, 38, 38, Qt::white, 8);
        CHECK_PIXEL(image, 60, 60, Qt::black, 0);
    }

    void rotatedBitmapStaysInItsShape() {
        SwfWriter w({80, 80});
        w.background(Qt::black);
        const auto bitmap = write::defineBitsLossless(w, test::testCard(10));
        const auto shape = write::defineBitmapShape(w, bitmap, {20, 20});
        QTransform turn;
        turn.translate(40, 20).rotate(45);
        w.place({.depth = 1, .character = shape, .matrix = turn}).showFrame();
        const QImage image = render(w.finish());
        CHECK_PIXEL(image, 40, 24, Qt::red, 8);   // just below the turned top corner
        CHECK_PIXEL(image, 40, 14, Qt::black, 0); // above it
        CHECK_PIXEL(image, 40, 46, Qt::white, 8);
    }

    // Colour transforms apply to each pixel: a full transform through the cached tint, an
    // alpha-only one through the painter's opacity.
    void colourTransformOnABitmap_data() {
        QTest::addColumn<ColorTransform>("cxform");
        QTest::addColumn<QColor>("topLeft");     // where the card is red
        QTest::addColumn<QColor>("bottomRight"); // where it is white
        ColorTransform swap;
        swap.rMult = 0;
        swap.gAdd = 255;
        QTest::newRow("red to yellow") << swap << QColor(0, 255, 0) << QColor(0, 255, 255);
        ColorTransform half;
        half.aMult = 0.5;
        QTest::newRow("half alpha") << half << QColor(128, 0, 0) << QColor(128, 128, 128);
        ColorTransform darker;
        darker.rMult = darker.gMult = darker.bMult = 0.5;
        darker.aMult = 0.5;
        QTest::newRow("darker and half alpha") << darker << QColor(64, 0, 0) << QColor(64, 64, 64);
    }
    void colourTransformOnABitmap() {
        QFETCH(ColorTransform, cxform);
        QFETCH(QColor, topLeft);
        QFETCH(QColor, bottomRight);
        SwfWriter w({40, 40});
        w.background(Qt::black);
        const auto bitmap = write::defineBitsLossless(w, test::testCard(20));
        const auto shape = write::defineBitmapShape(w, bitmap, {40, 40});
        w.place({.depth = 1, .character = shape, .cxform = cxform}).showFrame();
        auto movie = test::load(w.finish());
        QVERIFY(movie);
        Player player;
        player.setMovie(movie);
        for (int pass = 0; pass < 2; ++pass) { // the second draw comes from the cache
            const QImage image = test::renderImage(player, {40, 40});
            CHECK_PIXEL(image, 10, 10, topLeft, 3);
            CHECK_PIXEL(image, 30, 30, bottomRight, 3);
        }
    }

    // A broken bitmap is passed over: the movie loads, the fill paints nothing.
    void hostileBitmapIsSkipped_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QByteArray huge = write::bitsLosslessBody(QImage(2, 2, QImage::Format_RGB32), true,
                                                  write::LosslessFormat::Rgb32);
        huge[1] = huge[2] = huge[3] = huge[4] = char(0xFF); // 65535 x 65535
        QTest::newRow("huge declared size") << 36 << huge;
        QByteArray cut =
            write::bitsLosslessBody(test::testCard(8), false, write::LosslessFormat::Rgb32);
        QTest::newRow("truncated zlib") << 20 << cut.left(cut.size() / 2);
        QTest::newRow("not an image") << 21 << QByteArray("GIF89a nonsense");
        QTest::newRow("empty") << 35 << QByteArray();
    }
    void hostileBitmapIsSkipped() {
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        SwfWriter w({40, 40});
        w.background(Qt::black);
        const std::uint16_t id = w.takeId();
        QByteArray withId;
        withId.append(char(id & 0xFF)).append(char(id >> 8)).append(body);
        w.rawTag(code, withId);
        const auto shape = write::defineBitmapShape(w, id, {40, 40});
        w.place({.depth = 1, .character = shape}).showFrame();
        auto movie = test::load(w.finish());
        QVERIFY(movie);
        QVERIFY(movie->skippedTags >= 1);
        QVERIFY(!movie->dictionary.bitmap(id));
        Player player;
        player.setMovie(movie);
        const QImage image = test::renderImage(player, {40, 40});
        CHECK_PIXEL(image, 20, 20, Qt::black, 0);
    }
};

QTEST_MAIN(BitmapFillsTest)
#include "test_bitmap_fills.moc"
