// A clip's drawing made by script, as shape records: fills that close themselves, layers
// in drawing order, bounds with the lines' width, and the outline hit tests use.
#include "swf/shapes/shape_drawing.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace reelcase::swf;

namespace {

FillStyle solid(QColor c) {
    FillStyle f;
    f.color = c;
    return f;
}

LineStyle line(int widthTwips, QColor c) {
    LineStyle l;
    l.width = static_cast<std::uint16_t>(widthTwips);
    l.color = c;
    return l;
}

// Twips from pixels, as the script side hands them over.
QPointF px(double x, double y) {
    return {x * 20, y * 20};
}

QImage draw(const Character& c) {
    QImage img(100, 100, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter painter(&img);
    const RenderContext context;
    c.draw(DrawArgs{painter, QTransform::fromScale(0.05, 0.05), ColorTransform{}, 0, context});
    return img;
}

void square(ShapeDrawing& d, double x, double y, double size) {
    d.moveTo(px(x, y));
    d.lineTo(px(x + size, y));
    d.lineTo(px(x + size, y + size));
    d.lineTo(px(x, y + size));
}

} // namespace

class TestShapeDrawing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nothingDrawnIsNoCharacter() {
        ShapeDrawing d;
        QVERIFY(!d.character());
        d.moveTo(px(10, 10));
        d.lineTo(px(20, 20)); // no fill, no line: the pen only moves
        QVERIFY(d.character() == nullptr || d.character()->bounds().isEmpty());
        d.beginFill(solid(Qt::red));
        square(d, 10, 10, 20);
        QVERIFY(d.character());
        d.clear();
        QVERIFY(!d.character());
    }

    // A script's bitmap fills as a static shape's would: tiled when repeating, its edge
    // pixels stretched when clipped; the matrix maps bitmap pixels to twips.
    void scriptBitmapsFillRepeatedOrClipped() {
        auto bitmap = std::make_shared<QImage>(2, 2, QImage::Format_ARGB32_Premultiplied);
        bitmap->setPixel(0, 0, qRgb(255, 0, 0));
        bitmap->setPixel(1, 0, qRgb(0, 255, 0));
        bitmap->setPixel(0, 1, qRgb(0, 0, 255));
        bitmap->setPixel(1, 1, qRgb(255, 255, 255));
        for (const bool repeat : {true, false}) {
            FillStyle f;
            f.type = repeat ? FillStyle::RepeatingBitmapHard : FillStyle::ClippedBitmapHard;
            f.image = bitmap;
            f.matrix = QTransform::fromScale(200, 200); // ten pixels a bitmap pixel
            ShapeDrawing d;
            d.beginFill(f);
            square(d, 0, 0, 40);
            d.endFill();
            const QImage img = draw(*d.character());
            QCOMPARE(img.pixel(5, 5), qRgb(255, 0, 0));
            QCOMPARE(img.pixel(15, 5), qRgb(0, 255, 0));
            QCOMPARE(img.pixel(5, 15), qRgb(0, 0, 255));
            QCOMPARE(img.pixel(25, 5), repeat ? qRgb(255, 0, 0) : qRgb(0, 255, 0));
            QCOMPARE(img.pixel(50, 50), qRgb(255, 255, 255)); // outside the square
        }
    }

    void anOpenFillShowsClosed() {
        ShapeDrawing d;
        d.beginFill(solid(Qt::red));
        square(d, 10, 10, 40); // three sides drawn, the fourth left open
        const auto shown = d.character();
        QCOMPARE(shown->bounds(), QRectF(px(10, 10), px(50, 50)));
        QVERIFY(shown->outline(0).contains(px(30, 30)));
        QCOMPARE(draw(*shown).pixel(30, 30), qRgb(255, 0, 0));
        // Ended, the same area; each change is a new character (caches key on it).
        d.endFill();
        const auto ended = d.character();
        QVERIFY(ended != shown);
        QVERIFY(ended->outline(0).contains(px(30, 30)));
        QVERIFY(!ended->outline(0).contains(px(60, 30)));
    }

    void linesWidenTheBoundsByTheirWidth() {
        ShapeDrawing d;
        d.lineStyle(line(200, Qt::black)); // 10 pixels
        d.moveTo(px(20, 20));
        d.lineTo(px(60, 20));
        QCOMPARE(d.character()->bounds(), QRectF(px(10, 10), px(70, 30)));
        d.lineStyle(std::nullopt);
        d.lineTo(px(90, 90)); // no line: not drawn, not measured
        QCOMPARE(d.character()->bounds(), QRectF(px(10, 10), px(70, 30)));
    }

    void laterFillsCoverEarlierLines() {
        ShapeDrawing d;
        d.lineStyle(line(200, Qt::blue));
        d.moveTo(px(0, 50));
        d.lineTo(px(100, 50));
        d.lineStyle(std::nullopt);
        d.beginFill(solid(Qt::red));
        square(d, 40, 40, 20);
        d.endFill();
        const QImage img = draw(*d.character());
        QCOMPARE(img.pixel(50, 50), qRgb(255, 0, 0));
        QCOMPARE(img.pixel(20, 50), qRgb(0, 0, 255));
    }

    void subpathsFillEvenOdd() {
        // A square inside a square, both in one fill: a ring with a hole.
        ShapeDrawing d;
        d.beginFill(solid(Qt::green));
        square(d, 10, 10, 80);
        square(d, 30, 30, 40);
        d.endFill();
        const QPainterPath outline = d.character()->outline(0);
        QVERIFY(outline.contains(px(20, 20)));
        QVERIFY(!outline.contains(px(50, 50)));
    }

    void curvesPassNearTheirControl() {
        ShapeDrawing d;
        d.beginFill(solid(Qt::red));
        d.moveTo(px(10, 50));
        d.curveTo(px(50, 0), px(90, 50));
        d.endFill();
        const QPainterPath outline = d.character()->outline(0);
        QVERIFY(outline.contains(px(50, 40)));
        QVERIFY(!outline.contains(px(50, 20))); // the curve peaks at y = 25
    }

    void hostileCoordinatesStayFinite() {
        ShapeDrawing d;
        d.lineStyle(line(20, Qt::black));
        d.moveTo({std::nan(""), 1e300});
        d.lineTo({-1e300, std::numeric_limits<double>::infinity()});
        const QRectF b = d.character()->bounds();
        QVERIFY(std::isfinite(b.width()) && std::isfinite(b.height()));
    }
};

QTEST_MAIN(TestShapeDrawing)
#include "test_shape_drawing.moc"
