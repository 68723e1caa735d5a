#include "support/fake_swf_host.h"
#include "swf/played_movie.h"
#include "swf/player/input_event.h"
#include "swf/swf_fixtures.h"
#include "swfwriter/writer_media.h"

#include <QTest>

#include <functional>

using namespace reelcase::swf;
using namespace reelcase::test;
using write::Actions;
using write::SwfWriter;

namespace {

using Body = std::function<void(Actions&)>;

// target.name = function () { body }
void handler(Actions& a, const char* target, const char* name, const Body& body) {
    Actions probe;
    body(probe);
    const int size = static_cast<int>(probe.bytes().size()) - 1; // without the end action
    a.push(target).raw(0x1C).push(name);
    QByteArray header(3, '\0'); // no name, no parameters
    header.append(char(size & 0xff)).append(char(size >> 8));
    a.raw(0x9B, header);
    body(a);
    a.raw(0x4F);
}

// object.method(args...) with the result dropped; args are pushed by pushArgs, last first.
void callMethod(
    Actions& a, const char* object, const char* method, int count,
    const Body& pushArgs = [](Actions&) {}) {
    pushArgs(a);
    a.pushInt(count).push(object).raw(0x1C).push(method).raw(0x52).raw(0x17);
}

Body traced(const char* text) {
    return [text](Actions& a) { a.push(text).raw(0x26); };
}

// trace(this.x + "," + this.y)
Body tracePosition() {
    return [](Actions& a) {
        a.push("this").raw(0x1C).push("_x").raw(0x4E).push(",").raw(0x47);
        a.push("this").raw(0x1C).push("_y").raw(0x4E).raw(0x47).raw(0x26);
    };
}

// A clip holding a red square.
auto squareClip(SwfWriter& w, const QRectF& square) {
    write::ShapeBuilder s;
    s.rect(square, s.addFill(write::solid(Qt::red)));
    const auto shape = w.defineShape(s);
    write::Timeline sprite;
    sprite.place({.depth = 1, .character = shape}).showFrame();
    return w.defineSprite(sprite);
}

// A 200x200 stage with a clip "c" at (50, 50) holding a 100x100 red square; script sets
// the clip's handlers on frame 1 and stops (or, when removedLater, goes on to frame 3,
// which removes the clip).
QByteArray clipMovie(const Body& script, bool removedLater = false,
                     const QTransform& placed = QTransform::fromTranslate(50, 50)) {
    SwfWriter w({200, 200}, 12, 8);
    const auto clip = squareClip(w, {0, 0, 100, 100});
    w.place({.depth = 1, .character = clip, .matrix = placed, .name = QString("c")});
    Actions a;
    script(a);
    if (!removedLater) {
        w.actions(a.stop()).showFrame();
        return w.finish();
    }
    w.actions(a).showFrame(2);
    w.remove(1).actions(Actions().stop()).showFrame();
    return w.finish();
}

} // namespace

