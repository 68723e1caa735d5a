#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

QTransform at(double x, double y) {
    return QTransform::fromTranslate(x, y);
}

// Flattened display list: depth, character, x translation (twips), ratio, nested frame.
QStringList describe(const TimelineInstance& t) {
    QStringList out;
    for (const auto& [depth, o] : t.displayList()) {
        out << QStringLiteral("%1:%2@%3 r%4 f%5")
                   .arg(depth)
                   .arg(o.placement.characterId)
                   .arg(o.placement.matrix.dx())
                   .arg(o.placement.ratio)
                   .arg(o.sprite ? o.sprite->currentFrame() : -1);
    }
    return out;
}

// Ten frames: a box moves right one step per frame; a second object arrives at frame 3
// and leaves at frame 7; frame 5 replaces depth 1's character.
std::shared_ptr<const Movie> busyMovie() {
    write::SwfWriter w({100, 100});
    write::ShapeBuilder a;
    a.rect({0, 0, 10, 10}, a.addFill(write::solid(Qt::red)));
    write::ShapeBuilder b;
    b.rect({0, 0, 10, 10}, b.addFill(write::solid(Qt::blue)));
    const auto ida = w.defineShape(a);
    const auto idb = w.defineShape(b);
    w.place({.depth = 1, .character = ida, .matrix = at(0, 0)});
    w.showFrame();
    for (int f = 1; f < 10; ++f) {
        write::Place move{.depth = 1, .move = true, .matrix = at(f, 0)};
        if (f == 5)
            move.character = idb;
        w.place(move);
        if (f == 3)
            w.place({.depth = 2, .character = idb, .matrix = at(50, 50), .ratio = 7});
        if (f == 7)
            w.remove(2);
        w.showFrame();
    }
    return load(w.finish());
}

// A sprite of four frames (a box moving) on a root of three frames whose first frame
// stops; the sprite keeps playing.
std::shared_ptr<const Movie> spriteMovie() {
    write::SwfWriter w({100, 100});
    w.background(Qt::white);
    write::ShapeBuilder s;
    s.rect({0, 0, 10, 10}, s.addFill(write::solid(Qt::black)));
    const auto box = w.defineShape(s);
    write::Timeline sprite;
    sprite.place({.depth = 1, .character = box, .matrix = at(0, 0)});
    sprite.showFrame();
    for (int f = 1; f < 4; ++f)
        sprite.place({.depth = 1, .move = true, .matrix = at(20 * f, 0)}).showFrame();
    const auto id = w.defineSprite(sprite);
    w.place({.depth = 1, .character = id, .name = QStringLiteral("walker")});
    w.actions(write::Actions().stop());
    w.showFrame(3);
    return load(w.finish());
}

} // namespace

