#include "swf/display/timeline_instance.h"
#include "swf/script/action_codes.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QDataStream>
#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

Actions traceText(const char* text) {
    return Actions().push(text).raw(Trace);
}

Value traceEnterFrame(Vm& vm, const Value& self, Args) {
    vm.trace(QStringLiteral("enter ") + vm.toString(vm.getMember(self, "_name")));
    return Undefined{};
}

constexpr std::uint32_t initializeEvent = 0x200;
constexpr std::uint32_t constructEvent = 0x40000;

// A PlaceObject2 of a named sprite whose clip events run script.
void placeWithEvents(write::Timeline& t, std::uint16_t id, const char* name, std::uint32_t events,
                     const Actions& script) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const QByteArray code = script.bytes();
    out << quint8(0x80 | 0x20 | 0x02) << quint16(1) << quint16(id);
    out.writeRawData(name, int(qstrlen(name)) + 1);
    out << quint16(0) << events << events << quint32(code.size());
    out.writeRawData(code.constData(), int(code.size()));
    out << quint32(0);
    t.rawTag(26, body);
}

// The names on a timeline's list by depth.
QStringList names(const TimelineInstance& t) {
    QStringList out;
    for (const auto& [depth, o] : t.displayList())
        out << QStringLiteral("%1:%2").arg(depth).arg(o.placement.name);
    return out;
}

} // namespace

class TestFrameOrder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each timeline on the stage, the newest first, hears enterFrame just before its frame's
    // script runs; a clip its parent's tags remove in the same frame hears nothing.
    void enterFrameBeforeEachFrameScript() {
        write::SwfWriter w({100, 100}, 12, 7);
        write::Timeline kid;
        kid.showFrame();
        kid.actions(traceText("kid script")).showFrame();
        const auto kidId = w.defineSprite(kid);
        w.place({.depth = 1, .character = kidId, .name = QStringLiteral("kid")});
        w.showFrame();
        w.actions(traceText("root script")).showFrame();
        w.remove(1);
        w.actions(traceText("root script")).showFrame();
        w.actions(Actions().stop()).showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        Vm& vm = stage.runtime->vm();
        const Value root = vm.clipObject(*stage.root);
        const Value kidClip = vm.getMember(root, "kid");
        for (const Value& clip : {root, kidClip})
            vm.setMember(clip, "onEnterFrame", vm.newNative(traceEnterFrame));
        stage.tick();
        QCOMPARE(host.lines, QStringList({"enter kid", "kid script", "enter ", "root script"}));
        host.lines.clear();
        stage.tick();
        QCOMPARE(host.lines, QStringList({"enter ", "root script"}));
    }

    // A clip's initialize and construct events run before those of the clips its first
    // frame places; construct events once every initialize ran.
    void clipEventsGoOutsideIn() {
        write::SwfWriter w({100, 100}, 12, 7);
        write::Timeline inner;
        inner.showFrame();
        const auto innerId = w.defineSprite(inner);
        write::Timeline outer;
        placeWithEvents(outer, innerId, "inner", initializeEvent | constructEvent,
                        traceText("inner"));
        outer.showFrame();
        const auto outerId = w.defineSprite(outer);
        placeWithEvents(w, outerId, "outer", initializeEvent | constructEvent, traceText("outer"));
        w.showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        QCOMPARE(host.lines, QStringList({"outer", "inner", "outer", "inner"}));
    }

    // A place tag on a taken depth is reported in the trace, but not by SWF 6 files.
    void takenDepthWarning_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("warns");
        QTest::newRow("swf6") << 6 << false;
        QTest::newRow("swf7") << 7 << true;
    }
    void takenDepthWarning() {
        QFETCH(int, version);
        QFETCH(bool, warns);
        write::SwfWriter w({100, 100}, 12, version);
        write::Timeline empty;
        empty.showFrame();
        const auto clip = w.defineSprite(empty);
        w.place({.depth = 3, .character = clip, .name = QStringLiteral("first")});
        w.place({.depth = 3, .character = clip, .name = QStringLiteral("second")});
        w.showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        QCOMPARE(host.lines.contains("Warning: Failed to place object at depth 3."), warns);
        QCOMPARE(names(*stage.root), QStringList({"3:first"}));
    }

    // Going back keeps an object the target frame shows with the same character and ratio,
    // whichever tag placed it, and its name; a different ratio is another object.
    void goingBackMatchesCharacterAndRatio() {
        write::SwfWriter w({100, 100}, 12, 7);
        write::Timeline empty;
        empty.showFrame();
        const auto clip = w.defineSprite(empty);
        w.place({.depth = 1, .character = clip, .name = QStringLiteral("a")});
        w.place({.depth = 2, .character = clip, .name = QStringLiteral("c")});
        w.showFrame(2);
        w.remove(1).remove(2);
        w.place({.depth = 1, .character = clip, .name = QStringLiteral("b")});
        w.place({.depth = 2, .character = clip, .ratio = 5, .name = QStringLiteral("d")});
        w.actions(Actions().stop()).showFrame();
        ScriptStage stage(load(w.finish()));
        stage.tick();
        stage.tick();
        QCOMPARE(names(*stage.root), QStringList({"1:b", "2:d"}));
        const std::uint64_t kept = stage.root->objectAt(1)->id;
        stage.root->gotoFrame(1);
        stage.runtime->runPending();
        QCOMPARE(names(*stage.root), QStringList({"1:b", "2:c"}));
        QCOMPARE(stage.root->objectAt(1)->id, kept);
    }
};

QTEST_MAIN(TestFrameOrder)
#include "test_frame_order.moc"
