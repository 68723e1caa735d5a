#include "support/fake_swf_host.h"
#include "swf/format/tag_table.h"
#include "swf/player/player.h"
#include "swf/script/action_codes.h"
#include "swf/script/movie_loads.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"
#include "swfwriter/bit_writer.h"
#include "swfwriter/writer_sound.h"

#include <QBuffer>
#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

QStringList g_events; // what the listener's handlers saw

const char* const loadEvents[] = {"onLoadStart", "onLoadProgress", "onLoadComplete", "onLoadInit",
                                  "onLoadError"};

// Records an event's name and arguments.
template <int Event> Value recordEvent(Vm& vm, const Value&, Args args) {
    QStringList parts{QLatin1String(loadEvents[Event])};
    for (const Value& a : args)
        parts << vm.toString(a);
    g_events << parts.join(QLatin1Char(' '));
    return Undefined{};
}

// A movie whose first frame traces its text (and its _root, when asked).
QByteArray tracingMovie(const QString& text, int version = 7) {
    write::SwfWriter w({100, 100}, 12, version);
    Actions a;
    a.push(text).raw(Trace);
    a.push("_root").raw(GetVariable).raw(Trace);
    w.actions(a).showFrame();
    w.showFrame();
    return w.finish();
}

// A stage whose loads read host's files; frame() runs what a player's frame does.
struct LoadingStage : ScriptStage {
    LoadingStage(FakeSwfHost& host,
                 const QByteArray& movie = tracingMovie(QStringLiteral("parent")))
        : ScriptStage(load(movie), &host) {
        runtime->vm().movieLoads().setParser(
            [](const QByteArray& bytes) { return parseMovie(bytes); });
    }
    void frame() {
        runtime->frameBegins();
        runtime->newFrame();
        root->tick();
        runtime->runPending();
        runtime->startLoads();
        runtime->runPending();
    }
    Value rootObject() { return runtime->vm().clipObject(*root); }
};

// A listener whose handlers record each event's name and arguments.
Object* recordingListener(Vm& vm) {
    Object* o = vm.newObject();
    const NativeFunction handlers[] = {recordEvent<0>, recordEvent<1>, recordEvent<2>,
                                       recordEvent<3>, recordEvent<4>};
    for (int i = 0; i < 5; ++i)
        vm.setMember(Value(o), QLatin1String(loadEvents[i]), vm.newNative(handlers[i]));
    return o;
}

// A movie with a clip "holder" whose onClipEvent(load) traces "load".
QByteArray movieWithLoadEvent() {
    write::SwfWriter w({100, 100}, 12, 7);
    const auto sprite = w.defineSprite(write::Timeline().showFrame());
    const QByteArray code = Actions().push("load").raw(Trace).bytes();
    BitWriter place;
    place.u8(0xA2); // clip actions, name, character
    place.u16(1);
    place.u16(sprite);
    place.bytes(QByteArray("holder", 7));
    place.u16(0);
    place.u32(1); // every event: load
    place.u32(1);
    place.u32(static_cast<std::uint32_t>(code.size()));
    place.bytes(code);
    place.u32(0);
    w.rawTag(tag::PlaceObject2, place.data());
    w.actions(Actions().stop()).showFrame();
    return w.finish();
}

