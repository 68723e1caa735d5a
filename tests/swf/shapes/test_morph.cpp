#include "swf/swf_fixtures.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;

// A morph from a red square at the top left to a blue square at the bottom right (with a
// curved edge at the end), drawn at the placed ratio.
class TestSwfMorph : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void interpolatesByRatio_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("ratio");
        QTest::addColumn<QPoint>("inside");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QPoint>("outside");
        for (int v : {3, 4}) {
            const char* tag = v == 3 ? "DefineMorphShape" : "DefineMorphShape2";
            QTest::addRow("%s start", tag)
                << v << 0 << QPoint(10, 10) << QColor(255, 0, 0) << QPoint(45, 45);
            QTest::addRow("%s half", tag)
                << v << 32768 << QPoint(45, 45) << QColor(128, 0, 127) << QPoint(10, 10);
            QTest::addRow("%s end", tag)
                << v << 65535 << QPoint(85, 85) << QColor(0, 0, 255) << QPoint(45, 45);
        }
    }
    void interpolatesByRatio() {
        QFETCH(int, version);
        QFETCH(int, ratio);
        QFETCH(QPoint, inside);
        QFETCH(QColor, colour);
        QFETCH(QPoint, outside);
        write::ShapeBuilder start(version), end(version);
        start.rect({0, 0, 20, 20}, start.addFill(write::solid(Qt::red)));
        write::Path p;
        p.fill1 = end.addFill(write::solid(Qt::blue));
        p.moveTo({70, 70}).lineTo({100, 70}).lineTo({100, 100}).curveTo({85, 105}, {70, 100});
        p.lineTo({70, 70});
        end.path(p);
        write::SwfWriter w({100, 100});
        w.background(Qt::white);
        const auto id = w.defineMorphShape(start, end);
        w.place({.depth = 1, .character = id, .ratio = static_cast<std::uint16_t>(ratio)});
        w.showFrame();
        auto movie = load(w.finish());
        QVERIFY(movie);
        Player player;
        player.setMovie(movie);
        const QImage img = renderImage(player, {100, 100});
        QVERIFY2(near(img.pixel(inside), colour, 4), qPrintable(QColor(img.pixel(inside)).name()));
        QVERIFY(near(img.pixel(outside), Qt::white));
    }

    // Moving the ratio on a later frame redraws the morph there.
    void ratioChangesOverFrames() {
        write::ShapeBuilder start, end;
        start.rect({0, 0, 10, 100}, start.addFill(write::solid(Qt::black)));
        end.rect({0, 0, 100, 100}, end.addFill(write::solid(Qt::black)));
        write::SwfWriter w({100, 100});
        w.background(Qt::white);
        const auto id = w.defineMorphShape(start, end);
        w.place({.depth = 1, .character = id, .ratio = 0});
        w.showFrame();
        w.place({.depth = 1, .move = true, .ratio = 65535});
        w.showFrame();
        Player player;
        player.setMovie(load(w.finish()));
        QVERIFY(near(renderImage(player, {100, 100}).pixel(50, 50), Qt::white));
        player.tick();
        QVERIFY(near(renderImage(player, {100, 100}).pixel(50, 50), Qt::black));
        player.stepBack();
        QVERIFY(near(renderImage(player, {100, 100}).pixel(50, 50), Qt::white));
    }
};

QTEST_MAIN(TestSwfMorph)
#include "test_morph.moc"
