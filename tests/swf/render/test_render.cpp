#include "swf/swf_fixtures.h"
#include "swfwriter/writer_media.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

// A 100 x 100 stage on white with one shape placed at depth 1 (optionally transformed).
std::shared_ptr<const Movie> oneShape(const write::ShapeBuilder& shape,
                                      std::optional<QTransform> matrix = {},
                                      std::optional<ColorTransform> cx = {}) {
    write::SwfWriter w({100, 100});
    w.background(Qt::white);
    const auto id = w.defineShape(shape);
    w.place({.depth = 1, .character = id, .matrix = matrix, .cxform = cx});
    w.showFrame();
    return load(w.finish());
}

QImage renderMovie(std::shared_ptr<const Movie> movie, QSize size = {100, 100},
                   Quality quality = Quality::High) {
    Player player;
    player.setMovie(std::move(movie));
    return renderImage(player, size, quality);
}

} // namespace

class TestSwfRender : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fillInsideBackgroundOutside_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("quality");
        for (int v = 1; v <= 4; ++v) {
            QTest::addRow("DefineShape%d high", v) << v << int(Quality::High);
            QTest::addRow("DefineShape%d low", v) << v << int(Quality::Low);
        }
    }
    void fillInsideBackgroundOutside() {
        QFETCH(int, version);
        QFETCH(int, quality);
        write::ShapeBuilder s(version);
        s.rect({20, 20, 40, 30}, s.addFill(write::solid(QColor(200, 0, 0))));
        const QImage img = renderMovie(oneShape(s), {100, 100}, Quality(quality));
        QVERIFY(near(img.pixel(40, 35), QColor(200, 0, 0)));
        QVERIFY(near(img.pixel(10, 10), Qt::white));
        QVERIFY(near(img.pixel(61, 35), Qt::white));
        QVERIFY(near(img.pixel(40, 51), Qt::white));
    }

    // Low draws aliased edges and unsmoothed bitmaps; medium keeps anti-aliasing but still
    // does not smooth bitmaps, even those whose fill asks for it; high smooths them.
    void qualitiesDrawEdgesAndBitmapsApart() {
        write::SwfWriter w({100, 100});
        w.background(Qt::white);
        write::ShapeBuilder wedge;
        write::Path p;
        p.fill1 = wedge.addFill(write::solid(Qt::black));
        p.moveTo({0, 0});
        p.lineTo({100, 0});
        p.lineTo({0, 37});
        p.lineTo({0, 0});
        wedge.path(p);
        write::ShapeBuilder card; // 2 x 2 pixels made 40 x 40, asking to be smoothed
        card.rect({0, 0, 40, 40},
                  card.addFill(write::bitmapFill(write::defineBitsLossless(w, testCard(1)), {0, 0},
                                                 20, false, true)));
        w.place({.depth = 1, .character = w.defineShape(wedge)});
        w.place({.depth = 2,
                 .character = w.defineShape(card),
                 .matrix = QTransform::fromTranslate(50, 50)});
        w.showFrame();
        const auto movie = load(w.finish());
        auto greyOnEdge = [](const QImage& img) { // pixels neither black nor white
            int count = 0;
            for (int x = 0; x < 100; ++x)
                for (int y = 0; y < 40; ++y)
                    count += qGray(img.pixel(x, y)) > 20 && qGray(img.pixel(x, y)) < 235;
            return count;
        };
        auto blendedAcrossCard = [](const QImage& img) { // red and green mixed mid-row
            const QRgb mid = img.pixel(70, 60);
            return qRed(mid) > 40 && qGreen(mid) > 40;
        };
        const QImage low = renderMovie(movie, {100, 100}, Quality::Low);
        const QImage medium = renderMovie(movie, {100, 100}, Quality::Medium);
        const QImage high = renderMovie(movie, {100, 100}, Quality::High);
        QCOMPARE(greyOnEdge(low), 0);
        QVERIFY(greyOnEdge(medium) > 50);
        QVERIFY(greyOnEdge(high) > 50);
        QVERIFY(!blendedAcrossCard(low));
        QVERIFY(!blendedAcrossCard(medium));
        QVERIFY(blendedAcrossCard(high));
        for (int x = 51; x < 89; ++x) // unsmoothed: every pixel one of the card's colours
            QVERIFY(near(medium.pixel(x, 60), Qt::red) || near(medium.pixel(x, 60), Qt::green));
    }

    // ShowAll: a 100 x 100 stage in a 300 x 100 target is 100 px wide, centred, and the
    // bands beside it show the background colour.
    void showAllKeepsAspectWithBands() {
        write::ShapeBuilder s;
        s.rect({0, 0, 100, 100}, s.addFill(write::solid(Qt::blue)));
        write::SwfWriter w({100, 100});
        w.background(QColor(0, 255, 0));
        const auto id = w.defineShape(s);
        w.place({.depth = 1, .character = id});
        w.showFrame();
        const QImage img = renderMovie(load(w.finish()), {300, 100});
        QVERIFY(near(img.pixel(50, 50), QColor(0, 255, 0)));
        QVERIFY(near(img.pixel(150, 50), Qt::blue));
        QVERIFY(near(img.pixel(98, 50), QColor(0, 255, 0)));
        QVERIFY(near(img.pixel(102, 50), Qt::blue));
        QVERIFY(near(img.pixel(250, 50), QColor(0, 255, 0)));
    }

    // On a high-DPI device the painter arrives scaled; drawing goes through that transform
    // at full device resolution.
    void drawsThroughThePaintersTransform() {
        write::ShapeBuilder s;
        s.rect({20, 20, 40, 30}, s.addFill(write::solid(QColor(200, 0, 0))));
        Player player;
        player.setMovie(oneShape(s));
        QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::magenta);
        QPainter painter(&img);
        painter.scale(2, 2);
        player.render(painter, QRectF(0, 0, 100, 100));
        painter.end();
        QVERIFY(near(img.pixel(41, 41), QColor(200, 0, 0)));
        QVERIFY(near(img.pixel(38, 38), Qt::white));
        QVERIFY(near(img.pixel(118, 98), QColor(200, 0, 0)));
        QVERIFY(near(img.pixel(121, 101), Qt::white));
        QVERIFY(near(img.pixel(199, 199), Qt::white));
    }

    // Two fills meeting along a diagonal: nowhere along it may the white background
    // show through.
    void sharedEdgeLeavesNoSeam() {
        write::ShapeBuilder s;
        const int a = s.addFill(write::solid(QColor(0, 0, 0)));
        const int b = s.addFill(write::solid(QColor(0, 0, 0)));
        // One edge between the two triangles, fill a on one side and b on the other.
        write::Path p;
        p.fill1 = a;
        p.moveTo({10, 83.3}).lineTo({10, 10}).lineTo({90, 10});
        write::Path shared;
        shared.fill1 = a;
        shared.fill0 = b;
        shared.moveTo({90, 10}).lineTo({10, 83.3});
        write::Path q;
        q.fill1 = b;
        q.moveTo({90, 10}).lineTo({90, 83.3}).lineTo({10, 83.3});
        s.path(p).path(shared).path(q);
        auto lightest = [](const QImage& img) {
            int worst = 0;
            for (int y = 12; y < 80; ++y)
                for (int x = 12; x < 88; ++x)
                    worst = std::max(worst, qGray(img.pixel(x, y)));
            return worst;
        };
        Player player;
        player.setMovie(oneShape(s));
        QImage unsealed(100, 100, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&unsealed);
        RenderOptions options;
        options.sealSharedEdges = false;
        player.render(painter, QRectF(0, 0, 100, 100), options);
        painter.end();
        QVERIFY2(lightest(unsealed) > 20, "the fixture no longer shows the seam it guards against");

        const QImage img = renderImage(player, {100, 100});
        int worst = 0;
        QPoint at;
        for (int y = 12; y < 80; ++y)
            for (int x = 12; x < 88; ++x)
                if (qGray(img.pixel(x, y)) > worst) {
                    worst = qGray(img.pixel(x, y));
                    at = {x, y};
                }
        QVERIFY2(
            worst <= 8,
            qPrintable(QString("lightest pixel %1 at %2,%3").arg(worst).arg(at.x()).arg(at.y())));
    }

    void linearGradientEndsAndMiddle() {
        write::ShapeBuilder s;
        s.rect({0, 0, 100, 100},
               s.addFill(write::linearGradient({0, 0, 100, 100},
                                               {{0, QColor(255, 0, 0)}, {1, QColor(0, 0, 255)}})));
        const QImage img = renderMovie(oneShape(s));
        QVERIFY(near(img.pixel(1, 50), QColor(255, 0, 0), 8));
        QVERIFY(near(img.pixel(98, 50), QColor(0, 0, 255), 8));
        QVERIFY(near(img.pixel(50, 50), QColor(128, 0, 128), 8));
    }

    // Stops sharing a ratio show one after another, one ratio value each, and the segment
    // after them starts from the last.
    void stopsAtOneRatioTakeAValueEach() {
        const double at = 50 / 255.0;
        write::ShapeBuilder s;
        s.rect({0, 0, 100, 100},
               s.addFill(write::linearGradient({0, 0, 255, 100}, {{0, QColor(255, 0, 0)},
                                                                  {at, QColor(255, 0, 0)},
                                                                  {at, QColor(0, 255, 0)},
                                                                  {at, QColor(0, 0, 255)},
                                                                  {1, QColor(0, 0, 0)}})));
        const QImage img = renderMovie(oneShape(s));
        QVERIFY(near(img.pixel(50, 50), QColor(255, 0, 0), 8));
        QVERIFY2(near(img.pixel(51, 50), QColor(0, 255, 0), 8),
                 qPrintable(QColor(img.pixel(51, 50)).name()));
        QVERIFY(near(img.pixel(52, 50), QColor(0, 0, 255), 8));
        QVERIFY(near(img.pixel(80, 50), QColor(0, 0, 220), 12));
    }

    // Colour and alpha mix apart: half way from clear black to white is a half-clear grey,
    // which darkens the white stage.
    void gradientMixesColourAndAlphaApart() {
        write::ShapeBuilder s;
        s.rect({0, 0, 100, 100},
               s.addFill(write::linearGradient(
                   {0, 0, 100, 100}, {{0, QColor(0, 0, 0, 0)}, {1, QColor(255, 255, 255)}})));
        const QImage img = renderMovie(oneShape(s));
        QVERIFY2(near(img.pixel(50, 50), QColor(191, 191, 191), 8),
                 qPrintable(QColor(img.pixel(50, 50)).name()));
    }

    // Without anti-aliasing a pixel whose centre lies on a shape's left or top edge is
    // filled, one on its right or bottom edge is not: an edge at x.5 takes pixel x.
    void aliasedEdgesThroughPixelCentres() {
        write::ShapeBuilder s;
        s.rect({10.5, 10.5, 10, 10}, s.addFill(write::solid(Qt::red)));
        const QImage img = renderMovie(oneShape(s), {100, 100}, Quality::Low);
        QVERIFY(near(img.pixel(10, 15), Qt::red));
        QVERIFY(near(img.pixel(19, 15), Qt::red));
        QVERIFY(near(img.pixel(20, 15), Qt::white));
        QVERIFY(near(img.pixel(15, 10), Qt::red));
        QVERIFY(near(img.pixel(15, 20), Qt::white));
        QVERIFY(near(img.pixel(9, 15), Qt::white));
    }

    void radialGradientCentreAndEdge() {
        write::ShapeBuilder s;
        s.rect({0, 0, 100, 100},
               s.addFill(write::radialGradient({0, 0, 100, 100},
                                               {{0, QColor(255, 255, 0)}, {1, QColor(0, 0, 0)}})));
        const QImage img = renderMovie(oneShape(s));
        QVERIFY(near(img.pixel(50, 50), QColor(255, 255, 0), 8));
        QVERIFY(near(img.pixel(50, 1), QColor(0, 0, 0), 12));
        QVERIFY(near(img.pixel(2, 2), QColor(0, 0, 0), 4)); // padded beyond the radius
    }

    // A 10 px line stays 10 px wide; a hairline under a 0.1 scale stays one pixel.
    void strokeWidthAndHairline() {
        write::ShapeBuilder s;
        write::Path p;
        p.line = s.addLine(write::line(10, Qt::black));
        p.moveTo({10, 50}).lineTo({90, 50});
        s.path(p);
        const QImage img = renderMovie(oneShape(s));
        QVERIFY(near(img.pixel(50, 46), Qt::black));
        QVERIFY(near(img.pixel(50, 53), Qt::black));
        QVERIFY(near(img.pixel(50, 57), Qt::white));
        QVERIFY(near(img.pixel(50, 43), Qt::white));

        write::ShapeBuilder h;
        write::Path hp;
        hp.line = h.addLine(write::line(0.5, Qt::black));
        hp.moveTo({0, 500}).lineTo({1000, 500});
        h.path(hp);
        const QImage tiny = renderMovie(oneShape(h, QTransform::fromScale(0.1, 0.1)));
        int darkest = 255, darkRows = 0;
        for (int y = 45; y < 56; ++y) {
            const int g = qGray(tiny.pixel(50, y));
            darkest = std::min(darkest, g);
            darkRows += g < 200;
        }
        QVERIFY2(darkest < 130, qPrintable(QString::number(darkest)));
        QVERIFY(darkRows <= 2);
    }

    void colourTransformWithAlpha() {
        write::ShapeBuilder s;
        s.rect({0, 0, 100, 100}, s.addFill(write::solid(QColor(0, 0, 0))));
        ColorTransform cx;
        cx.aMult = 0.5;
        cx.rAdd = 255;
        const QImage img = renderMovie(oneShape(s, {}, cx));
        // Red at half alpha over white.
        QVERIFY(near(img.pixel(50, 50), QColor(255, 128, 128), 4));
    }

    // Depth 1 is a mask over depth 2 (a full-stage blue square): blue shows only inside
    // the mask; depth 3 is above the mask and shows everywhere it is drawn. The mask is a
    // shape, or a sprite of two overlapping shapes.
    void maskHidesAndReveals_data() {
        QTest::addColumn<bool>("spriteMask");
        QTest::newRow("shape mask") << false;
        QTest::newRow("sprite mask") << true;
    }
    void maskHidesAndReveals() {
        QFETCH(bool, spriteMask);
        write::SwfWriter w({100, 100});
        w.background(Qt::white);
        write::ShapeBuilder left, right;
        left.rect({0, 0, 30, 100}, left.addFill(write::solid(Qt::black)));
        right.rect({20, 0, 30, 100}, right.addFill(write::solid(Qt::black)));
        write::ShapeBuilder content;
        content.rect({0, 0, 100, 100}, content.addFill(write::solid(Qt::blue)));
        write::ShapeBuilder above;
        above.rect({60, 0, 40, 20}, above.addFill(write::solid(Qt::red)));
        std::uint16_t m;
        if (spriteMask) {
            const auto l = w.defineShape(left);
            const auto r = w.defineShape(right);
            write::Timeline sprite;
            sprite.place({.depth = 1, .character = l}).place({.depth = 2, .character = r});
            sprite.showFrame();
            m = w.defineSprite(sprite);
        } else {
            write::ShapeBuilder whole;
            whole.rect({0, 0, 50, 100}, whole.addFill(write::solid(Qt::black)));
            m = w.defineShape(whole);
        }
        const auto c = w.defineShape(content);
        const auto a = w.defineShape(above);
        w.place({.depth = 1, .character = m, .clipDepth = 2});
        w.place({.depth = 2, .character = c});
        w.place({.depth = 3, .character = a});
        w.showFrame();
        const QImage img = renderMovie(load(w.finish()));
        QVERIFY(near(img.pixel(10, 50), Qt::blue));
        QVERIFY(near(img.pixel(25, 50), Qt::blue)); // where the sprite's shapes overlap
        QVERIFY(near(img.pixel(45, 50), Qt::blue));
        QVERIFY(near(img.pixel(75, 50), Qt::white));
        QVERIFY(near(img.pixel(75, 10), Qt::red));
    }

    // PlaceObject3 blend modes: a blue square over yellow.
    void blendModes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("normal") << int(BlendMode::Normal) << QColor(0, 0, 255);
        QTest::newRow("multiply") << int(BlendMode::Multiply) << QColor(0, 0, 0);
        QTest::newRow("screen") << int(BlendMode::Screen) << QColor(255, 255, 255);
        QTest::newRow("add") << int(BlendMode::Add) << QColor(255, 255, 255);
        QTest::newRow("darken") << int(BlendMode::Darken) << QColor(0, 0, 0);
        QTest::newRow("difference") << int(BlendMode::Difference) << QColor(255, 255, 255);
    }
    void blendModes() {
        QFETCH(int, mode);
        QFETCH(QColor, expected);
        write::SwfWriter w({100, 100});
        w.background(Qt::white);
        write::ShapeBuilder under, over;
        under.rect({0, 0, 100, 100}, under.addFill(write::solid(Qt::yellow)));
        over.rect({25, 25, 50, 50}, over.addFill(write::solid(Qt::blue)));
        const auto u = w.defineShape(under);
        const auto o = w.defineShape(over);
        w.place({.depth = 1, .character = u});
        w.place({.depth = 2, .character = o, .blendMode = BlendMode(mode)});
        w.showFrame();
        const QImage img = renderMovie(load(w.finish()));
        QVERIFY(near(img.pixel(50, 50), expected));
        QVERIFY(near(img.pixel(10, 10), Qt::yellow));
    }

    // Reflect and repeat spreads continue the gradient past its square.
    void gradientSpread_data() {
        QTest::addColumn<int>("spread");
        QTest::addColumn<QColor>("beyond");
        QTest::newRow("pad") << int(Gradient::Pad) << QColor(0, 0, 255);
        QTest::newRow("reflect") << int(Gradient::Reflect) << QColor(255, 0, 0);
        QTest::newRow("repeat") << int(Gradient::Repeat) << QColor(0, 0, 255);
    }
    void gradientSpread() {
        QFETCH(int, spread);
        QFETCH(QColor, beyond);
        write::ShapeBuilder s;
        s.rect({0, 0, 100, 100},
               s.addFill(write::linearGradient({0, 0, 50, 100},
                                               {{0, QColor(255, 0, 0)}, {1, QColor(0, 0, 255)}},
                                               Gradient::Spread(spread))));
        const QImage img = renderMovie(oneShape(s));
        QVERIFY(near(img.pixel(1, 50), QColor(255, 0, 0), 12));
        QVERIFY2(near(img.pixel(99, 50), beyond, 12), qPrintable(QColor(img.pixel(99, 50)).name()));
    }

    // Buttons show their up state (a red square); the over state (blue) stays hidden.
    void buttonShowsUpState_data() {
        QTest::addColumn<int>("code");
        QTest::newRow("DefineButton") << 7;
        QTest::newRow("DefineButton2") << 34;
    }
    void buttonShowsUpState() {
        QFETCH(int, code);
        write::SwfWriter w({100, 100});
        w.background(Qt::white);
        write::ShapeBuilder up, over;
        up.rect({0, 0, 50, 50}, up.addFill(write::solid(Qt::red)));
        over.rect({0, 0, 100, 100}, over.addFill(write::solid(Qt::blue)));
        const auto upId = w.defineShape(up);
        const auto overId = w.defineShape(over);
        const auto button = w.takeId();
        QByteArray body;
        body.append(char(button & 0xff)).append(char(button >> 8));
        if (code == 34)
            body.append(QByteArray(3, '\0'));
        for (auto [flags, id] : {std::pair{0x02, overId}, std::pair{0x01, upId}}) {
            body.append(char(flags)).append(char(id)).append(char(0));
            body.append(char(flags)).append(char(0)); // depth
            body.append(write::matrixBytes(QTransform::fromTranslate(200, 200)));
            if (code == 34)
                body.append(write::colorTransformBytes({}, true));
        }
        body.append(char(0));
        w.rawTag(code, body);
        w.place({.depth = 1, .character = button});
        w.showFrame();
        const QImage img = renderMovie(load(w.finish()));
        QVERIFY(near(img.pixel(30, 30), Qt::red));
        QVERIFY(near(img.pixel(80, 80), Qt::white));
        QVERIFY(near(img.pixel(5, 5), Qt::white)); // moved by the record's 10 px
    }

    // Bitmap fills whose image is not in the dictionary draw nothing.
    void missingBitmapDrawsNothing() {
        write::ShapeBuilder s;
        s.rect({0, 0, 100, 100}, s.addFill(write::bitmapFill(99, {0, 0})));
        const QImage img = renderMovie(oneShape(s));
        QVERIFY(near(img.pixel(50, 50), Qt::white));
    }
};

QTEST_MAIN(TestSwfRender)
#include "test_render.moc"
