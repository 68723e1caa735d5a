#include "swf/swf_fixtures.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

QImage renderMovie(const QByteArray& file, Quality quality = Quality::High) {
    Player player;
    player.setMovie(load(file));
    return renderImage(player, {100, 100}, quality);
}

std::uint16_t square(write::SwfWriter& w, const QRectF& r, const QColor& colour) {
    write::ShapeBuilder s;
    s.rect(r, s.addFill(write::solid(colour)));
    return w.defineShape(s);
}

// A full-stage blue square seen through a circle of radius 30.3 around (50, 50).
QByteArray maskedCircle() {
    write::SwfWriter w({100, 100});
    w.background(Qt::white);
    write::ShapeBuilder circle;
    circle.ellipse({19.7, 19.7, 60.6, 60.6}, circle.addFill(write::solid(Qt::black)));
    const auto mask = w.defineShape(circle);
    const auto content = square(w, {0, 0, 100, 100}, Qt::blue);
    w.place({.depth = 1, .character = mask, .clipDepth = 2});
    w.place({.depth = 2, .character = content});
    w.showFrame();
    return w.finish();
}

// Pixels that are neither white nor blue: the mask's anti-aliased edge.
int partlyCovered(const QImage& img) {
    int count = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            count += !near(img.pixel(x, y), Qt::white, 8) && !near(img.pixel(x, y), Qt::blue, 8);
    return count;
}

// A yellow backdrop under a sprite at depth 2 holding the given children (shape ids with
// their blend modes), the sprite placed with blend and cxform.
QByteArray spriteOverYellow(write::SwfWriter& w,
                            const std::vector<std::pair<std::uint16_t, BlendMode>>& children,
                            BlendMode blend, std::optional<ColorTransform> cxform = {}) {
    const auto backdrop = square(w, {0, 0, 100, 100}, Qt::yellow);
    write::Timeline t;
    int depth = 1;
    for (const auto& [id, mode] : children)
        t.place({.depth = depth++, .character = id, .blendMode = mode});
    t.showFrame();
    const auto sprite = w.defineSprite(t);
    w.place({.depth = 1, .character = backdrop});
    w.place({.depth = 2, .character = sprite, .cxform = cxform, .blendMode = blend});
    w.showFrame();
    return w.finish();
}

} // namespace

