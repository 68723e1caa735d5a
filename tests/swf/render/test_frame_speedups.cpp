// The renderer's speed-ups (redrawing only what changed, tiles on two threads, kept
// pictures of characters, the per-player draw cache) against drawing every frame afresh.
#include "swf/format/draw_cache.h"
#include "swf/render/draw_records.h"
#include "swf/swf_fixtures.h"
#include "swfwriter/writer_media.h"

#include <QTest>

#include <cmath>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

// Things that move, turn, morph, appear, go, fade, and are masked or blended, over a
// gradient and a grid of shared edges, for twelve frames.
QByteArray busyMovie() {
    write::SwfWriter w({200, 150}, 24);
    w.background(QColor(240, 240, 200));
    write::ShapeBuilder sky;
    sky.rect({0, 0, 200, 150}, sky.addFill(write::linearGradient(
                                   {0, 0, 200, 150}, {{0, QColor(80, 140, 255)}, {1, Qt::white}})));
    write::ShapeBuilder grid;
    const int a = grid.addFill(write::solid(QColor(200, 60, 40)));
    const int b = grid.addFill(write::solid(QColor(40, 160, 60)));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            grid.rect({10 + x * 12.0, 90 + y * 12.0, 12, 12}, (x + y) % 2 ? a : b);
    write::ShapeBuilder disc;
    disc.ellipse({-15, -15, 30, 30}, disc.addFill(write::solid(QColor(0, 90, 255, 150))),
                 disc.addLine(write::line(1.5, Qt::black)));
    write::ShapeBuilder big, small;
    big.ellipse({0, 0, 40, 30}, big.addFill(write::solid(Qt::white)));
    small.ellipse({10, 5, 20, 10}, small.addFill(write::solid(Qt::red)));
    const auto skyId = w.defineShape(sky);
    const auto gridId = w.defineShape(grid);
    const auto discId = w.defineShape(disc);
    const auto morphId = w.defineMorphShape(big, small);
    write::Timeline spin;
    for (int f = 0; f < 4; ++f) {
        QTransform m;
        m.rotate(f * 20.0);
        spin.place(f == 0 ? write::Place{.depth = 1, .character = discId, .matrix = m}
                          : write::Place{.depth = 1, .move = true, .matrix = m});
        spin.showFrame();
    }
    const auto spinId = w.defineSprite(spin);
    w.place({.depth = 1, .character = skyId});
    w.place({.depth = 2, .character = gridId});
    for (int f = 0; f < 12; ++f) {
        const QTransform slide = QTransform::fromTranslate(20 + f * 7.3, 40);
        ColorTransform fade;
        fade.aMult = 1 - f / 14.0;
        const auto ratio = static_cast<std::uint16_t>(f * 65535 / 11);
        if (f == 0) {
            w.place({.depth = 3, .character = spinId, .matrix = slide});
            w.place({.depth = 4,
                     .character = discId,
                     .matrix = QTransform::fromTranslate(150, 100),
                     .clipDepth = 6});
            w.place({.depth = 5,
                     .character = skyId,
                     .matrix = QTransform::fromScale(-1, 1).translate(-200, 0)});
            w.place({.depth = 7,
                     .character = morphId,
                     .matrix = QTransform::fromTranslate(120, 20),
                     .ratio = ratio});
            w.place({.depth = 8,
                     .character = spinId,
                     .matrix = QTransform::fromTranslate(100, 110),
                     .blendMode = BlendMode::Multiply});
        } else {
            w.place({.depth = 3, .move = true, .matrix = slide});
            w.place(
                {.depth = 4, .move = true, .matrix = QTransform::fromTranslate(150 - f * 4, 100)});
            w.place({.depth = 7, .move = true, .cxform = fade, .ratio = ratio});
        }
        if (f == 5)
            w.remove(8);
        if (f == 8)
            w.place({.depth = 9, .character = discId, .matrix = QTransform::fromTranslate(60, 60)});
        w.showFrame();
    }
    return w.finish();
}