// Clips and scripts hearing the pointer and the keys.
class ClipInputTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clipWithPointerHandlersActsAsButton() {
        PlayedMovie p(clipMovie([](Actions& a) {
            handler(a, "c", "onRollOver", traced("over"));
            handler(a, "c", "onPress", traced("press"));
            handler(a, "c", "onRelease", traced("release"));
            handler(a, "c", "onReleaseOutside", traced("outside"));
        }));
        p.send(InputEvent::Kind::MouseMove, {20, 20});
        QVERIFY(!p.player.showsHandCursor());
        p.send(InputEvent::Kind::MouseMove, {60, 60});
        QVERIFY(p.player.showsHandCursor());
        p.send(InputEvent::Kind::MouseDown, {60, 60});
        p.send(InputEvent::Kind::MouseUp, {60, 60});
        p.send(InputEvent::Kind::MouseDown, {60, 60});
        p.send(InputEvent::Kind::MouseUp, {190, 190});
        QCOMPARE(p.host.traces, QStringList({"over", "press", "release", "press", "outside"}));
    }

    // A clip made by script and drawn with the drawing API (inside with, as movies of the
    // time wrote it) shows its drawing and takes the pointer where it is filled only.
    void drawnClipTakesThePointer() {
        SwfWriter w({200, 200}, 12, 8);
        w.background(Qt::white);
        // fn(args): args pushed last first, then their count and the name.
        auto call = [](Actions& b, const char* fn, std::initializer_list<int> args) {
            for (auto it = std::rbegin(args); it != std::rend(args); ++it)
                b.pushInt(*it);
            b.pushInt(static_cast<int>(args.size())).push(fn).raw(0x3D).raw(0x17);
        };
        auto drawSquare = [&](Actions& b) {
            call(b, "beginFill", {0xff0000});
            call(b, "moveTo", {10, 10});
            call(b, "lineTo", {60, 10});
            call(b, "lineTo", {60, 60});
            call(b, "lineTo", {10, 60});
            call(b, "endFill", {});
        };
        Actions probe;
        drawSquare(probe);
        const int size = static_cast<int>(probe.bytes().size()) - 1; // without the end
        QByteArray blockSize;
        blockSize.append(char(size & 0xff)).append(char(size >> 8));
        Actions script;
        script.pushInt(1).push("d").pushInt(2).push("_root").raw(0x1C);
        script.push("createEmptyMovieClip").raw(0x52).raw(0x17);
        script.push("d").raw(0x1C).raw(0x94, blockSize); // with (d) { ... }
        drawSquare(script);
        handler(script, "d", "onPress", traced("press"));
        w.actions(script.stop()).showFrame();
        PlayedMovie p(w.finish());
        const QImage img = renderImage(p.player, {200, 200});
        QCOMPARE(img.pixel(30, 30), qRgb(255, 0, 0));
        QCOMPARE(img.pixel(80, 80), qRgb(255, 255, 255));
        p.send(InputEvent::Kind::MouseMove, {80, 80});
        p.send(InputEvent::Kind::MouseDown, {80, 80});
        p.send(InputEvent::Kind::MouseUp, {80, 80});
        QVERIFY(p.host.traces.isEmpty());
        p.send(InputEvent::Kind::MouseMove, {30, 30});
        QVERIFY(p.player.showsHandCursor());
        p.send(InputEvent::Kind::MouseDown, {30, 30});
        QCOMPARE(p.host.traces, QStringList({"press"}));
    }

    // Every press flips a key's toggle, mouse buttons included (key 1).
    void pressesToggleKeys() {
        PlayedMovie p(clipMovie([](Actions&) {}));
        p.send(InputEvent::Kind::KeyDown, {}, keycode::CapsLock);
        p.send(InputEvent::Kind::KeyUp, {}, keycode::CapsLock);
        QVERIFY(p.player.inputState().keysToggled.test(keycode::CapsLock));
        p.send(InputEvent::Kind::KeyDown, {}, keycode::CapsLock);
        QVERIFY(!p.player.inputState().keysToggled.test(keycode::CapsLock));
        p.send(InputEvent::Kind::MouseDown, {5, 5});
        QVERIFY(p.player.inputState().keysToggled.test(1));
    }

    // A clip showing a loaded movie is hit by what that movie shows, and takes the press
    // when the loaded movie's script gives it a handler.
    void clipShowingALoadedMovieTakesThePress() {
        SwfWriter child({200, 200}, 12, 8);
        write::ShapeBuilder s;
        s.rect({0, 0, 100, 100}, s.addFill(write::solid(Qt::blue)));
        child.place({.depth = 1, .character = child.defineShape(s)});
        Actions own;
        handler(own, "this", "onPress", traced("pressed"));
        child.actions(own.stop()).showFrame();
        FakeSwfHost host;
        host.files.insert(QStringLiteral("child.swf"), child.finish());
        Player player;
        player.setHost(&host);
        player.setMovie(
            load(clipMovie([](Actions& a) { a.raw(0x83, QByteArray("child.swf\0c\0", 12)); })));
        player.tick();
        player.tick();
        for (const auto kind : {InputEvent::Kind::MouseMove, InputEvent::Kind::MouseDown}) {
            InputEvent e;
            e.kind = kind;
            e.position = {100, 100};
            player.handleInput(e);
        }
        QCOMPARE(host.traces, QStringList({"pressed"}));
    }

    // Tab rolls a clip acting as a button over before it hears of the focus; the player
    // losing the keyboard rolls it out and takes the focus away.
    void tabRollsAClipOverUntilThePlayerLosesTheKeyboard() {
        PlayedMovie p(clipMovie([](Actions& a) {
            handler(a, "c", "onRollOver", traced("over"));
            handler(a, "c", "onRollOut", traced("out"));
            handler(a, "c", "onSetFocus", traced("set"));
            handler(a, "c", "onKillFocus", traced("kill"));
        }));
        p.send(InputEvent::Kind::KeyDown, {}, keycode::Tab);
        QCOMPARE(p.host.traces, QStringList({"over", "set"}));
        p.send(InputEvent::Kind::FocusLost);
        p.send(InputEvent::Kind::FocusGained);
        QCOMPARE(p.host.traces, QStringList({"over", "set", "out", "kill"}));
    }

    // A pointer handler makes a clip a Tab stop even while it is undefined; other handlers
    // do not.
    void pointerHandlerPropertyMakesATabStop() {
        for (const bool pointerHandler : {true, false}) {
            PlayedMovie p(clipMovie([&](Actions& a) {
                handler(a, "c", "onSetFocus", traced("set"));
                a.push("c").raw(0x1C).push(pointerHandler ? "onRelease" : "onMouseDown");
                a.pushUndefined().raw(0x4F);
            }));
            p.send(InputEvent::Kind::KeyDown, {}, keycode::Tab);
            QCOMPARE(p.host.traces, pointerHandler ? QStringList({"set"}) : QStringList());
        }
    }

    // Enter presses the clip Tab focused, but not once the movie turns the focus rectangle
    // off; the key itself still reaches onKeyDown.
    void enterPressesTheFocusedClipOnlyWithItsRectangle() {
        for (const bool rectangle : {true, false}) {
            PlayedMovie p(clipMovie([&](Actions& a) {
                handler(a, "c", "onPress", traced("press"));
                handler(a, "c", "onKeyDown", traced("key"));
                if (!rectangle)
                    a.push("_root").raw(0x1C).push("_focusrect").push(false).raw(0x4F);
            }));
            p.send(InputEvent::Kind::KeyDown, {}, keycode::Tab);
            p.send(InputEvent::Kind::KeyDown, {}, keycode::Enter);
            QCOMPARE(p.host.traces,
                     rectangle ? QStringList({"key", "press"}) : QStringList({"key"}));
        }
    }

    // Moving the mouse takes the keys from the clip Tab focused, though it keeps the focus;
    // the next Tab gives them back.
    void mouseMoveTakesTheKeysFromTheTabbedClip() {
        PlayedMovie p(clipMovie([](Actions& a) {
            handler(a, "c", "onPress", traced("press"));
            handler(a, "c", "onKeyDown", traced("key"));
        }));
        p.send(InputEvent::Kind::KeyDown, {}, keycode::Tab);
        p.send(InputEvent::Kind::MouseMove, {5, 5});
        p.send(InputEvent::Kind::KeyDown, {}, keycode::Enter);
        QCOMPARE(p.host.traces, QStringList());
        p.send(InputEvent::Kind::KeyDown, {}, keycode::Tab);
        p.send(InputEvent::Kind::KeyDown, {}, keycode::Enter);
        QCOMPARE(p.host.traces, QStringList({"key", "press"}));
    }

    // Tab reads the stage from the top: "a" (its square from y 145) comes before "b", a
    // half-size clip lower down whose square starts at y 150.
    void tabOrderFollowsWhereClipsSitOnStage() {
        SwfWriter w({200, 200}, 12, 8);
        const auto clip = squareClip(w, {0, 100, 50, 50});
        w.place({.depth = 1,
                 .character = clip,
                 .matrix = QTransform::fromTranslate(0, 45),
                 .name = QString("a")});
        w.place({.depth = 2,
                 .character = clip,
                 .matrix = QTransform(0.5, 0, 0, 0.5, 100, 100),
                 .name = QString("b")});
        Actions a;
        for (const char* name : {"a", "b"}) {
            handler(a, name, "onRelease", [](Actions&) {});
            handler(a, name, "onSetFocus", traced(name));
        }
        w.actions(a.stop()).showFrame();
        PlayedMovie p(w.finish());
        p.send(InputEvent::Kind::KeyDown, {}, keycode::Tab);
        QCOMPARE(p.host.traces, QStringList({"a"}));
    }

    // Hiding the focused clip takes the focus from it at once, and it hears so.
    void hidingTheFocusedClipKillsItsFocus() {
        PlayedMovie p(clipMovie([](Actions& a) {
            handler(a, "c", "onKillFocus", traced("kill"));
            a.push("c").raw(0x1C).push("focusEnabled").push(true).raw(0x4F);
            callMethod(a, "Selection", "setFocus", 1, [](Actions& b) { b.push("c").raw(0x1C); });
            a.push("c").raw(0x1C).push("_visible").push(false).raw(0x4F);
            traced("hidden")(a);
        }));
        QCOMPARE(p.host.traces, QStringList({"kill", "hidden"}));
    }

    // A hidden clip may still be given the focus; only hiding the holder takes it away.
    void hiddenClipMayBeGivenFocus() {
        PlayedMovie p(clipMovie([](Actions& a) {
            a.push("c").raw(0x1C).push("focusEnabled").push(true).raw(0x4F);
            a.push("c").raw(0x1C).push("_visible").push(false).raw(0x4F);
            a.push("c").raw(0x1C).pushInt(1).push("Selection").raw(0x1C).push("setFocus");
            a.raw(0x52).raw(0x26);
            a.pushInt(0).push("Selection").raw(0x1C).push("getFocus").raw(0x52).raw(0x26);
        }));
        QCOMPARE(p.host.traces, QStringList({"true", "_level0.c"}));
    }

    // A press away from the focused text field takes its focus before the press is heard.
    void focusMovesBeforeThePress() {
        PlayedMovie p(clipMovie([](Actions& a) {
            a.pushInt(20).pushInt(20).pushInt(0).pushInt(0).pushInt(5).push("t").pushInt(6);
            a.push("_root").raw(0x1C).push("createTextField").raw(0x52).raw(0x17);
            callMethod(a, "Selection", "setFocus", 1, [](Actions& b) { b.push("t").raw(0x1C); });
            a.push("l").pushInt(0).push("Object").raw(0x40).raw(0x1D);
            handler(a, "l", "onSetFocus", traced("focus"));
            callMethod(a, "Selection", "addListener", 1, [](Actions& b) { b.push("l").raw(0x1C); });
            handler(a, "c", "onPress", traced("press"));
        }));
        p.send(InputEvent::Kind::MouseMove, {100, 100});
        p.send(InputEvent::Kind::MouseDown, {100, 100});
        QCOMPARE(p.host.traces, QStringList({"focus", "press"}));
    }

    // Key and Mouse listeners came with SWF 6: older movies do not see them.
    void keyListenersNeedSwf6() {
        for (const int version : {5, 6}) {
            SwfWriter w({100, 100}, 12, version);
            Actions a;
            for (const char* object : {"Key", "Mouse"})
                a.push(object).raw(0x1C).push("addListener").raw(0x4E).raw(0x44).raw(0x26);
            w.actions(a.stop()).showFrame();
            PlayedMovie p(w.finish());
            const QString expected = version < 6 ? "undefined" : "function";
            QCOMPARE(p.host.traces, QStringList({expected, expected}));
        }
    }

    void disabledClipIsNoButton() {
        PlayedMovie p(clipMovie([](Actions& a) {
            handler(a, "c", "onPress", traced("press"));
            a.push("c").raw(0x1C).push("enabled").push(false).raw(0x4F);
        }));
        p.send(InputEvent::Kind::MouseMove, {60, 60});
        p.send(InputEvent::Kind::MouseDown, {60, 60});
        QVERIFY(p.host.traces.isEmpty());
        QVERIFY(!p.player.showsHandCursor());
    }

    void mouseAndKeysReachClipsAndListeners() {
        PlayedMovie p(clipMovie([](Actions& a) {
            handler(a, "c", "onMouseDown", traced("clip down"));
            handler(a, "c", "onKeyDown", [](Actions& b) {
                b.pushInt(0).push("Key").raw(0x1C).push("getCode").raw(0x52).raw(0x26);
                b.pushInt(37).pushInt(1).push("Key").raw(0x1C).push("isDown").raw(0x52).raw(0x26);
            });
            callMethod(a, "Key", "addListener", 1, [](Actions& b) { b.push("c").raw(0x1C); });
        }));
        p.send(InputEvent::Kind::MouseDown, {5, 5}); // away from the clip: still heard
        p.send(InputEvent::Kind::MouseUp, {5, 5});
        p.send(InputEvent::Kind::KeyDown, {}, keycode::Left);
        p.send(InputEvent::Kind::KeyUp, {}, keycode::Left);
        p.send(InputEvent::Kind::KeyDown, {}, keycode::A);
        QCOMPARE(p.host.traces, QStringList({"clip down", "37", "true", "65", "false"}));
    }

    // The wheel scrolls the field under the pointer, line by line, unless it declines.
    void wheelScrollsTheFieldUnderThePointer() {
        SwfWriter w({200, 200}, 12, 8);
        write::EditTextDesign design;
        design.bounds = {0, 0, 100, 20};
        design.text = QStringLiteral("one\ntwo\nthree\nfour");
        design.multiline = true;
        const auto field = write::defineEditText(w, design);
        w.place({.depth = 1, .character = field, .name = QString("t")});
        Actions a;
        handler(a, "t", "onScroller",
                [](Actions& b) { b.push("t").raw(0x1C).push("scroll").raw(0x4E).raw(0x26); });
        w.actions(a.stop()).showFrame();
        PlayedMovie p(w.finish());
        const auto wheel = [&p](QPointF at, int lines) {
            p.send(InputEvent::Kind::MouseMove, at);
            InputEvent e;
            e.kind = InputEvent::Kind::MouseWheel;
            e.position = at;
            e.wheelLines = lines;
            p.player.handleInput(e);
        };
        wheel({5, 5}, -1);
        wheel({5, 5}, -2);
        wheel({150, 150}, 1); // not over the field
        wheel({5, 5}, 1);
        QCOMPARE(p.host.traces, QStringList({"2", "4", "3"}));
    }

    void removedClipNoLongerListens() {
        PlayedMovie p(clipMovie(
            [](Actions& a) {
                handler(a, "c", "onKeyDown", traced("key"));
                callMethod(a, "Key", "addListener", 1, [](Actions& b) { b.push("c").raw(0x1C); });
            },
            true));
        p.send(InputEvent::Kind::KeyDown, {}, keycode::Space);
        p.player.tick(); // the clip leaves
        p.send(InputEvent::Kind::KeyDown, {}, keycode::Space);
        QCOMPARE(p.host.traces, QStringList({"key"}));
    }

    void draggedClipFollowsThePointerWithinItsBounds() {
        PlayedMovie p(clipMovie([](Actions& a) {
            handler(a, "c", "onMouseMove", tracePosition());
            // c.startDrag(false, 0, 0, 120, 100)
            callMethod(a, "c", "startDrag", 5, [](Actions& b) {
                b.pushInt(100).pushInt(120).pushInt(0).pushInt(0).push(false);
            });
        }));
        // Taken while the pointer was at 0, 0: the clip keeps 50, 50 from it.
        p.send(InputEvent::Kind::MouseMove, {60, 60});
        p.send(InputEvent::Kind::MouseMove, {20, 10});
        p.send(InputEvent::Kind::MouseMove, {300, 5});
        QCOMPARE(p.host.traces, QStringList({"110,100", "70,60", "120,55"}));
    }

    void pointerIsReadInTheClipsCoordinates() {
        PlayedMovie p(clipMovie([](Actions& a) {
            handler(a, "c", "onMouseMove", [](Actions& b) {
                b.push("this").raw(0x1C).push("_xmouse").raw(0x4E).push(",").raw(0x47);
                b.push("this").raw(0x1C).push("_ymouse").raw(0x4E).raw(0x47).raw(0x26);
            });
        }));
        p.send(InputEvent::Kind::MouseMove, {75, 52});
        QCOMPARE(p.host.traces, QStringList({"25,2"}));
    }

    // The player reads the pointer in device pixels: a clip's translation counts in whole
    // device pixels and halves round to even, so a scaled clip or a zoomed picture gives
    // whole twips off the exact inverse.
    void pointerIsReadThroughDevicePixels() {
        const Body traceMouse = [](Actions& a) {
            handler(a, "c", "onMouseMove", [](Actions& b) {
                b.push("this").raw(0x1C).push("_xmouse").raw(0x4E).push(",").raw(0x47);
                b.push("this").raw(0x1C).push("_ymouse").raw(0x4E).raw(0x47).raw(0x26);
            });
        };
        PlayedMovie scaled(
            clipMovie(traceMouse, false, QTransform(0.42, 0, 0, 0.42, 364.3, 142.1)));
        scaled.send(InputEvent::Kind::MouseMove, {308, 340});
        QCOMPARE(scaled.host.traces, QStringList({"-133.3,471.45"}));

        PlayedMovie zoomed(clipMovie(traceMouse, false, QTransform::fromTranslate(125.5, 60.25)));
        const auto stage = zoomed.player.stagePoint({300, 101}, QRectF(0, 0, 400, 400));
        QVERIFY(stage);
        zoomed.send(InputEvent::Kind::MouseMove, *stage);
        QCOMPARE(zoomed.host.traces, QStringList({"24.5,-9.5"}));
    }
};

QTEST_MAIN(ClipInputTest)
#include "test_clip_input.moc"
