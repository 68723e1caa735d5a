#include "support/fake_swf_host.h"
#include "swf/player/player.h"
#include "swf/script/action_codes.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

QStringList g_events; // what the native handlers below saw

Value recordEnterFrame(Vm& vm, const Value& self, Args) {
    g_events << QStringLiteral("enterFrame ") + vm.toString(vm.getMember(self, "_name"));
    return Undefined{};
}

Value recordUnload(Vm& vm, const Value& self, Args) {
    g_events << QStringLiteral("unload ") + vm.toString(vm.getMember(self, "_name"));
    return Undefined{};
}

Value recordMouse(Vm& vm, const Value& self, Args) {
    g_events << QStringLiteral("mouse ") + vm.toString(vm.getMember(self, "_name"));
    return Undefined{};
}

Value recordTimer(Vm&, const Value&, Args args) {
    g_events << QStringLiteral("timer ") + QString::number(args.size());
    return Undefined{};
}

// Doubles what is assigned (a watcher's return value is what gets stored).
Value doubling(Vm& vm, const Value&, Args args) {
    return vm.toNumber(args.size() > 2 ? args[2] : Value()) * 2;
}

Value fixedGetter(Vm&, const Value&, Args) {
    return 42.0;
}

std::shared_ptr<const Movie> frames(int count, int version = 7) {
    write::SwfWriter w({100, 100}, 12, version);
    for (int i = 0; i < count; ++i)
        w.showFrame();
    return load(w.finish());
}

} // namespace