// Device-font fields (one with a border, one in HTML) that slide by fractions of a pixel and
// fade, then hold still, and outline text that turns, then holds: kept pictures and the
// second band's fonts come into play once things stop.
QByteArray textMovie() {
    write::SwfWriter w({200, 150}, 24);
    w.background(QColor(250, 248, 240));
    const QString words = QStringLiteral("Quick brown fox 0123");
    const write::FontDesign outlines =
        write::fontFromSystem(QStringLiteral("DejaVu Sans"), words, 3);
    const auto outlineId = write::defineFont(w, outlines);
    const auto turning = write::defineText(
        w, outlineId, outlines,
        {{words, {4, 16}, 14, QColor(200, 30, 30)}, {words, {4, 34}, 11, QColor(0, 90, 0)}});
    std::vector<std::uint16_t> fields;
    for (int i = 0; i < 3; ++i) {
        write::EditTextDesign field;
        field.bounds = QRectF(0, 0, 120, 40);
        field.fontHeight = 12 + 2 * i;
        field.wordWrap = field.multiline = true;
        field.border = i == 0;
        field.html = i == 2;
        field.text = i == 2 ? QStringLiteral("<b>Bold</b> <font color=\"#0000C0\">blue</font> "
                                             "and <u>underlined</u> words")
                            : words + QStringLiteral(" jumps over the lazy dog");
        fields.push_back(write::defineEditText(w, field));
    }
    for (int f = 0; f < 12; ++f) {
        const int moving = std::min(f, 5); // everything stops after frame five
        for (int i = 0; i < 3; ++i) {
            ColorTransform fade;
            fade.aMult = 1 - moving * 0.11 - i * 0.05;
            write::Place p{.depth = 1 + i,
                           .move = f > 0,
                           .matrix = QTransform::fromTranslate(5 + i * 30 + moving * 1.35,
                                                               10 + i * 45 + moving * 0.4),
                           .cxform = fade};
            if (f == 0)
                p.character = fields[size_t(i)];
            w.place(p);
        }
        write::Place s{.depth = 10,
                       .move = f > 0,
                       .matrix = QTransform::fromTranslate(40, 90).rotate(moving * 4.0)};
        if (f == 0)
            s.character = turning;
        w.place(s);
        w.showFrame();
    }
    return w.finish();
}

// Every frame of a movie rendered with the given options, the same player throughout.
QList<QImage> frames(const QByteArray& file, QSize size, const RenderOptions& options,
                     int count = 12) {
    Player player;
    player.setMovie(load(file));
    player.play();
    QList<QImage> out;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < count; ++i) {
        image.fill(Qt::magenta);
        QPainter painter(&image);
        player.render(painter, QRectF(QPointF(0, 0), size), options);
        painter.end();
        out.append(image.copy());
        player.tick();
    }
    return out;
}

// The largest difference of any channel of any pixel.
int largestDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            worst = std::max({worst, std::abs(qRed(la[x]) - qRed(lb[x])),
                              std::abs(qGreen(la[x]) - qGreen(lb[x])),
                              std::abs(qBlue(la[x]) - qBlue(lb[x])),
                              std::abs(qAlpha(la[x]) - qAlpha(lb[x]))});
    }
    return worst;
}

RenderOptions plain() {
    RenderOptions o;
    o.redrawChangedOnly = false;
    o.parallelTiles = false;
    o.rasterCache = false;
    return o;
}

} // namespace

