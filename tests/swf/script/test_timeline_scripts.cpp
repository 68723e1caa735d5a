#include "swf/format/tag_table.h"
#include "swf/script/action_codes.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

// A one-frame sprite whose frame script traces its own name.
write::Timeline namingSprite() {
    write::Timeline sprite;
    sprite.actions(Actions().push("this").raw(GetVariable).push("_name").raw(GetMember).raw(Trace));
    sprite.showFrame();
    return sprite;
}

// A frame script tracing this._name followed by suffix.
Actions traceName(const char* suffix) {
    return Actions()
        .push("this")
        .raw(GetVariable)
        .push("_name")
        .raw(GetMember)
        .push(suffix)
        .raw(Add2)
        .raw(Trace);
}

// A DefineSprite as a file may hold it: its tags as given, with no End tag unless added.
std::uint16_t defineSpriteAsIs(write::SwfWriter& w, const write::Timeline& sprite, bool end) {
    const std::uint16_t id = w.takeId();
    QByteArray body;
    for (int v : {int(id), sprite.frameCount()}) {
        body.append(static_cast<char>(v & 0xff));
        body.append(static_cast<char>(v >> 8));
    }
    body.append(sprite.tags());
    if (end)
        body.append(write::tagBytes(tag::End, {}));
    w.rawTag(tag::DefineSprite, body);
    return id;
}

} // namespace

