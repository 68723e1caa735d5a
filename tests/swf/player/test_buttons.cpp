#include "support/fake_swf_host.h"
#include "swf/display/button.h"
#include "swf/display/pointer_tracker.h"
#include "swf/played_movie.h"
#include "swf/player/input_event.h"
#include "swf/swf_fixtures.h"
#include "swfwriter/writer_button.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;
using write::Actions;
using write::ButtonCondition;
using write::ButtonRecord;
using write::SwfWriter;

namespace {

Actions traced(const char* text) {
    Actions a;
    a.push(text).raw(0x26);
    return a;
}

InputEvent keyDown(int code, char32_t character = 0) {
    InputEvent e;
    e.kind = InputEvent::Kind::KeyDown;
    e.keyCode = code;
    e.codepoint = character;
    return e;
}

std::uint16_t square(SwfWriter& w, const QColor& colour, QRectF box = {60, 60, 80, 80}) {
    write::ShapeBuilder s;
    s.rect(box, s.addFill(write::solid(colour)));
    return w.defineShape(s);
}

// Red up, green over, blue down; the hit area is a circle of radius 40 around (100, 100),
// so the squares' corners lie outside it. Every transition traces its name.
// The button is named b; script runs on the first frame.
QByteArray buttonMovie(std::vector<ButtonCondition> extra = {}, bool inSprite = false,
                       Actions script = {}) {
    SwfWriter w({200, 200}, 12, 8);
    const auto up = square(w, Qt::red);
    const auto over = square(w, Qt::green);
    const auto down = square(w, Qt::blue);
    write::ShapeBuilder circle;
    circle.ellipse({60, 60, 80, 80}, circle.addFill(write::solid(Qt::black)));
    const auto hit = w.defineShape(circle);
    using namespace write;
    std::vector<ButtonCondition> conditions = {
        {IdleToOverUp, 0, traced("rollOver")},        {OverUpToIdle, 0, traced("rollOut")},
        {OverUpToOverDown, 0, traced("press")},       {OverDownToOverUp, 0, traced("release")},
        {OverDownToOutDown, 0, traced("dragOut")},    {OutDownToOverDown, 0, traced("dragOver")},
        {OutDownToIdle, 0, traced("releaseOutside")},
    };
    conditions.insert(conditions.end(), extra.begin(), extra.end());
    const auto button = defineButton2(
        w, {{StateUp, up, 1}, {StateOver, over, 1}, {StateDown, down, 1}, {StateHit, hit, 2}},
        conditions);
    if (inSprite) {
        // Halved and moved: the button's circle lies around (60, 60) on the stage.
        write::Timeline sprite;
        sprite.place({.depth = 1, .character = button}).showFrame();
        const auto clip = w.defineSprite(sprite);
        w.place({.depth = 1, .character = clip, .matrix = QTransform(0.5, 0, 0, 0.5, 10, 10)});
    } else {
        w.place({.depth = 1, .character = button, .name = QString("b")});
    }
    w.actions(script.stop()).showFrame();
    return w.finish();
}

QRgb centre(const PlayedMovie& p) {
    return renderImage(p.player, {200, 200}).pixel(100, 100);
}

PointerTarget target(std::uint64_t id, bool menu = false) {
    PointerTarget t;
    t.id = id;
    t.trackAsMenu = menu;
    return t;
}

// this.<member> = function() { trace(text + this._name); }, as a frame script's bytes.
QByteArray setsHandler(const char* member, const char* text) {
    enum { Trace = 0x26, Add2 = 0x47, GetVariable = 0x1C, GetMember = 0x4E, SetMember = 0x4F };
    QByteArray body = Actions()
                          .push(text)
                          .push("this")
                          .raw(GetVariable)
                          .push("_name")
                          .raw(GetMember)
                          .raw(Add2)
                          .raw(Trace)
                          .bytes();
    body.chop(1);               // the end action
    QByteArray define(1, '\0'); // anonymous, no parameters
    define.append(2, '\0');
    define.append(char(body.size() & 0xff)).append(char(body.size() >> 8));
    QByteArray code =
        Actions().push("this").raw(GetVariable).push(member).raw(0x9B, define).bytes();
    code.chop(1);
    return code + body + Actions().raw(SetMember).bytes();
}

// A one-frame clip that traces its path and its parent's, and its enterFrame and unload.
std::uint16_t reportingClip(SwfWriter& w) {
    enum { Trace = 0x26, GetVariable = 0x1C, GetMember = 0x4E };
    write::Timeline clip;
    clip.actions(Actions().push("this").raw(GetVariable).raw(Trace));
    clip.actions(Actions().push("this").raw(GetVariable).push("_parent").raw(GetMember).raw(Trace));
    clip.rawTag(12, setsHandler("onEnterFrame", "enterFrame "));
    clip.rawTag(12, setsHandler("onUnload", "unload "));
    clip.showFrame();
    return w.defineSprite(clip);
}

using Steps = std::vector<std::pair<std::uint64_t, int>>;

Steps steps(const std::vector<PointerTransition>& transitions) {
    Steps out;
    for (const PointerTransition& t : transitions)
        out.push_back({t.target.id, t.transition});
    return out;
}

} // namespace