QByteArray pngBytes(QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TestMovieLoads : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // MovieClipLoader: the clip is replaced when the frame's timelines have moved on, then
    // start, progress and complete are heard, the new movie's first frame runs, then init.
    // The new clip keeps its place and name but not what scripts set on the old one.
    void loaderEventsInOrder() {
        g_events.clear();
        FakeSwfHost host;
        const QByteArray child = tracingMovie(QStringLiteral("child"), 8);
        host.files.insert(QStringLiteral("child.swf"), child);
        LoadingStage stage(host);
        Vm& vm = stage.runtime->vm();
        const Value mc =
            call(vm, stage.rootObject(), "createEmptyMovieClip", {QStringLiteral("holder"), 1.0});
        vm.setMember(mc, "_x", 30.0);
        vm.setMember(mc, "note", QStringLiteral("old"));
        const Value loader = vm.construct(vm.getMember(Value(vm.global), "MovieClipLoader"), {});
        Object* listener = recordingListener(vm);
        vm.setMember(
            Value(listener), "onLoadStart", vm.newNative([](Vm& v, const Value&, Args args) {
                g_events << QStringLiteral("start ") + v.toString(v.getMember(args[0], "note"));
                return Value(Undefined{});
            }));
        call(vm, loader, "addListener", {listener});
        QVERIFY(vm.toBoolean(call(vm, loader, "loadClip", {QStringLiteral("child.swf"), mc})));
        QVERIFY(g_events.isEmpty());
        host.traces.clear();
        stage.frame();
        const double size = child.size();
        const QString told =
            "onLoadProgress _level0.holder " + QString::number(size) + " " + QString::number(size);
        QCOMPARE(g_events,
                 QStringList({"start undefined", told, told, "onLoadComplete _level0.holder 0",
                              "onLoadInit _level0.holder"}));
        QCOMPARE(host.traces.mid(0, 2), QStringList({"child", "_level0"}));
        const Value now = vm.getMember(stage.rootObject(), "holder");
        QCOMPARE(vm.toNumber(vm.getMember(now, "_x")), 30.0);
        QCOMPARE(vm.toString(vm.getMember(now, "_url")), QStringLiteral("file:///child.swf"));
        QCOMPARE(vm.toNumber(call(vm, now, "getBytesTotal", {})), size);
        QCOMPARE(vm.toNumber(call(vm, now, "getSWFVersion", {})), 8.0);
        const Value progress = call(vm, loader, "getProgress", {now});
        QCOMPARE(vm.toNumber(vm.getMember(progress, "bytesLoaded")), size);
    }

    // A movie loaded into a clip brings the clip's load event again, before the movie's
    // first frame's scripts.
    void loadEventComesAgain() {
        FakeSwfHost host;
        host.files.insert(QStringLiteral("child.swf"), tracingMovie(QStringLiteral("child")));
        LoadingStage stage(host, movieWithLoadEvent());
        Vm& vm = stage.runtime->vm();
        stage.frame();
        host.traces.clear();
        call(vm, vm.getMember(stage.rootObject(), "holder"), "loadMovie",
             {QStringLiteral("child.swf")});
        stage.frame();
        QCOMPARE(host.traces.mid(0, 2), QStringList({"load", "child"}));
    }

    // A file that is missing or no movie: onLoadError and the clip stays; an unload queued
    // after a load in the same frame cancels it (only onLoadStart is heard).
    void failedAndCancelledLoads() {
        g_events.clear();
        FakeSwfHost host;
        host.files.insert(QStringLiteral("broken.swf"), QByteArray("FWS\x08garbage", 11));
        host.files.insert(QStringLiteral("child.swf"), tracingMovie(QStringLiteral("child")));
        LoadingStage stage(host);
        Vm& vm = stage.runtime->vm();
        const Value a =
            call(vm, stage.rootObject(), "createEmptyMovieClip", {QStringLiteral("a"), 1.0});
        const Value b =
            call(vm, stage.rootObject(), "createEmptyMovieClip", {QStringLiteral("b"), 2.0});
        vm.setMember(a, "note", QStringLiteral("kept"));
        const Value loader = vm.construct(vm.getMember(Value(vm.global), "MovieClipLoader"), {});
        call(vm, loader, "addListener", {recordingListener(vm)});
        call(vm, loader, "loadClip", {QStringLiteral("missing.swf"), a});
        call(vm, loader, "loadClip", {QStringLiteral("broken.swf"), QStringLiteral("a")});
        call(vm, loader, "loadClip", {QStringLiteral("child.swf"), b});
        call(vm, loader, "unloadClip", {b});
        QVERIFY(!vm.toBoolean(call(vm, loader, "loadClip", {QStringLiteral("child.swf")})));
        host.traces.clear();
        stage.frame();
        QCOMPARE(g_events,
                 QStringList({"onLoadError _level0.a URLNotFound 0",
                              "onLoadError _level0.a URLNotFound 0", "onLoadStart _level0.b"}));
        QCOMPARE(vm.toString(vm.getMember(vm.getMember(stage.rootObject(), "a"), "note")),
                 QStringLiteral("kept"));
        QVERIFY(!host.traces.contains(QStringLiteral("child")));
    }

    // loadMovieNum makes a level: its own root (_root, _target, paths), reached as _levelN
    // from anywhere; unloading it takes effect with the next frame.
    void levels() {
        FakeSwfHost host;
        host.files.insert(QStringLiteral("child.swf"), tracingMovie(QStringLiteral("child")));
        LoadingStage stage(host);
        Vm& vm = stage.runtime->vm();
        Actions loadLevel;
        loadLevel.raw(GetUrl, QByteArray("child.swf\0_level3\0", 18));
        vm.runBlock(*stage.root, loadLevel.bytes());
        QCOMPARE(vm.typeOf(vm.getMember(stage.rootObject(), "_level3")),
                 QStringLiteral("undefined"));
        host.traces.clear();
        stage.frame();
        QCOMPARE(host.traces.mid(0, 2), QStringList({"child", "_level3"}));
        const Value level = vm.getMember(stage.rootObject(), "_level3");
        QCOMPARE(vm.toString(level), QStringLiteral("_level3"));
        QCOMPARE(vm.toString(vm.getMember(level, "_target")), QStringLiteral("_level3"));
        const Value inner = call(vm, level, "createEmptyMovieClip", {QStringLiteral("x"), 1.0});
        QCOMPARE(vm.toString(inner), QStringLiteral("_level3.x"));
        QCOMPARE(vm.toString(vm.getMember(inner, "_target")), QStringLiteral("_level3/x"));
        QVERIFY(vm.strictEquals(vm.getMember(inner, "_root"), level));
        // _lockroot makes a clip the _root of what is inside it.
        vm.setMember(level, "_lockroot", 1.0);
        QCOMPARE(vm.getMember(level, "_lockroot"), Value(true));
        QCOMPARE(vm.toNumber(call(vm, level, "getDepth", {})), 3.0 - 16384);
        // A level's root swaps levels by depth (depth d is level d + 16384).
        call(vm, level, "swapDepths", {-16380.0});
        QCOMPARE(vm.toString(level), QStringLiteral("_level4"));
        QCOMPARE(vm.typeOf(vm.getMember(stage.rootObject(), "_level3")),
                 QStringLiteral("undefined"));
        call(vm, level, "swapDepths", {-16381.0});

        Actions unloadLevel;
        unloadLevel.raw(GetUrl, QByteArray("\0_level3\0", 9));
        vm.runBlock(*stage.root, unloadLevel.bytes());
        QCOMPARE(vm.toString(vm.getMember(stage.rootObject(), "_level3")),
                 QStringLiteral("_level3"));
        stage.frame();
        QCOMPARE(vm.typeOf(vm.getMember(stage.rootObject(), "_level3")),
                 QStringLiteral("undefined"));
    }

    // A loaded movie's scripts name its own symbols: registerClass and attachMovie in it
    // use its exports, and its clips report its file as their _url.
    void symbolsOfTheLoadedFile() {
        write::SwfWriter w({100, 100}, 12, 7);
        const auto item = w.defineSprite(write::Timeline().showFrame());
        write::exportAssets(w, {{item, QStringLiteral("item")}});
        w.showFrame();
        FakeSwfHost host;
        host.files.insert(QStringLiteral("lib.swf"), w.finish());
        LoadingStage stage(host);
        Vm& vm = stage.runtime->vm();
        const Value holder =
            call(vm, stage.rootObject(), "createEmptyMovieClip", {QStringLiteral("lib"), 1.0});
        call(vm, holder, "loadMovie", {QStringLiteral("lib.swf")});
        stage.frame();
        const Value lib = vm.getMember(stage.rootObject(), "lib");
        Object* objectClass = objectOf(vm.getMember(Value(vm.global), "Object"));
        FunctionObject* itemClass = vm.defineClass(
            QStringLiteral("Item"), [](Vm&, const Value&, Args) { return Value(Undefined{}); },
            nullptr, vm.newObject());
        // Asked from the player's own movie, the name is unknown.
        QCOMPARE(vm.toBoolean(call(vm, Value(objectClass), "registerClass",
                                   {QStringLiteral("item"), itemClass})),
                 false);
        Actions registering;
        registering.push("Item").raw(GetVariable).push("item").push(2.0).push("Object");
        registering.raw(GetVariable).push("registerClass").raw(CallMethod).raw(Pop);
        vm.runBlock(*vm.clipOf(lib), registering.bytes());
        const Value made =
            call(vm, lib, "attachMovie", {QStringLiteral("item"), QStringLiteral("i"), 1.0});
        QCOMPARE(vm.toString(made), QStringLiteral("_level0.lib.i"));
        QVERIFY(vm.instanceOf(made, itemClass));
        QCOMPARE(vm.toString(vm.getMember(made, "_url")), QStringLiteral("file:///lib.swf"));
        QVERIFY(vm.typeOf(call(vm, stage.rootObject(), "attachMovie",
                               {QStringLiteral("item"), QStringLiteral("j"), 2.0})) ==
                QStringLiteral("undefined"));
    }

    // A movie that loads itself into a clip of its own every frame nests only as deep as
    // sprites may; the play goes on.
    void selfLoadingMovieStaysBounded() {
        write::SwfWriter w({100, 100}, 12, 7);
        Actions a;
        a.push("self").raw(Trace);
        a.push(1.0).push("c").push(2.0).push("this").raw(GetVariable);
        a.push("createEmptyMovieClip").raw(CallMethod).raw(Pop);
        a.push("self.swf").push("c").raw(GetUrl2, QByteArray(1, '\x40'));
        w.actions(a).showFrame();
        FakeSwfHost host;
        host.files.insert(QStringLiteral("self.swf"), w.finish());
        LoadingStage stage(host);
        Vm& vm = stage.runtime->vm();
        const Value top =
            call(vm, stage.rootObject(), "createEmptyMovieClip", {QStringLiteral("top"), 1.0});
        call(vm, top, "loadMovie", {QStringLiteral("self.swf")});
        host.traces.clear();
        for (int i = 0; i < 64; ++i)
            stage.frame();
        QVERIFY(host.traces.size() > 20);
        int depth = 0;
        for (TimelineInstance* at = stage.root.get(); at && depth < 100; ++depth) {
            auto it = at->displayList().begin();
            at = it == at->displayList().end() ? nullptr : it->second.sprite.get();
        }
        QVERIFY(depth <= 33);
    }

    // An image file shows in the clip at its own size; it has no SWF version.
    void imageIntoClip() {
        FakeSwfHost host;
        host.files.insert(QStringLiteral("pic.png"), pngBytes({40, 30}));
        LoadingStage stage(host);
        Vm& vm = stage.runtime->vm();
        const Value mc =
            call(vm, stage.rootObject(), "createEmptyMovieClip", {QStringLiteral("p"), 1.0});
        call(vm, mc, "loadMovie", {QStringLiteral("pic.png")});
        stage.frame();
        const Value now = vm.getMember(stage.rootObject(), "p");
        QCOMPARE(vm.toNumber(vm.getMember(now, "_width")), 40.0);
        QCOMPARE(vm.toNumber(vm.getMember(now, "_height")), 30.0);
        QCOMPARE(vm.toNumber(call(vm, now, "getSWFVersion", {})), -1.0);
    }

    // An image loaded into a clip the timeline placed is drawn where the clip is.
    void loadedImageIsDrawn() {
        write::SwfWriter parent({100, 100}, 12, 8);
        parent.background(Qt::white);
        write::Timeline nothing;
        nothing.showFrame();
        const auto holder = parent.defineSprite(nothing);
        parent.place({.depth = 1,
                      .character = holder,
                      .matrix = QTransform::fromTranslate(10, 20),
                      .name = QString("p")});
        Actions a;
        a.push("pic.png").push(1.0).push("p").raw(GetVariable).push("loadMovie");
        a.raw(CallMethod).raw(Pop);
        parent.actions(a).showFrame(3);
        FakeSwfHost host;
        host.files.insert(QStringLiteral("pic.png"), pngBytes({40, 30}));
        Player player;
        player.setHost(&host);
        player.setMovie(load(parent.finish()));
        player.runFirstFrameActions();
        player.tick();
        player.tick();
        const QImage shown = renderImage(player, {100, 100});
        QVERIFY(near(shown.pixel(15, 25), Qt::blue));
        QVERIFY(near(shown.pixel(49, 49), Qt::blue));
        QVERIFY(near(shown.pixel(5, 25), Qt::white));
        QVERIFY(near(shown.pixel(55, 55), Qt::white));
    }

    // A level is drawn over the movie below it.
    void levelsDrawAboveTheRoot() {
        write::SwfWriter parent({100, 100}, 12, 7);
        parent.background(Qt::white);
        Actions a;
        a.raw(GetUrl, QByteArray("top.swf\0_level1\0", 16));
        parent.actions(a).showFrame(3);
        write::SwfWriter top({100, 100}, 12, 7);
        write::ShapeBuilder square;
        square.rect({0, 0, 50, 50}, square.addFill(write::solid(Qt::blue)));
        const auto shape = top.defineShape(square);
        top.place({.depth = 1, .character = shape}).showFrame();
        FakeSwfHost host;
        host.files.insert(QStringLiteral("top.swf"), top.finish());
        Player player;
        player.setHost(&host);
        player.setMovie(load(parent.finish()));
        player.runFirstFrameActions();
        QVERIFY(near(renderImage(player, {100, 100}).pixel(20, 20), Qt::white));
        player.tick();
        const QImage shown = renderImage(player, {100, 100});
        QVERIFY(near(shown.pixel(20, 20), Qt::blue));
        QVERIFY(near(shown.pixel(80, 80), Qt::white));
    }
};

QTEST_MAIN(TestMovieLoads)
#include "test_movie_loads.moc"
