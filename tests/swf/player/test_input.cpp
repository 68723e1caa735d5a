#include "swf/display/input_state.h"
#include "swf/player/input_event.h"
#include "swf/swf_fixtures.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;
using write::SwfWriter;

namespace {

std::shared_ptr<const Movie> stageOf(QSizeF size) {
    SwfWriter w(size);
    w.showFrame();
    return load(w.finish());
}

InputEvent key(InputEvent::Kind kind, int code) {
    InputEvent e;
    e.kind = kind;
    e.keyCode = code;
    return e;
}

} // namespace

// Pointer positions and keys as the movie sees them.
class InputTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stagePointUndoesShowAllAndZoom_data() {
        QTest::addColumn<QRectF>("target");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QPointF>("targetPoint");
        QTest::addColumn<QPointF>("expected");
        // A 200x100 stage in a 400x400 target: scale 2, bands of 100 above and below.
        QTest::newRow("top left") << QRectF(0, 0, 400, 400) << 1.0 << QPointF(0, 100)
                                  << QPointF(0, 0);
        QTest::newRow("centre") << QRectF(0, 0, 400, 400) << 1.0 << QPointF(200, 200)
                                << QPointF(100, 50);
        QTest::newRow("band above")
            << QRectF(0, 0, 400, 400) << 1.0 << QPointF(0, 0) << QPointF(0, -50);
        QTest::newRow("offset target")
            << QRectF(10, 20, 200, 100) << 1.0 << QPointF(210, 120) << QPointF(200, 100);
        // Zoomed twice around the centre: the target's corner shows the stage's quarter point.
        QTest::newRow("zoom 2") << QRectF(0, 0, 200, 100) << 2.0 << QPointF(0, 0)
                                << QPointF(50, 25);
    }
    void stagePointUndoesShowAllAndZoom() {
        QFETCH(QRectF, target);
        QFETCH(double, zoom);
        QFETCH(QPointF, targetPoint);
        QFETCH(QPointF, expected);
        Player player;
        player.setMovie(stageOf({200, 100}));
        RenderOptions options;
        options.zoom = zoom;
        const std::optional<QPointF> point = player.stagePoint(targetPoint, target, options);
        QVERIFY(point);
        QCOMPARE(*point, expected);
    }

    void stagePointNeedsAMovie() {
        Player player;
        QVERIFY(!player.stagePoint({1, 1}, QRectF(0, 0, 10, 10)));
    }

    void qtKeysBecomeMovieKeyCodes_data() {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<int>("code");
        QTest::newRow("letter") << int(Qt::Key_Q) << false << 81;
        QTest::newRow("digit") << int(Qt::Key_7) << false << 55;
        QTest::newRow("shifted digit") << int(Qt::Key_Exclam) << false << 49;
        QTest::newRow("keypad digit") << int(Qt::Key_7) << true << 103;
        QTest::newRow("keypad plus") << int(Qt::Key_Plus) << true << 107;
        QTest::newRow("plus on the = key") << int(Qt::Key_Plus) << false << 187;
        QTest::newRow("arrow") << int(Qt::Key_Left) << false << 37;
        QTest::newRow("enter") << int(Qt::Key_Enter) << true << 13;
        QTest::newRow("F12") << int(Qt::Key_F12) << false << 123;
        QTest::newRow("unknown") << int(Qt::Key_MediaPlay) << false << 0;
    }
    void qtKeysBecomeMovieKeyCodes() {
        QFETCH(int, qtKey);
        QFETCH(bool, keypad);
        QFETCH(int, code);
        QCOMPARE(movieKeyCode(qtKey, keypad), code);
    }

    void keysAndPointerAreTracked() {
        Player player;
        player.setMovie(stageOf({100, 100}));
        player.handleInput(key(InputEvent::Kind::FocusGained, 0));
        player.handleInput(key(InputEvent::Kind::KeyDown, keycode::Left));
        player.handleInput(key(InputEvent::Kind::KeyDown, keycode::Space));
        player.handleInput(key(InputEvent::Kind::KeyUp, keycode::Space));
        QVERIFY(player.inputState().keysDown.test(keycode::Left));
        QVERIFY(!player.inputState().keysDown.test(keycode::Space));
        QCOMPARE(player.inputState().lastKeyCode, int(keycode::Space));
        // Keys held when the focus leaves are not stuck down afterwards.
        player.handleInput(key(InputEvent::Kind::FocusLost, 0));
        QVERIFY(player.inputState().keysDown.none());
        // Hostile codes are ignored, not written out of bounds.
        player.handleInput(key(InputEvent::Kind::KeyDown, 100000));
        player.handleInput(key(InputEvent::Kind::KeyDown, -5));
        QVERIFY(player.inputState().keysDown.none());

        InputEvent press;
        press.kind = InputEvent::Kind::MouseDown;
        press.position = {30, 40};
        player.handleInput(press);
        QVERIFY(player.inputState().primaryDown);
        QCOMPARE(player.inputState().pointer, QPointF(30, 40));
        press.kind = InputEvent::Kind::MouseUp;
        player.handleInput(press);
        QVERIFY(!player.inputState().primaryDown);
    }
};

QTEST_MAIN(InputTest)
#include "test_input.moc"