// Buttons: their states, hit areas and the transitions that run their actions.
class ButtonTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pointerTrackerFollowsPressAndDrag() {
        using namespace transition;
        PointerTracker t;
        const PointerTarget a = target(1), b = target(2), none;
        QCOMPARE(steps(t.moved(a)), Steps({{1, IdleToOverUp}}));
        QCOMPARE(steps(t.moved(a)), Steps());
        QCOMPARE(steps(t.pressed(a)), Steps({{1, OverUpToOverDown}}));
        QCOMPARE(steps(t.moved(none)), Steps({{1, OverDownToOutDown}}));
        QCOMPARE(steps(t.moved(b)), Steps()); // others wait while a is held
        QCOMPARE(steps(t.moved(a)), Steps({{1, OutDownToOverDown}}));
        QCOMPARE(steps(t.released(a)), Steps({{1, OverDownToOverUp}}));
        // Released away from the pressed button, over another one.
        QCOMPARE(steps(t.pressed(a)), Steps({{1, OverUpToOverDown}}));
        QCOMPARE(steps(t.released(b)),
                 Steps({{1, OverDownToOutDown}, {1, OutDownToIdle}, {2, IdleToOverUp}}));
        QCOMPARE(steps(t.moved(none)), Steps({{2, OverUpToIdle}}));
        // A press on nothing, dragged over a button: it rolls over only on release.
        QCOMPARE(steps(t.pressed(none)), Steps());
        QCOMPARE(steps(t.moved(b)), Steps());
        QCOMPARE(steps(t.released(b)), Steps({{2, IdleToOverUp}}));
    }

    void menusTakeThePressOver() {
        using namespace transition;
        PointerTracker t;
        const PointerTarget a = target(1, true), b = target(2, true);
        t.moved(a);
        t.pressed(a);
        QCOMPARE(steps(t.moved(b)), Steps({{1, OverDownToIdle}, {2, IdleToOverDown}}));
        QCOMPARE(steps(t.released(b)), Steps({{2, OverDownToOverUp}}));
    }

    void buttonChangesStateAndRunsItsActions() {
        PlayedMovie p(buttonMovie());
        QVERIFY(near(centre(p), Qt::red));
        p.send(InputEvent::Kind::MouseMove, {10, 10});
        p.send(InputEvent::Kind::MouseMove, {100, 100});
        QVERIFY(near(centre(p), Qt::green));
        p.send(InputEvent::Kind::MouseDown, {100, 100});
        QVERIFY(near(centre(p), Qt::blue));
        p.send(InputEvent::Kind::MouseMove, {190, 190});
        p.send(InputEvent::Kind::MouseMove, {110, 100});
        p.send(InputEvent::Kind::MouseUp, {110, 100});
        QVERIFY(near(centre(p), Qt::green));
        p.send(InputEvent::Kind::MouseLeave, {});
        QVERIFY(near(centre(p), Qt::red));
        p.send(InputEvent::Kind::MouseDown, {100, 100});
        p.send(InputEvent::Kind::MouseUp, {5, 5});
        QCOMPARE(p.host.traces,
                 QStringList({"rollOver", "press", "dragOut", "dragOver", "release", "rollOut",
                              "rollOver", "press", "dragOut", "releaseOutside"}));
    }

    void hitAreaIsTheShapeNotItsBox() {
        PlayedMovie p(buttonMovie());
        p.send(InputEvent::Kind::MouseMove, {64, 64}); // inside the box, outside the circle
        p.send(InputEvent::Kind::MouseDown, {64, 64});
        QVERIFY(p.host.traces.isEmpty());
        QVERIFY(!p.player.showsHandCursor());
        p.send(InputEvent::Kind::MouseUp, {64, 64});
        p.send(InputEvent::Kind::MouseMove, {100, 62}); // inside the circle, near its edge
        QCOMPARE(p.host.traces, QStringList({"rollOver"}));
        QVERIFY(p.player.showsHandCursor());
    }

    void buttonsInsideTransformedClipsAreHit() {
        PlayedMovie p(buttonMovie({}, true));
        p.send(InputEvent::Kind::MouseMove, {100, 100}); // outside the halved circle
        QVERIFY(p.host.traces.isEmpty());
        p.send(InputEvent::Kind::MouseMove, {60, 60});
        QCOMPARE(p.host.traces, QStringList({"rollOver"}));
    }

    void keyConditionsRunWithoutThePointer() {
        Actions enter;
        enter.push("enter").raw(0x26);
        PlayedMovie p(
            buttonMovie({{0, 'a', traced("key a")}, {0, 13, enter}, {0, 1, traced("left")}}));
        p.player.handleInput(keyDown(keycode::A, U'a'));
        p.player.handleInput(keyDown(keycode::Enter, U'\r'));
        p.player.handleInput(keyDown(keycode::Left));
        p.player.handleInput(keyDown(keycode::A + 1, U'b'));
        QCOMPARE(p.host.traces, QStringList({"key a", "enter", "left"}));
    }

    // A button shown inside another takes the pointer; key conditions reach only buttons on
    // the display lists of clips, not those inside buttons.
    void innerButtonTakesThePointer() {
        using namespace write;
        SwfWriter w({200, 200}, 12, 8);
        const auto shape = square(w, Qt::red);
        const auto inner = defineButton2(
            w, {{StateUp | StateOver | StateDown | StateHit, shape, 1}},
            {{OverUpToOverDown, 0, traced("inner press")}, {0, 'a', traced("inner a")}});
        const auto outer = defineButton2(
            w, {{StateUp | StateOver | StateDown | StateHit, inner, 1}},
            {{OverUpToOverDown, 0, traced("outer press")}, {0, 'a', traced("outer a")}});
        w.place({.depth = 1, .character = outer});
        w.actions(Actions().stop()).showFrame();
        PlayedMovie p(w.finish());
        p.send(InputEvent::Kind::MouseMove, {100, 100});
        p.send(InputEvent::Kind::MouseDown, {100, 100});
        p.send(InputEvent::Kind::MouseUp, {100, 100});
        p.player.handleInput(keyDown(keycode::A, U'a'));
        QCOMPARE(p.host.traces, QStringList({"inner press", "outer a"}));
    }

    // A key a button's condition takes types nothing into the focused field.
    void keyTakenByAButtonTypesNothing() {
        Actions script; // an input field f, focused
        script.pushInt(20).pushInt(100).pushInt(0).pushInt(0).pushInt(5).push("f").pushInt(6);
        script.push("_root").raw(0x1C).push("createTextField").raw(0x52).raw(0x17);
        script.push("f").raw(0x1C).push("type").push("input").raw(0x4F);
        script.push("f").raw(0x1C).pushInt(1).push("Selection").raw(0x1C);
        script.push("setFocus").raw(0x52).raw(0x17);
        Actions showText;
        showText.push("f").raw(0x1C).push("text").raw(0x4E).raw(0x26);
        PlayedMovie p(buttonMovie({{0, 'a', traced("key a")}, {0, 'c', showText}}, false, script));
        for (char32_t c : {U'a', U'b', U'c'}) {
            p.player.handleInput(keyDown(keycode::A + static_cast<int>(c - U'a'), c));
            InputEvent typed;
            typed.kind = InputEvent::Kind::TextInput;
            typed.codepoint = c;
            p.player.handleInput(typed);
        }
        QCOMPARE(p.host.traces, QStringList({"key a", "b"}));
    }

    // Tab reaches the button; Space and Enter then run its own press and release, unless a
    // key condition on a button takes the key.
    void spaceAndEnterPressTheFocusedButton() {
        PlayedMovie p(buttonMovie());
        p.player.handleInput(keyDown(keycode::Tab));
        p.host.traces.clear();
        p.player.handleInput(keyDown(keycode::Space, U' '));
        p.player.handleInput(keyDown(keycode::Enter, U'\r'));
        QCOMPARE(p.host.traces, QStringList({"press", "release", "press", "release"}));
        QVERIFY(near(centre(p), Qt::green)); // up again, still rolled over by the focus

        PlayedMovie taken(buttonMovie({{0, 13, traced("enter")}}));
        taken.player.handleInput(keyDown(keycode::Tab));
        taken.host.traces.clear();
        taken.player.handleInput(keyDown(keycode::Enter, U'\r'));
        taken.player.handleInput(keyDown(keycode::A, U'a'));
        QCOMPARE(taken.host.traces, QStringList({"enter"}));
    }

    // A button Tab focuses shows itself rolled over until the pointer moves; Tab onto it
    // again rolls it out and over once more.
    void tabFocusRollsTheButtonOver() {
        PlayedMovie p(buttonMovie());
        p.player.handleInput(keyDown(keycode::Tab));
        QVERIFY(near(centre(p), Qt::green));
        p.player.tick(); // the stage is checked under a pointer that stood still
        QVERIFY(near(centre(p), Qt::green));
        p.send(InputEvent::Kind::MouseMove, {5, 5});
        QVERIFY(near(centre(p), Qt::red));
        p.send(InputEvent::Kind::MouseMove, {100, 100});
        p.player.handleInput(keyDown(keycode::Tab));
        p.send(InputEvent::Kind::MouseMove, {100, 100}); // not a move
        QCOMPARE(p.host.traces,
                 QStringList({"rollOver", "rollOut", "rollOver", "rollOut", "rollOver"}));
    }

    // A button keeps tabIndex as a 32-bit integer, the smallest for what has none.
    void buttonTabIndexIsAnInteger() {
        Actions script;
        for (const char* set : {"2147483648", "x", "7.9"}) {
            script.push("b").raw(0x1C).push("tabIndex").push(set).raw(0x4F);
            script.push("b").raw(0x1C).push("tabIndex").raw(0x4E).raw(0x26);
        }
        PlayedMovie p(buttonMovie({}, false, script));
        QCOMPARE(p.host.traces, QStringList({"-2147483648", "-2147483648", "7"}));
    }

    // A button's own actions for a transition run before its script handler.
    void buttonActionsRunBeforeTheHandler() {
        // b.onRollOver = function () { trace("handler"); }
        const Actions body = traced("handler");
        const int size = static_cast<int>(body.bytes().size()) - 1; // without the end action
        QByteArray header(3, '\0');                                 // no name, no parameters
        header.append(char(size & 0xff)).append(char(size >> 8));
        Actions script;
        script.push("b").raw(0x1C).push("onRollOver").raw(0x9B, header);
        script.push("handler").raw(0x26).raw(0x4F);
        PlayedMovie p(buttonMovie({}, false, script));
        p.send(InputEvent::Kind::MouseMove, {100, 100});
        QCOMPARE(p.host.traces, QStringList({"rollOver", "handler"}));
    }

    void onlyClicksMayOpenLinks() {
        Actions open;
        open.raw(0x83, QByteArray("http://example.test/\0_blank\0", 28));
        using namespace write;
        PlayedMovie p(buttonMovie({{IdleToOverUp | OverDownToOverUp, 0, open}}));
        p.send(InputEvent::Kind::MouseMove, {100, 100});
        p.send(InputEvent::Kind::MouseDown, {100, 100});
        p.send(InputEvent::Kind::MouseUp, {100, 100});
        QCOMPARE(p.host.openedUrls, QStringList({"http://example.test/ _blank script",
                                                 "http://example.test/ _blank user"}));
    }

    void firstButtonKindRunsItsActionsOnRelease() {
        SwfWriter w({200, 200}, 12, 6);
        const auto shape = square(w, Qt::red);
        const auto button = write::defineButton(w, {{write::StateUp | write::StateHit, shape, 1}},
                                                Actions().push("go").raw(0x26).nextFrame());
        w.place({.depth = 1, .character = button});
        w.actions(Actions().stop()).showFrame();
        w.actions(traced("frame 2")).actions(Actions().stop()).showFrame();
        PlayedMovie p(w.finish());
        p.send(InputEvent::Kind::MouseDown, {100, 100});
        QCOMPARE(p.player.currentFrame(), 0);
        p.send(InputEvent::Kind::MouseUp, {100, 100});
        QCOMPARE(p.host.traces, QStringList({"go", "frame 2"}));
        QCOMPARE(p.player.currentFrame(), 1);
    }

    // Clips a state shows run as clips under the button: they are named through it, hear
    // enterFrame topmost first, and unload when a state or the button no longer shows them.
    void clipsInStatesAreClipsUnderTheButton() {
        using namespace write;
        SwfWriter w({200, 200}, 12, 8);
        const auto clip = reportingClip(w);
        const auto hit = square(w, Qt::black);
        const auto button = defineButton2(w,
                                          {{StateUp, clip, 1},
                                           {StateOver, clip, 2},
                                           {StateUp | StateOver, clip, 3},
                                           {StateHit, hit, 4}},
                                          {});
        w.place({.depth = 1, .character = button, .name = QString("b")});
        // The button's name leads on to its clips.
        w.actions(Actions().push("b").raw(0x1C).push("instance2").raw(0x4E).raw(0x26).stop());
        w.showFrame();
        w.remove(1).showFrame();
        PlayedMovie p(w.finish());
        // Its first frame, then the player's first tick.
        QCOMPARE(
            p.host.traces,
            QStringList({"_level0.b.instance1", "_level0.b", "_level0.b.instance2", "_level0.b",
                         "_level0.b.instance2", "enterFrame instance2", "enterFrame instance1"}));
        p.host.traces.clear();
        p.send(InputEvent::Kind::MouseMove, {100, 100});
        QCOMPARE(p.host.traces,
                 QStringList({"unload instance1", "_level0.b.instance3", "_level0.b"}));
        p.host.traces.clear();
        p.player.gotoFrame(1);
        QCOMPARE(p.host.traces, QStringList({"unload instance3", "unload instance2"}));
    }

    void buttonThatLeavesTheStageIsForgotten() {
        SwfWriter w({200, 200}, 12, 8);
        const auto shape = square(w, Qt::red);
        const auto button = write::defineButton2(
            w, {{write::StateUp | write::StateHit, shape, 1}},
            {{write::OverUpToOverDown, 0, Actions().push("press").raw(0x26).nextFrame()},
             {write::OverUpToIdle | write::OutDownToIdle, 0, traced("gone wrong")}});
        w.place({.depth = 1, .character = button});
        w.actions(Actions().stop()).showFrame();
        w.remove(1).actions(Actions().stop()).showFrame();
        PlayedMovie p(w.finish());
        p.send(InputEvent::Kind::MouseMove, {100, 100});
        p.send(InputEvent::Kind::MouseDown, {100, 100});
        p.send(InputEvent::Kind::MouseUp, {100, 100});
        p.send(InputEvent::Kind::MouseMove, {5, 5});
        p.player.tick();
        QCOMPARE(p.host.traces, QStringList({"press"}));
        QVERIFY(!p.player.showsHandCursor());
    }
    // A script giving a button the focus rolls it over, as Tab does.
    void setFocusRollsTheButtonOver() {
        Actions focus;
        focus.push("b").raw(0x1C).pushInt(1).push("Selection").raw(0x1C);
        focus.push("setFocus").raw(0x52).raw(0x17);
        PlayedMovie p(buttonMovie({}, false, focus));
        QCOMPARE(p.host.traces, QStringList({"rollOver"}));
        QVERIFY(near(centre(p), Qt::green));
    }

    // A movie loaded into a level lies over the root: its buttons take the pointer first,
    // and their hit areas come from its own file's characters.
    void buttonsOfHigherLevelsAreHitFirst() {
        SwfWriter top({200, 200}, 12, 8);
        top.defineShape(write::ShapeBuilder()); // ids differ from the root's
        const auto corner = square(top, Qt::yellow, {0, 0, 90, 90});
        top.place(
            {.depth = 1,
             .character = write::defineButton2(top, {{write::StateUp | write::StateHit, corner, 1}},
                                               {{write::IdleToOverUp, 0, traced("top rollOver")},
                                                {write::OverUpToIdle, 0, traced("top rollOut")}})});
        top.actions(Actions().stop()).showFrame();
        FakeSwfHost host;
        host.files.insert(QStringLiteral("top.swf"), top.finish());
        Player player;
        player.setHost(&host);
        player.setMovie(load(
            buttonMovie({}, false, Actions().raw(0x83, QByteArray("top.swf\0_level1\0", 16)))));
        player.tick();
        player.tick();
        const auto move = [&](QPointF at) {
            InputEvent e;
            e.position = at;
            player.handleInput(e);
        };
        move({80, 80}); // on both buttons
        move({120, 120});
        QCOMPARE(host.traces, QStringList({"top rollOver", "top rollOut", "rollOver"}));
    }

    // Tab draws a yellow rectangle astride the focused button's edge, over everything (the
    // button shows its over state inside); a click or the player losing the keyboard hides
    // it; _focusrect = false keeps it off.
    void tabShowsTheFocusRectangle() {
        const auto yellowBox = [](const PlayedMovie& p) {
            const QImage image = renderImage(p.player, {200, 200});
            QRect box;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (near(image.pixel(x, y), QColor(0xFF, 0xFF, 0x00), 10))
                        box |= QRect(x, y, 1, 1);
            return box;
        };
        PlayedMovie p(buttonMovie());
        QCOMPARE(yellowBox(p), QRect());
        p.player.handleInput(keyDown(keycode::Tab));
        const QRect box = yellowBox(p); // the red square spans 60 to 140
        QVERIFY2(std::abs(box.left() - 59) <= 1 && std::abs(box.right() - 140) <= 1 &&
                     std::abs(box.top() - 59) <= 1 && std::abs(box.bottom() - 140) <= 1,
                 qPrintable(QStringLiteral("%1 %2 %3 %4")
                                .arg(box.left())
                                .arg(box.top())
                                .arg(box.right())
                                .arg(box.bottom())));
        QVERIFY(!near(centre(p), QColor(0xFF, 0xFF, 0x00), 10)); // a frame, not a fill
        p.send(InputEvent::Kind::MouseDown, {10, 10});
        p.send(InputEvent::Kind::MouseUp, {10, 10});
        QCOMPARE(yellowBox(p), QRect());
        p.player.handleInput(keyDown(keycode::Tab));
        p.send(InputEvent::Kind::FocusLost); // the window lost the keyboard
        p.send(InputEvent::Kind::FocusGained);
        QCOMPARE(yellowBox(p), QRect());

        SwfWriter w({200, 200}, 12, 8);
        const auto up = square(w, Qt::red);
        using namespace write;
        w.place(
            {.depth = 1, .character = defineButton2(w, {{StateUp, up, 1}, {StateHit, up, 1}}, {})});
        w.actions(Actions().push("_focusrect").push(false).raw(0x1D).stop()).showFrame();
        PlayedMovie off(w.finish());
        off.player.handleInput(keyDown(keycode::Tab));
        QCOMPARE(yellowBox(off), QRect());
    }
};

QTEST_MAIN(ButtonTest)
#include "test_buttons.moc"