class TestTimelineScripts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Unnamed sprites get "instanceN" from one count for the whole movie; shapes and named
    // objects take no number. A place tag on a taken depth leaves the object there.
    void defaultNamesAndTakenDepths() {
        write::SwfWriter w({100, 100}, 12, 8);
        const auto sprite = w.defineSprite(namingSprite());
        const auto shape = w.defineShape(write::ShapeBuilder().rect({0, 0, 10, 10}, 0));
        w.place({.depth = 1, .character = shape});
        w.place({.depth = 2, .character = sprite});
        w.place({.depth = 3, .character = sprite, .name = QStringLiteral("named")});
        w.place({.depth = 4, .character = sprite});
        w.place({.depth = 2, .character = sprite, .name = QStringLiteral("again")});
        w.showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        QCOMPARE(host.lines, QStringList({"Warning: Failed to place object at depth 2.",
                                          "instance1", "named", "instance2"}));
        QCOMPARE(stage.describe(stage.variable("instance2")),
                 QStringLiteral("movieclip:_level0.instance2"));
    }

    // A place tag naming a character the file defines only later shows nothing, even in
    // the definition's own frame; one after the definition places it.
    void placeBeforeDefinition() {
        write::SwfWriter w({100, 100}, 12, 8);
        w.place({.depth = 1, .character = w.nextId(), .name = QStringLiteral("early")});
        w.showFrame();
        w.place({.depth = 2, .character = w.nextId(), .name = QStringLiteral("sameFrame")});
        const auto sprite = w.defineSprite(namingSprite());
        w.place({.depth = 3, .character = sprite, .name = QStringLiteral("late")});
        w.place({.depth = 1, .character = sprite, .name = QStringLiteral("atFreedDepth")});
        w.actions(Actions().stop()).showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        stage.tick();
        QCOMPARE(host.lines, QStringList({"late", "atFreedDepth"}));
        QCOMPARE(stage.describe(stage.variable("early")), QStringLiteral("undefined:undefined"));
        QCOMPARE(stage.describe(stage.variable("sameFrame")),
                 QStringLiteral("undefined:undefined"));
    }

    // A timeline loops only when its tags end in ShowFrame and End: one cut short, or with
    // tags after its last ShowFrame, plays those and then stays on its last frame.
    void unfinishedTimelinesStayOnTheirLastFrame() {
        write::SwfWriter w({100, 100}, 12, 8);
        write::Timeline twoFrames;
        twoFrames.actions(traceName(" 1")).showFrame().actions(traceName(" 2")).showFrame();
        write::Timeline openLastFrame;
        openLastFrame.actions(traceName(" 1")).showFrame().actions(traceName(" 2"));
        const auto complete = defineSpriteAsIs(w, twoFrames, true);
        const auto noEnd = defineSpriteAsIs(w, twoFrames, false);
        const auto open = defineSpriteAsIs(w, openLastFrame, true);
        w.place({.depth = 1, .character = complete, .name = QStringLiteral("complete")});
        w.place({.depth = 2, .character = noEnd, .name = QStringLiteral("noEnd")});
        w.place({.depth = 3, .character = open, .name = QStringLiteral("open")});
        w.showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        for (int i = 0; i < 3; ++i)
            stage.tick();
        QCOMPARE(host.lines, QStringList({"complete 1", "noEnd 1", "open 1", "open 2", "noEnd 2",
                                          "complete 2", "complete 1", "complete 2"}));
    }

    // A frame script whose clip leaves the stage while it runs stops there.
    void frameScriptStopsWithItsClip() {
        write::SwfWriter w({100, 100}, 12, 8);
        write::Timeline sprite;
        // "before", the root to its frame 2 (which removes this clip), "after".
        sprite.actions(Actions()
                           .push("before")
                           .raw(Trace)
                           .push("/:2")
                           .raw(GotoFrame2, QByteArray(1, '\0'))
                           .push("after")
                           .raw(Trace));
        sprite.showFrame();
        const auto id = w.defineSprite(sprite);
        w.place({.depth = 1, .character = id, .name = QStringLiteral("a")});
        w.showFrame();
        w.remove(1);
        w.actions(Actions().push("root 2").raw(Trace)).showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        QCOMPARE(host.lines, QStringList({"before", "root 2"}));
    }

    // Frame scripts run as the tags come (a clip placed after its parent's script runs
    // after it); later frames run the newest timeline first, so children before parents.
    void frameScriptOrder() {
        write::SwfWriter w({100, 100}, 12, 6);
        write::Timeline sprite;
        sprite.actions(traceName(" 1")).showFrame();
        sprite.actions(traceName(" 2").stop()).showFrame();
        const auto id = w.defineSprite(sprite);
        w.actions(Actions().push("root 1").raw(Trace));
        w.place({.depth = 1, .character = id, .name = QStringLiteral("a")});
        w.place({.depth = 2, .character = id, .name = QStringLiteral("b")});
        w.showFrame();
        w.actions(Actions().push("root 2").raw(Trace).stop()).showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        stage.tick();
        QCOMPARE(host.lines, QStringList({"root 1", "a 1", "b 1", "b 2", "a 2", "root 2"}));
    }

    // WaitForFrame skips its actions only for frames no file can hold.
    void waitForFrame() {
        const auto wait = [](int frame) {
            QByteArray args;
            args.append(char(frame & 0xFF)).append(char(frame >> 8)).append(char(2));
            return args;
        };
        write::SwfWriter w({100, 100}, 12, 6);
        w.actions(Actions()
                      .raw(WaitForFrame, wait(16001))
                      .push("skipped")
                      .raw(Trace)
                      .raw(WaitForFrame, wait(7))
                      .push("loaded")
                      .raw(Trace));
        w.showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        QCOMPARE(host.lines, QStringList({"loaded"}));
    }

    // Going back keeps what the target frame shows (same character and ratio), and script
    // clips at script depths; an object a later frame placed again with another ratio, and
    // script clips at timeline depths, are made anew or go.
    void backwardGotoKeepsTheRightObjects() {
        write::SwfWriter w({100, 100}, 12, 8);
        write::Timeline empty;
        empty.showFrame();
        const auto sprite = w.defineSprite(empty);
        w.place({.depth = 1, .character = sprite, .name = QStringLiteral("stays")});
        w.place({.depth = 2, .character = sprite, .name = QStringLiteral("replaced")});
        w.showFrame();
        w.remove(2);
        w.place({.depth = 2, .character = sprite, .ratio = 1, .name = QStringLiteral("replaced")});
        w.showFrame(2);
        ScriptStage stage(load(w.finish()));
        Vm& vm = stage.runtime->vm();
        const Value root = vm.clipObject(*stage.root);
        stage.tick();
        const Value stays = stage.variable("stays");
        const Value replaced = stage.variable("replaced");
        const Value kept = call(vm, root, "createEmptyMovieClip", {QStringLiteral("kept"), 3.0});
        call(vm, root, "createEmptyMovieClip", {QStringLiteral("low"), -100.0});
        stage.root->gotoFrame(0);
        QVERIFY(vm.strictEquals(stage.variable("stays"), stays));
        QCOMPARE(vm.typeOf(stage.variable("replaced")), QStringLiteral("movieclip"));
        QVERIFY(objectOf(stage.variable("replaced")) != objectOf(replaced));
        QVERIFY(vm.strictEquals(stage.variable("kept"), kept));
        QCOMPARE(vm.typeOf(stage.variable("low")), QStringLiteral("undefined"));
    }

    // Removing a clip unloads the clips inside it first, each while its path still holds.
    void unloadReachesChildren() {
        TraceHost host;
        write::SwfWriter w({100, 100}, 12, 8);
        w.showFrame();
        ScriptStage stage(load(w.finish()), &host);
        Vm& vm = stage.runtime->vm();
        const Value root = vm.clipObject(*stage.root);
        const Value outer = call(vm, root, "createEmptyMovieClip", {QStringLiteral("outer"), 1.0});
        const Value inner = call(vm, outer, "createEmptyMovieClip", {QStringLiteral("inner"), 1.0});
        for (const Value& clip : {outer, inner}) {
            Object* handler = vm.newNative([](Vm& v, const Value& self, Args) -> Value {
                v.trace(QStringLiteral("unload ") + v.toString(self));
                return Undefined{};
            });
            vm.setMember(clip, "onUnload", handler);
        }
        call(vm, outer, "removeMovieClip", {});
        QCOMPARE(host.lines, QStringList({"unload _level0.outer.inner", "unload _level0.outer"}));
    }

    // "path:frame" in a clip's goto names another timeline's frame.
    void gotoWithPath() {
        write::SwfWriter w({100, 100}, 12, 8);
        write::Timeline empty;
        empty.showFrame();
        const auto sprite = w.defineSprite(empty);
        w.place({.depth = 1, .character = sprite, .name = QStringLiteral("child")});
        w.showFrame(4);
        ScriptStage stage(load(w.finish()));
        Vm& vm = stage.runtime->vm();
        call(vm, stage.variable("child"), "gotoAndStop", {QStringLiteral("/:3")});
        QCOMPARE(stage.root->currentFrame(), 2);
        QVERIFY(!stage.root->isPlaying());
        call(vm, stage.variable("child"), "gotoAndPlay", {QStringLiteral("/nothing:1")});
        QCOMPARE(stage.root->currentFrame(), 2);
    }

    // Frame numbers are 32-bit integers that wrap; labels ignore ASCII case only.
    void gotoNumbersAndLabels() {
        write::SwfWriter w({100, 100}, 12, 8);
        w.showFrame();
        w.label(QStringLiteral("Mark")).showFrame();
        w.label(QStringLiteral("\u00fcber")).showFrame(2);
        ScriptStage stage(load(w.finish()));
        Vm& vm = stage.runtime->vm();
        const Value root = vm.clipObject(*stage.root);
        const auto frameAfter = [&](const Value& frame) {
            call(vm, root, "gotoAndStop", {frame});
            return stage.root->currentFrame();
        };
        QCOMPARE(frameAfter(QStringLiteral("mARK")), 1);
        QCOMPARE(frameAfter(QStringLiteral("\u00dcBER")), 1);
        QCOMPARE(frameAfter(QStringLiteral("\u00fcBER")), 2);
        QCOMPARE(frameAfter(4294967297.0), 0);
        QCOMPARE(frameAfter(0.0), 0);
        QCOMPARE(frameAfter(-2147483648.0), 3);
        QCOMPARE(frameAfter(-2147483647.0), 3);
    }

    // Stage.displayState takes either state in any case, tells listeners when it changes
    // and ignores anything else.
    void stageDisplayState() {
        TraceHost host;
        write::SwfWriter w({100, 100}, 12, 8);
        w.showFrame();
        ScriptStage stage(load(w.finish()), &host);
        Vm& vm = stage.runtime->vm();
        const Value stageObject = vm.getMember(Value(vm.global), "Stage");
        Object* listener = vm.newObject();
        vm.setMember(Value(listener), "onFullScreen",
                     vm.newNative([](Vm& v, const Value&, Args args) -> Value {
                         v.trace(QStringLiteral("full ") +
                                 v.toString(args.empty() ? Value() : args[0]));
                         return Undefined{};
                     }));
        call(vm, stageObject, "addListener", {listener});
        const auto state = [&] { return vm.toString(vm.getMember(stageObject, "displayState")); };
        QCOMPARE(state(), QStringLiteral("normal"));
        vm.setMember(stageObject, "displayState", QStringLiteral("bogus"));
        vm.setMember(stageObject, "displayState", QStringLiteral("FULLSCREEN"));
        QCOMPARE(state(), QStringLiteral("fullScreen"));
        vm.setMember(stageObject, "displayState", QStringLiteral("fullscreen"));
        vm.setMember(stageObject, "displayState", QStringLiteral("Normal"));
        QCOMPARE(state(), QStringLiteral("normal"));
        QCOMPARE(host.lines, QStringList({"full true", "full false"}));
    }
};

QTEST_GUILESS_MAIN(TestTimelineScripts)
#include "test_timeline_scripts.moc"