class TestSwfLayers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // At high quality the mask's edge is anti-aliased; at low quality each pixel is in
    // or out. Either way the content shows inside and stays hidden outside.
    void maskEdge_data() {
        QTest::addColumn<int>("quality");
        QTest::addColumn<bool>("smoothEdge");
        QTest::newRow("high") << int(Quality::High) << true;
        QTest::newRow("low") << int(Quality::Low) << false;
    }
    void maskEdge() {
        QFETCH(int, quality);
        QFETCH(bool, smoothEdge);
        const QImage img = renderMovie(maskedCircle(), Quality(quality));
        QVERIFY(near(img.pixel(50, 50), Qt::blue));
        QVERIFY(near(img.pixel(50, 22), Qt::blue));
        QVERIFY(near(img.pixel(5, 5), Qt::white));
        QVERIFY(near(img.pixel(50, 18), Qt::white));
        QVERIFY(near(img.pixel(95, 50), Qt::white));
        const int partial = partlyCovered(img);
        QVERIFY2(smoothEdge ? partial > 20 : partial == 0, qPrintable(QString::number(partial)));
    }

    // On a high-DPI device the masked layer has full device resolution: the edge is as
    // sharp (one or two device pixels of ramp) as a directly drawn one.
    void maskEdgeAtDeviceResolution_data() {
        QTest::addColumn<bool>("pixelRatio");
        QTest::newRow("scaled painter") << false;
        QTest::newRow("device pixel ratio") << true;
    }
    void maskEdgeAtDeviceResolution() {
        QFETCH(bool, pixelRatio);
        Player player;
        player.setMovie(load(maskedCircle()));
        QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::magenta);
        if (pixelRatio)
            img.setDevicePixelRatio(2);
        QPainter painter(&img);
        if (!pixelRatio)
            painter.scale(2, 2);
        player.render(painter, QRectF(0, 0, 100, 100));
        painter.end();
        QVERIFY(near(img.pixel(100, 100), Qt::blue));
        QVERIFY(near(img.pixel(10, 10), Qt::white));
        QVERIFY(near(img.pixel(199, 199), Qt::white));
        // Along the middle row the circle's edge lies at x = 39.4 device pixels.
        int ramp = 0;
        for (int x = 30; x < 50; ++x)
            ramp += !near(img.pixel(x, 100), Qt::white, 8) && !near(img.pixel(x, 100), Qt::blue, 8);
        QVERIFY(near(img.pixel(37, 100), Qt::white, 8));
        QVERIFY(near(img.pixel(42, 100), Qt::blue, 8));
        QVERIFY2(ramp >= 1 && ramp <= 2, qPrintable(QString::number(ramp)));
        QVERIFY(partlyCovered(img) > 40);
    }

    // Depth 1 masks depths 2..4 to the left half; depth 3 masks depth 4 to the top half.
    void nestedMasks_data() {
        QTest::addColumn<int>("quality");
        QTest::newRow("high") << int(Quality::High);
        QTest::newRow("low") << int(Quality::Low);
    }
    void nestedMasks() {
        QFETCH(int, quality);
        write::SwfWriter w({100, 100});
        w.background(Qt::white);
        const auto left = square(w, {0, 0, 50, 100}, Qt::black);
        const auto top = square(w, {0, 0, 100, 50}, Qt::black);
        const auto red = square(w, {0, 0, 100, 100}, Qt::red);
        const auto blue = square(w, {0, 0, 100, 100}, Qt::blue);
        const auto green = square(w, {0, 80, 100, 20}, Qt::green);
        w.place({.depth = 1, .character = left, .clipDepth = 4});
        w.place({.depth = 2, .character = red});
        w.place({.depth = 3, .character = top, .clipDepth = 4});
        w.place({.depth = 4, .character = blue});
        w.place({.depth = 5, .character = green}); // above both masks
        w.showFrame();
        const QImage img = renderMovie(w.finish(), Quality(quality));
        QVERIFY(near(img.pixel(25, 25), Qt::blue));
        QVERIFY(near(img.pixel(25, 60), Qt::red));
        QVERIFY(near(img.pixel(75, 25), Qt::white));
        QVERIFY(near(img.pixel(75, 60), Qt::white));
        QVERIFY(near(img.pixel(75, 90), Qt::green));
    }

    // Two overlapping red squares in a sprite at 50% alpha over yellow. As a layer the
    // sprite is flattened first: the overlap has the same colour as either square alone.
    // Drawn normally each square blends on its own and the overlap is redder.
    void layerFlattensGroup_data() {
        QTest::addColumn<int>("blend");
        QTest::addColumn<QColor>("overlap");
        QTest::newRow("layer") << int(BlendMode::Layer) << QColor(255, 128, 0);
        QTest::newRow("normal") << int(BlendMode::Normal) << QColor(255, 64, 0);
    }
    void layerFlattensGroup() {
        QFETCH(int, blend);
        QFETCH(QColor, overlap);
        write::SwfWriter w({100, 100});
        const auto a = square(w, {10, 10, 50, 50}, Qt::red);
        const auto b = square(w, {40, 40, 50, 50}, Qt::red);
        ColorTransform half;
        half.aMult = 0.5;
        const QImage img = renderMovie(spriteOverYellow(
            w, {{a, BlendMode::Normal}, {b, BlendMode::Normal}}, BlendMode(blend), half));
        QVERIFY(near(img.pixel(20, 20), QColor(255, 128, 0), 4));
        QVERIFY(near(img.pixel(80, 80), QColor(255, 128, 0), 4));
        QVERIFY2(near(img.pixel(50, 50), overlap, 4), qPrintable(QColor(img.pixel(50, 50)).name()));
        QVERIFY(near(img.pixel(5, 95), Qt::yellow));
    }

    // Inside a layer, an erase child punches a hole in its siblings and an alpha child
    // keeps them only where it is drawn; outside a layer both draw as normal.
    void alphaAndEraseInsideLayer_data() {
        QTest::addColumn<int>("parent");
        QTest::addColumn<int>("child");
        QTest::addColumn<QColor>("inChild");  // at (30, 50), inside the child square
        QTest::addColumn<QColor>("outChild"); // at (80, 50), red sibling only
        const QColor red(255, 0, 0), blue(0, 0, 255), yellow(255, 255, 0);
        const int layer = int(BlendMode::Layer), normal = int(BlendMode::Normal);
        QTest::newRow("erase in layer") << layer << int(BlendMode::Erase) << yellow << red;
        QTest::newRow("alpha in layer") << layer << int(BlendMode::Alpha) << red << yellow;
        QTest::newRow("erase in normal") << normal << int(BlendMode::Erase) << blue << red;
        QTest::newRow("alpha in normal") << normal << int(BlendMode::Alpha) << blue << red;
    }
    void alphaAndEraseInsideLayer() {
        QFETCH(int, parent);
        QFETCH(int, child);
        QFETCH(QColor, inChild);
        QFETCH(QColor, outChild);
        write::SwfWriter w({100, 100});
        const auto sibling = square(w, {10, 10, 80, 80}, Qt::red);
        const auto cutter = square(w, {20, 20, 30, 60}, Qt::blue);
        const QImage img = renderMovie(spriteOverYellow(
            w, {{sibling, BlendMode::Normal}, {cutter, BlendMode(child)}}, BlendMode(parent)));
        QVERIFY2(near(img.pixel(30, 50), inChild), qPrintable(QColor(img.pixel(30, 50)).name()));
        QVERIFY2(near(img.pixel(80, 50), outChild), qPrintable(QColor(img.pixel(80, 50)).name()));
        QVERIFY(near(img.pixel(5, 5), Qt::yellow));
    }

    // Invert turns the yellow backdrop blue under the object, once where a sprite's
    // children overlap, whatever their colours.
    void invertBackdrop_data() {
        QTest::addColumn<bool>("sprite");
        QTest::newRow("shape") << false;
        QTest::newRow("sprite") << true;
    }
    void invertBackdrop() {
        QFETCH(bool, sprite);
        write::SwfWriter w({100, 100});
        w.background(Qt::white);
        const auto backdrop = square(w, {0, 0, 100, 100}, Qt::yellow);
        const auto a = square(w, {20, 20, 40, 40}, Qt::green);
        const auto b = square(w, {40, 40, 40, 40}, Qt::red);
        w.place({.depth = 1, .character = backdrop});
        if (sprite) {
            write::Timeline t;
            t.place({.depth = 1, .character = a}).place({.depth = 2, .character = b});
            t.showFrame();
            w.place({.depth = 2, .character = w.defineSprite(t), .blendMode = BlendMode::Invert});
        } else {
            w.place({.depth = 2, .character = a, .blendMode = BlendMode::Invert});
        }
        w.showFrame();
        const QImage img = renderMovie(w.finish());
        QVERIFY(near(img.pixel(30, 30), Qt::blue));
        QVERIFY(near(img.pixel(10, 10), Qt::yellow));
        QVERIFY(near(img.pixel(50, 50), Qt::blue));
        QVERIFY(near(img.pixel(70, 70), sprite ? Qt::blue : Qt::yellow));
    }

    // Subtract takes the object's colour from the backdrop, clamping at black; around the
    // object the backdrop is untouched. In a layer it draws as normal.
    void subtractFromBackdrop_data() {
        QTest::addColumn<bool>("inLayer");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("on the stage") << false << QColor(255, 127, 0);
        QTest::newRow("in a layer") << true << QColor(0, 128, 255);
    }
    void subtractFromBackdrop() {
        QFETCH(bool, inLayer);
        QFETCH(QColor, expected);
        write::SwfWriter w({100, 100});
        const auto a = square(w, {20, 20, 40, 40}, QColor(0, 128, 255));
        const QImage img =
            inLayer
                ? renderMovie(spriteOverYellow(w, {{a, BlendMode::Subtract}}, BlendMode::Layer))
                : renderMovie(spriteOverYellow(w, {{a, BlendMode::Normal}}, BlendMode::Subtract));
        QVERIFY2(near(img.pixel(40, 40), expected), qPrintable(QColor(img.pixel(40, 40)).name()));
        for (const QPoint at : {QPoint(18, 40), QPoint(61, 40), QPoint(40, 61), QPoint(5, 5)})
            QVERIFY2(img.pixel(at) == QColor(Qt::yellow).rgb(),
                     qPrintable(QColor(img.pixel(at)).name()));
    }
};

QTEST_MAIN(TestSwfLayers)
#include "test_layers.moc"