class TestSwfTimeline : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Going to a frame by goto gives the display list that playing there gives.
    void gotoMatchesPlaying() {
        auto movie = busyMovie();
        QVERIFY(movie);
        std::vector<QStringList> played;
        {
            PlayContext context{movie.get()};
            auto root = std::make_shared<TimelineInstance>(movie->root, context, 0);
            root->enterFirstFrame();
            played.push_back(describe(*root));
            for (int f = 1; f < 10; ++f) {
                root->tick(false);
                QCOMPARE(root->currentFrame(), f);
                played.push_back(describe(*root));
            }
        }
        QCOMPARE(played[4].size(), 2);
        QCOMPARE(played[8].size(), 1);
        PlayContext context{movie.get()};
        auto root = std::make_shared<TimelineInstance>(movie->root, context, 0);
        root->enterFirstFrame();
        for (int target : {9, 2, 6, 4, 0, 8, 3, 3, 7, 1, 5}) {
            root->gotoFrame(target);
            QCOMPARE(root->currentFrame(), target);
            QCOMPARE(describe(*root), played[static_cast<size_t>(target)]);
        }
    }

    void spriteAdvancesWhileRootStops() {
        Player player;
        player.setMovie(spriteMovie());
        player.play(); // as the widget does right after loading
        player.tick(); // frame 1's stop() runs
        QVERIFY(!player.isPlaying());
        QCOMPARE(player.currentFrame(), 0);
        // The sprite showed its frame 0 at load and has moved one frame per tick.
        QImage img = renderImage(player, {100, 100});
        QVERIFY(near(img.pixel(25, 5), Qt::black));
        player.tick();
        player.tick();
        QCOMPARE(player.currentFrame(), 0);
        img = renderImage(player, {100, 100});
        QVERIFY(near(img.pixel(65, 5), Qt::black));
        QVERIFY(near(img.pixel(25, 5), Qt::white));
        player.tick(); // the sprite loops back to its first frame
        img = renderImage(player, {100, 100});
        QVERIFY(near(img.pixel(5, 5), Qt::black));
    }

    void clockRateAndLoop_data() {
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("interval");
        QTest::newRow("12 fps") << 12.0 << 83;
        QTest::newRow("24 fps") << 24.0 << 42;
        QTest::newRow("30 fps") << 30.0 << 33;
        QTest::newRow("0 fps") << 0.0 << 83;
        QTest::newRow("absurd 250 fps") << 250.0 << 8;
        QTest::newRow("0.5 fps") << 0.5 << 1000;
    }
    void clockRateAndLoop() {
        QFETCH(double, rate);
        QFETCH(int, interval);
        write::SwfWriter w({10, 10}, rate);
        w.showFrame(3);
        Player player;
        player.setMovie(load(w.finish()));
        QCOMPARE(player.frameIntervalMs(), interval);
        QVERIFY(player.isPlaying());
        QCOMPARE(player.frameCount(), 3);
        player.tick();
        player.tick();
        QCOMPARE(player.currentFrame(), 2);
        player.tick();
        QCOMPARE(player.currentFrame(), 0); // loops
        player.setLooping(false);
        player.tick();
        player.tick();
        player.tick();
        QCOMPARE(player.currentFrame(), 2);
        QVERIFY(!player.isPlaying());
    }

    void playerControls() {
        Player player;
        player.stop(); // safe with no movie
        player.tick();
        QVERIFY(!player.hasMovie());
        player.setMovie(busyMovie());
        player.tick();
        player.tick();
        player.stepForward();
        QCOMPARE(player.currentFrame(), 3);
        QVERIFY(!player.isPlaying());
        player.stepBack();
        QCOMPARE(player.currentFrame(), 2);
        player.play();
        player.gotoFrame(8);
        QVERIFY(player.isPlaying());
        player.rewind();
        QCOMPARE(player.currentFrame(), 0);
        QVERIFY(!player.isPlaying());
        player.gotoFrame(1000);
        QCOMPARE(player.currentFrame(), 9);
        player.setMovie(nullptr);
        QCOMPARE(player.frameCount(), 0);
    }

    // Frame actions: a movie that ends with stop() stops; gotos to frames and labels.
    void frameActions_data() {
        QTest::addColumn<QByteArray>("lastFrameActions");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("expectedFrame");
        QTest::addColumn<bool>("expectedPlaying");
        QTest::newRow("stop at end") << write::Actions().stop().bytes() << 10 << 4 << false;
        QTest::newRow("goto frame") << write::Actions().gotoFrame(1).bytes() << 4 << 1 << false;
        QTest::newRow("goto and play")
            << write::Actions().gotoFrame(1).play().bytes() << 5 << 2 << true;
        QTest::newRow("goto label") << write::Actions().gotoLabel("Mid").bytes() << 4 << 2 << false;
        QTest::newRow("unknown label")
            << write::Actions().gotoLabel("nope").bytes() << 5 << 0 << true;
        QTest::newRow("previous frame")
            << write::Actions().previousFrame().bytes() << 4 << 3 << false;
        QTest::newRow("unknown actions skipped")
            << write::Actions().raw(0x96, QByteArray(5, 'x')).raw(0x17).stop().bytes() << 10 << 4
            << false;
        QTest::newRow("truncated action") << QByteArray::fromHex("07"
                                                                 "81ff00")
                                          << 10 << 4 << false;
    }
    void frameActions() {
        QFETCH(QByteArray, lastFrameActions);
        QFETCH(int, ticks);
        QFETCH(int, expectedFrame);
        QFETCH(bool, expectedPlaying);
        write::SwfWriter w({10, 10});
        w.showFrame(2);
        w.label("mid");
        w.showFrame(2);
        w.rawTag(12, lastFrameActions);
        w.showFrame();
        Player player;
        player.setMovie(load(w.finish()));
        player.play();
        for (int i = 0; i < ticks; ++i)
            player.tick();
        QCOMPARE(player.currentFrame(), expectedFrame);
        QCOMPARE(player.isPlaying(), expectedPlaying);
    }

    // A sprite whose last frame says stop() stops there while the root plays on.
    void spriteStopsItself() {
        write::SwfWriter w({100, 100});
        write::Timeline sprite;
        sprite.showFrame(2);
        sprite.actions(write::Actions().stop());
        sprite.showFrame();
        const auto id = w.defineSprite(sprite);
        w.place({.depth = 1, .character = id, .name = QStringLiteral("clip")});
        w.showFrame(5);
        auto movie = load(w.finish());
        Player player;
        player.setMovie(movie);
        for (int i = 0; i < 6; ++i)
            player.tick();
        QVERIFY(player.isPlaying());
        QCOMPARE(player.currentFrame(), 1); // looped round once
        ScriptStage stage(movie);
        for (int i = 0; i < 4; ++i)
            stage.tick();
        auto& root = stage.root;
        auto clip = root->child("clip");
        QVERIFY(clip);
        QCOMPARE(clip->currentFrame(), 2);
        QVERIFY(!clip->isPlaying());
        QVERIFY(root->isPlaying());
    }

    // tellTarget: the root tells a named sprite to stop.
    void setTargetStopsASprite() {
        write::SwfWriter w({100, 100});
        write::Timeline sprite;
        sprite.showFrame(5);
        const auto id = w.defineSprite(sprite);
        w.place({.depth = 1, .character = id, .name = QStringLiteral("clip")});
        w.actions(write::Actions().setTarget("clip").stop().setTarget("").stop());
        w.showFrame();
        auto movie = load(w.finish());
        ScriptStage stage(movie);
        auto& root = stage.root;
        QVERIFY(!root->isPlaying());
        auto clip = root->child("CLIP");
        QVERIFY(clip);
        QVERIFY(!clip->isPlaying());
    }

    // A sprite that places itself would nest forever; the nesting cap stops it.
    void recursiveSpriteIsCapped() {
        write::SwfWriter w({100, 100});
        const std::uint16_t self = w.nextId();
        write::Timeline sprite;
        sprite.place({.depth = 1, .character = self});
        sprite.place({.depth = 2, .character = self});
        sprite.showFrame();
        QCOMPARE(w.defineSprite(sprite), self);
        w.place({.depth = 1, .character = self});
        w.showFrame();
        Player player;
        player.setMovie(load(w.finish()));
        for (int i = 0; i < 3; ++i)
            player.tick();
        renderImage(player, {50, 50});
    }
};

QTEST_MAIN(TestSwfTimeline)
#include "test_timeline.moc"