class TestClips : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Clips scripts make: depths as scripts count them, swapping, the next free depth, and
    // a backward goto that keeps them.
    void scriptMadeClips() {
        ScriptStage stage(frames(3));
        Vm& vm = stage.runtime->vm();
        const Value root = vm.clipObject(*stage.root);
        const Value a = call(vm, root, "createEmptyMovieClip", {QStringLiteral("a"), 5.0});
        const Value b = call(vm, root, "createEmptyMovieClip", {QStringLiteral("b"), 3.0});
        QCOMPARE(vm.typeOf(a), QStringLiteral("movieclip"));
        QCOMPARE(vm.toString(a), QStringLiteral("_level0.a"));
        QCOMPARE(vm.toNumber(call(vm, a, "getDepth", {})), 5.0);
        QCOMPARE(vm.toNumber(call(vm, root, "getNextHighestDepth", {})), 6.0);
        call(vm, a, "swapDepths", {b});
        QCOMPARE(vm.toNumber(call(vm, a, "getDepth", {})), 3.0);
        QCOMPARE(vm.toNumber(call(vm, b, "getDepth", {})), 5.0);
        QVERIFY(vm.strictEquals(call(vm, root, "getInstanceAtDepth", {3.0}), a));
        vm.setMember(a, "_x", 12.5);
        vm.setMember(a, "_rotation", 90.0);
        QCOMPARE(vm.toNumber(vm.getMember(a, "_x")), 12.5);
        QCOMPARE(vm.toNumber(vm.getMember(a, "_rotation")), 90.0);
        QCOMPARE(vm.toNumber(vm.getMember(a, "_xscale")), 100.0);
        stage.tick();
        stage.tick();
        stage.root->gotoFrame(0);
        QVERIFY(vm.strictEquals(vm.getMember(root, "a"), a));
        call(vm, b, "removeMovieClip", {});
        QCOMPARE(vm.typeOf(vm.getMember(root, "b")), QStringLiteral("undefined"));
        // The removed clip's object stays a harmless object with no display properties.
        QCOMPARE(vm.typeOf(vm.getMember(b, "_x")), QStringLiteral("undefined"));
    }

    // onEnterFrame runs for every clip each frame, children before their parents; a removed
    // clip hears onUnload.
    void clipEvents() {
        g_events.clear();
        ScriptStage stage(frames(2));
        Vm& vm = stage.runtime->vm();
        const Value root = vm.clipObject(*stage.root);
        const Value a = call(vm, root, "createEmptyMovieClip", {QStringLiteral("a"), 1.0});
        const Value inner = call(vm, a, "createEmptyMovieClip", {QStringLiteral("inner"), 1.0});
        for (const Value& clip : {root, a, inner})
            vm.setMember(clip, "onEnterFrame", vm.newNative(recordEnterFrame));
        vm.setMember(a, "onUnload", vm.newNative(recordUnload));
        stage.tick();
        QCOMPARE(g_events, QStringList({"enterFrame inner", "enterFrame a", "enterFrame "}));
        g_events.clear();
        call(vm, a, "removeMovieClip", {});
        QCOMPARE(g_events, QStringList({"unload a"}));
    }

    // A mouse event reaches the topmost clip first, each child before its parent, then the
    // Mouse listeners.
    void mouseEvents() {
        g_events.clear();
        ScriptStage stage(frames(1));
        Vm& vm = stage.runtime->vm();
        const Value root = vm.clipObject(*stage.root);
        const Value low = call(vm, root, "createEmptyMovieClip", {QStringLiteral("low"), 1.0});
        const Value high = call(vm, root, "createEmptyMovieClip", {QStringLiteral("high"), 2.0});
        for (const Value& clip : {root, low, high})
            vm.setMember(clip, "onMouseDown", vm.newNative(recordMouse));
        Object* listener = vm.newObject();
        listener->put("_name", QStringLiteral("listener"));
        vm.setMember(Value(listener), "onMouseDown", vm.newNative(recordMouse));
        call(vm, vm.getMember(Value(vm.global), "Mouse"), "addListener", {listener});
        stage.runtime->input(ScriptRuntime::InputKind::MouseDown);
        QCOMPARE(g_events, QStringList({"mouse high", "mouse low", "mouse ", "mouse listener"}));
    }

    // hitTest against shapes: a point on a left edge or corner is outside, strokes count,
    // a script's mask covers nothing; against the box, edges count, even when flat.
    void hitTestFollowsWhatIsPainted() {
        ScriptStage stage(frames(1));
        Vm& vm = stage.runtime->vm();
        const Value root = vm.clipObject(*stage.root);
        auto square = [&](const char* name, double depth, double from, double to) {
            const Value c = call(vm, root, "createEmptyMovieClip", {QString(name), depth});
            call(vm, c, "beginFill", {255.0});
            call(vm, c, "moveTo", {from, from});
            for (auto [x, y] : {std::pair{to, from}, {to, to}, {from, to}, {from, from}})
                call(vm, c, "lineTo", {x, y});
            call(vm, c, "endFill", {});
            return c;
        };
        auto hits = [&](const Value& c, double x, double y, bool shape) {
            return vm.toBoolean(call(vm, c, "hitTest", {x, y, shape}));
        };
        const Value a = square("a", 1, 20, 60);
        QVERIFY(!hits(a, 20, 20, true));
        QVERIFY(hits(a, 21, 21, true));
        QVERIFY(!hits(a, 60, 60, true));
        QVERIFY(hits(a, 20, 20, false));

        const Value line = call(vm, root, "createEmptyMovieClip", {QStringLiteral("l"), 2.0});
        call(vm, line, "lineStyle", {4.0});
        call(vm, line, "moveTo", {100.0, 100.0});
        call(vm, line, "lineTo", {140.0, 100.0});
        QVERIFY(hits(line, 120, 101, true));
        QVERIFY(!hits(line, 120, 103, true));

        vm.setMember(a, "_xscale", 0.0);
        QVERIFY(hits(a, 0, 40, false));

        const Value mask = square("m", 3, 20, 60);
        call(vm, a, "setMask", {mask});
        QVERIFY(!hits(mask, 30, 30, true));
        QVERIFY(hits(mask, 30, 30, false));
    }

    // A clip gives up the focus when it hides, not when hidden again.
    void onlyHidingDropsTheFocus() {
        ScriptStage stage(frames(1));
        Vm& vm = stage.runtime->vm();
        const Value c = call(vm, Value(vm.clipObject(*stage.root)), "createEmptyMovieClip",
                             {QStringLiteral("c"), 1.0});
        const Value selection = vm.getMember(Value(vm.global), "Selection");
        auto focus = [&] { return vm.toString(call(vm, selection, "getFocus", {})); };
        vm.setMember(c, "focusEnabled", true);
        vm.setMember(c, "_visible", false);
        QVERIFY(vm.toBoolean(call(vm, selection, "setFocus", {c})));
        vm.setMember(c, "_visible", false);
        QCOMPARE(focus(), QStringLiteral("_level0.c"));
        vm.setMember(c, "_visible", true);
        vm.setMember(c, "_visible", false);
        QCOMPARE(focus(), QStringLiteral("null"));
    }

    // PlaceObject's union of all events gates its handlers: an event it leaves out never
    // fires, whatever a handler's own flags say.
    void clipEventsOutsideTheUnionNeverFire() {
        write::SwfWriter w({100, 100}, 12, 7);
        write::Timeline empty;
        const auto sprite = w.defineSprite(empty.showFrame());
        auto record = [](std::uint32_t events, const char* text) -> QByteArray {
            QByteArray code = Actions().push(text).raw(0x26).bytes();
            QByteArray out;
            for (std::uint32_t v : {events, static_cast<std::uint32_t>(code.size())})
                for (int i = 0; i < 4; ++i)
                    out.append(char((v >> (8 * i)) & 0xff));
            return out.append(code);
        };
        enum : std::uint32_t { Load = 0x1, EnterFrame = 0x2 };
        QByteArray place("\x82\x01\x00", 3); // clip actions and a character, depth 1
        place.append(char(sprite & 0xff)).append(char(sprite >> 8));
        place.append(QByteArray("\0\0\x01\0\0\0", 6)); // reserved; all events: load
        place += record(Load | EnterFrame, "both") + record(EnterFrame, "enterFrame");
        place.append(QByteArray(4, '\0'));
        w.rawTag(26, place).showFrame(2);
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        stage.tick();
        QCOMPARE(host.lines, QStringList({"both"}));
    }

    // setInterval calls back as the clock passes its period; clearInterval stops it.
    void timers() {
        g_events.clear();
        ScriptStage stage(frames(1));
        Vm& vm = stage.runtime->vm();
        const Value interval =
            call(vm, Value(vm.global), "setInterval", {vm.newNative(recordTimer), 100.0, 1.0});
        for (int i = 0; i < 3; ++i)
            stage.tick(); // 83 ms a frame: due at 100 and 200
        QCOMPARE(g_events, QStringList({"timer 1", "timer 1"}));
        call(vm, Value(vm.global), "clearInterval", {interval});
        for (int i = 0; i < 3; ++i)
            stage.tick();
        QCOMPARE(g_events.size(), 2);
    }

    // watch() sees assignments and stores what its callback returns; addProperty's getter
    // answers reads.
    void watchersAndAccessors() {
        ScriptStage stage(frames(1));
        Vm& vm = stage.runtime->vm();
        Object* o = vm.newObject();
        QVERIFY(vm.toBoolean(call(vm, o, "watch", {QStringLiteral("n"), vm.newNative(doubling)})));
        vm.setMember(o, "n", 4.0);
        QCOMPARE(vm.toNumber(vm.getMember(o, "n")), 8.0);
        call(vm, o, "unwatch", {QStringLiteral("n")});
        vm.setMember(o, "n", 4.0);
        QCOMPARE(vm.toNumber(vm.getMember(o, "n")), 4.0);
        QVERIFY(vm.toBoolean(
            call(vm, o, "addProperty", {QStringLiteral("p"), vm.newNative(fixedGetter), Null{}})));
        vm.setMember(o, "p", 1.0); // no setter: ignored
        QCOMPARE(vm.toNumber(vm.getMember(o, "p")), 42.0);
    }

    // A character imported from a file beside the movie plays from that file: its frame
    // script runs and its own children come from its own dictionary.
    void importedCharacters() {
        write::SwfWriter lib({100, 100}, 12, 7);
        write::Timeline sprite;
        sprite.actions(Actions().push("from the library").raw(Trace));
        sprite.showFrame();
        const auto id = lib.defineSprite(sprite);
        QByteArray exports;
        exports.append(char(1)).append(char(0)).append(char(id & 0xFF)).append(char(id >> 8));
        exports.append("shared\0", 7);
        lib.rawTag(56, exports);
        lib.showFrame();

        write::SwfWriter w({100, 100}, 12, 7);
        QByteArray imports("lib.swf\0", 8);
        imports.append(char(1)).append(char(0)).append(char(9)).append(char(0)).append("shared\0",
                                                                                       7);
        w.rawTag(57, imports);
        w.place({.depth = 1, .character = 9, .name = QStringLiteral("borrowed")});
        w.showFrame();
        const QByteArray movie = w.finish();

        FakeSwfHost host;
        host.files.insert(QStringLiteral("lib.swf"), lib.finish());
        Player player;
        player.setHost(&host);
        player.setMovie(parseMovie(movie));
        player.tick();
        QCOMPARE(host.traces, QStringList({"from the library"}));

        // Without the file the movie still plays; the character is simply absent.
        FakeSwfHost empty;
        Player alone;
        alone.setHost(&empty);
        alone.setMovie(parseMovie(movie));
        alone.tick();
        QVERIFY(empty.traces.isEmpty());
    }
};

QTEST_MAIN(TestClips)
#include "test_clips.moc"