class TestFrameSpeedups : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void speedUpsLeaveThePictureAsItIs_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("quality");
        const QByteArray busy = busyMovie(), text = textMovie();
        QTest::newRow("small, high") << busy << QSize(200, 150) << int(Quality::High);
        QTest::newRow("small, low") << busy << QSize(200, 150) << int(Quality::Low);
        // Large enough for two tiles, and not a multiple of the stage.
        QTest::newRow("large, high") << busy << QSize(1001, 757) << int(Quality::High);
        QTest::newRow("text, small") << text << QSize(200, 150) << int(Quality::High);
        QTest::newRow("text, large") << text << QSize(1001, 757) << int(Quality::High);
        QTest::newRow("text, medium") << text << QSize(1001, 757) << int(Quality::Medium);
    }
    void speedUpsLeaveThePictureAsItIs() {
        QFETCH(QByteArray, movie);
        QFETCH(QSize, size);
        QFETCH(int, quality);
        RenderOptions base = plain();
        base.quality = static_cast<Quality>(quality);
        const auto reference = frames(movie, size, base);

        RenderOptions changedOnly = base, tiles = base, all = base;
        changedOnly.redrawChangedOnly = true;
        tiles.redrawChangedOnly = tiles.parallelTiles = true;
        all.redrawChangedOnly = all.parallelTiles = all.rasterCache = true;
        const auto withChangedOnly = frames(movie, size, changedOnly);
        const auto withTiles = frames(movie, size, tiles);
        const auto withAll = frames(movie, size, all);
        for (int i = 0; i < reference.size(); ++i) {
            // Qt steps gradients along each span from its first pixel, so a span cut by a
            // redraw's edge may round one level differently; nothing else may change.
            QVERIFY2(largestDifference(withChangedOnly[i], reference[i]) <= 1,
                     qPrintable(QString::number(i)));
            QVERIFY2(largestDifference(withTiles[i], reference[i]) <= 1,
                     qPrintable(QString::number(i)));
            // Kept pictures may round overlapping anti-aliased edges a little differently.
            QVERIFY2(largestDifference(withAll[i], reference[i]) <= 3,
                     qPrintable(QString::number(i)));
        }
    }

    void keptFrameFollowsTargetAndMovieChanges() {
        const QByteArray movie = busyMovie();
        Player player;
        player.setMovie(load(movie));
        QImage image(200, 150, QImage::Format_ARGB32_Premultiplied);
        auto draw = [&](const QRectF& target) {
            image.fill(Qt::magenta);
            QPainter painter(&image);
            player.render(painter, target);
        };
        draw({0, 0, 200, 150});
        // A smaller target elsewhere: the stage is drawn afresh there, the rest untouched.
        draw({100, 75, 100, 75});
        QCOMPARE(image.pixel(10, 10), QColor(Qt::magenta).rgb());
        QVERIFY(image.pixel(150, 100) != QColor(Qt::magenta).rgb());
        // Another movie in the same player draws its own frame, not the kept one.
        write::SwfWriter w({200, 150});
        w.background(Qt::yellow);
        w.showFrame();
        player.setMovie(load(w.finish()));
        draw({0, 0, 200, 150});
        QCOMPARE(image.pixel(100, 75), QColor(Qt::yellow).rgb());
    }

    void turnedPainterGetsTheFrameDrawnStraight() {
        write::SwfWriter w({100, 100});
        w.background(Qt::white);
        write::ShapeBuilder s;
        s.rect({0, 0, 50, 100}, s.addFill(write::solid(Qt::blue)));
        w.place({.depth = 1, .character = w.defineShape(s)});
        w.showFrame();
        Player player;
        player.setMovie(load(w.finish()));
        QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        painter.translate(100, 0);
        painter.rotate(90); // the stage's left half lands on the top half
        player.render(painter, {0, 0, 100, 100});
        painter.end();
        QVERIFY(near(image.pixel(50, 20), Qt::blue));
        QVERIFY(near(image.pixel(50, 80), Qt::white));
    }

    void changedAreasCoverWhatMovedAppearedOrWent() {
        const std::vector<DrawRecord> before{{1, {0, 0, 10, 10}}, {2, {50, 50, 10, 10}}};
        const std::vector<DrawRecord> same = before;
        QVERIFY(changedAreas(before, same).empty());
        std::vector<DrawRecord> moved = before;
        moved[1] = {3, {60, 50, 10, 10}};
        const auto areas = changedAreas(before, moved);
        QCOMPARE(areas.size(), size_t(2)); // where it was and where it is
        const std::vector<DrawRecord> grown{before[0], before[1], {4, {90, 90, 5, 5}}};
        QCOMPARE(changedAreas(before, grown).size(), size_t(1));
        QCOMPARE(changedAreas(grown, before).size(), size_t(1));
    }

    void coveringRectsStayInsideAndFew() {
        const QRect within(0, 0, 100, 100);
        // Overlapping areas merge into one; one reaching outside is cut.
        auto rects =
            coveringRects({{10, 10, 20, 20}, {15, 15, 20, 20}, {90.5, 90.5, 30, 30}}, within, 8);
        QCOMPARE(rects.size(), size_t(2));
        for (const QRect& r : rects)
            QVERIFY(within.contains(r));
        QVERIFY(rects[0].contains(QRect(9, 9, 27, 27)));
        // Many scattered areas end as at most the allowed number, still covering them all.
        std::vector<QRectF> scattered;
        for (int i = 0; i < 30; ++i)
            scattered.push_back(QRectF((i * 37) % 90, (i * 53) % 90, 3, 3));
        rects = coveringRects(scattered, within, 4);
        QVERIFY(rects.size() <= 4);
        for (const QRectF& a : scattered) {
            const QRect need = a.toAlignedRect() & within;
            QVERIFY(std::any_of(rects.begin(), rects.end(),
                                [&](const QRect& r) { return r.contains(need); }));
        }
        QVERIFY(coveringRects({{200, 200, 5, 5}}, within, 4).empty());
    }

    void drawCacheKeepsWithinItsBudget() {
        DrawCache cache(1000);
        int made = 0;
        const int key = 0;
        auto make = [&] {
            ++made;
            return 7;
        };
        QCOMPARE(*cache.get<int>(&key, 1, make, 400), 7);
        cache.get<int>(&key, 1, make, 400);
        QCOMPARE(made, 1);
        cache.endFrame();
        cache.get<int>(&key, 2, make, 400);
        cache.get<int>(&key, 3, make, 400); // over budget now
        cache.endFrame();
        cache.endFrame(); // entry 1 unused for two frames: dropped, the others stay
        QCOMPARE(cache.size(), size_t(2));
        // A single frame over budget on its own empties the cache rather than growing.
        cache.get<int>(&key, 4, make, 5000);
        cache.endFrame();
        QCOMPARE(cache.size(), size_t(0));
        // Wanted again in the next frame counts; twice in one frame (two tiles) or again after
        // a gap does not, so a motion that loops never pays for pictures it uses once a loop.
        DrawCache seen;
        QVERIFY(!seen.seenInLastFrame(&key, 9));
        QVERIFY(!seen.seenInLastFrame(&key, 9));
        seen.endFrame();
        QVERIFY(seen.seenInLastFrame(&key, 9));
        QVERIFY(seen.seenInLastFrame(&key, 9));
        seen.endFrame();
        seen.endFrame();
        QVERIFY(!seen.seenInLastFrame(&key, 9));
        // Without a cache every request makes the value.
        made = 0;
        cached<int>(nullptr, &key, 1, make);
        cached<int>(nullptr, &key, 1, make);
        QCOMPARE(made, 2);
    }
};

QTEST_MAIN(TestFrameSpeedups)
#include "test_frame_speedups.moc"
