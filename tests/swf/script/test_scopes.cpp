#include "swf/script/action_codes.h"
#include "swf/script/script_host.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

// The bytes of a script without its closing end action.
QByteArray open(const Actions& a) {
    return a.bytes().chopped(1);
}

// function name() { body } as DefineFunction, or as DefineFunction2 with flags.
QByteArray function(const char* name, const Actions& body, int flags = -1) {
    const QByteArray code = open(body);
    QByteArray args = QByteArray(name);
    args += QByteArray("\0\0\0", 3);
    if (flags >= 0)
        args += QByteArray(1, '\3') + char(flags & 0xff) + char(flags >> 8);
    args.append(char(code.size() & 0xff)).append(char(code.size() >> 8));
    return open(Actions().raw(flags >= 0 ? 0x8E : DefineFunction, args)) + code;
}

// One frame of the given blocks (one DoAction each), then a second of its own.
std::shared_ptr<const Movie> movie(int version, const std::vector<QByteArray>& frame1,
                                   const std::vector<QByteArray>& frame2 = {}) {
    write::SwfWriter w({100, 100}, 12, version);
    for (const QByteArray& block : frame1)
        w.rawTag(12, block + QByteArray(1, '\0'));
    w.showFrame();
    for (const QByteArray& block : frame2)
        w.rawTag(12, block + QByteArray(1, '\0'));
    w.showFrame();
    return load(w.finish());
}

int calls = 0;

// A getter and a setter that touch their own property again, counting their calls.
Value readsItself(Vm& vm, const Value& self, Args) {
    ++calls;
    vm.getMember(self, QStringLiteral("p"));
    return QStringLiteral("got");
}
Value writesItself(Vm& vm, const Value& self, Args args) {
    ++calls;
    vm.setMember(self, QStringLiteral("p"), args.empty() ? Value() : args[0]);
    return Undefined{};
}
Value watcherSetsAgain(Vm& vm, const Value& self, Args args) {
    ++calls;
    vm.setMember(self, QStringLiteral("p"), QStringLiteral("inner"));
    return args.size() > 2 ? args[2] : Value();
}

} // namespace

class TestScopes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { calls = 0; }

    // A getter, setter or watcher that reaches its own property again: before SWF 7 the
    // nested access meets the stored value, later ones nest 65 deep.
    void accessorRecursion_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("nested");
        QTest::newRow("SWF 6") << 6 << 1;
        QTest::newRow("SWF 7") << 7 << 65;
    }
    void accessorRecursion() {
        QFETCH(int, version);
        QFETCH(int, nested);
        ScriptStage stage(movie(version, {open(Actions())}));
        Vm& vm = stage.runtime->vm();
        Object* o = vm.newObject();
        const Value object(o);
        call(vm, object, "addProperty",
             {QStringLiteral("p"), vm.newNative(readsItself), vm.newNative(writesItself)});
        vm.setMember(object, "p", QStringLiteral("b"));
        QCOMPARE(calls, nested);
        calls = 0;
        QCOMPARE(vm.toString(vm.getMember(object, "p")), QStringLiteral("got"));
        QCOMPARE(calls, nested);

        Object* w = vm.newObject();
        vm.setMember(Value(w), "p", QStringLiteral("a"));
        calls = 0;
        call(vm, Value(w), "watch", {QStringLiteral("p"), vm.newNative(watcherSetsAgain)});
        vm.setMember(Value(w), "p", QStringLiteral("outer"));
        QCOMPARE(calls, nested);
        QCOMPARE(vm.toString(vm.getMember(Value(w), "p")), QStringLiteral("outer"));
    }

    // A function whose clip was removed runs on level 0; its variables land there.
    void removedBaseClip() {
        Actions make;
        make.push(1.0).push("c").push(2.0).push("_root").raw(GetVariable);
        make.push("createEmptyMovieClip").raw(CallMethod).raw(Pop);
        Actions remove;
        remove.push(0.0).push("c").raw(GetVariable).push("removeMovieClip").raw(CallMethod);
        remove.raw(Pop).push(0.0).push("f").raw(CallFunction).raw(Pop);
        const Actions body = Actions().push("x").push(1.0).raw(SetVariable);
        ScriptStage stage(movie(
            6,
            {open(make) + open(Actions().setTarget("c").push("_root").raw(GetVariable).push("f")) +
             function("", body) + open(Actions().raw(SetMember).setTarget("")) + open(remove)}));
        QCOMPARE(stage.describe(stage.variable("x")), QStringLiteral("number:1"));
    }

    // The blocks of one frame share a stack (what one leaves the next pops); a new frame
    // starts empty.
    void blocksShareTheStack() {
        auto take = [](const char* name) -> QByteArray {
            return open(Actions().push(name).raw(StackSwap).raw(SetVariable));
        };
        ScriptStage stage(movie(6, {open(Actions().push("left")), take("a")}, {take("b")}));
        stage.tick();
        QCOMPARE(stage.describe(stage.variable("a")), QStringLiteral("string:left"));
        QCOMPARE(stage.describe(stage.variable("b")), QStringLiteral("undefined:"));
    }

    // this: setting it changes what the code sees; a DefineFunction2 that keeps this in a
    // register, or drops it, has no this variable (its timeline answers) and suppressing
    // beats preloading.
    void thisAndItsFlags() {
        auto method = [](const char* name, int flags, bool fromRegister) -> QByteArray {
            Actions body;
            if (fromRegister)
                body.pushRegister(1);
            else
                body.push("this").raw(GetVariable);
            body.raw(Return);
            return open(Actions().push("o").raw(GetVariable).push(name)) +
                   function("", body, flags) + open(Actions().raw(SetMember));
        };
        auto result = [](const char* var, const char* name) -> QByteArray {
            return open(Actions().push(var).push(0.0).push("o").raw(GetVariable).push(name));
        };
        QByteArray script = open(Actions().push("o").push(0.0).raw(InitObject).raw(SetVariable));
        script += method("plain", 0, false) + method("preloaded", 1, false) +
                  method("both", 3, true) + method("kept", 1, true);
        for (const char* name : {"plain", "preloaded", "both", "kept"})
            script += result(name, name) + open(Actions().raw(CallMethod).raw(SetVariable));
        script += open(Actions().push("this").push(5.0).raw(SetVariable));
        script += open(Actions().push("t").push("this").raw(GetVariable).raw(SetVariable));
        ScriptStage stage(movie(7, {script}));
        QCOMPARE(stage.describe(stage.variable("plain")), QStringLiteral("object:[object Object]"));
        QCOMPARE(stage.describe(stage.variable("preloaded")), QStringLiteral("movieclip:_level0"));
        QCOMPARE(stage.describe(stage.variable("both")), QStringLiteral("undefined:undefined"));
        QCOMPARE(stage.describe(stage.variable("kept")), QStringLiteral("object:[object Object]"));
        QCOMPARE(stage.describe(stage.variable("t")), QStringLiteral("number:5"));
    }

    // Paths: a dotted name is tried scope by scope (the first from which the whole path
    // leads to the variable wins); a tellTarget path that names nothing acts on level 0.
    void pathsThroughScopes() {
        Actions a;
        a.push("_global").raw(GetVariable).push("a");
        a.push("b").push("c").push("global").push(1.0).raw(InitObject).push(1.0).raw(InitObject);
        a.raw(SetMember);
        a.push("a").push("b").push("root").push(1.0).raw(InitObject).raw(SetVariable);
        a.push("deep").push("a.b.c").raw(GetVariable).raw(SetVariable);
        a.push("near").push("a.b").raw(GetVariable).raw(SetVariable);
        // _root.g.b is an object without c: the search goes on to _global.g.b.c.
        a.push("_global").raw(GetVariable).push("g");
        a.push("b").push("c").push("global").push(1.0).raw(InitObject).push(1.0).raw(InitObject);
        a.raw(SetMember);
        a.push("g").push("b").push(0.0).raw(InitObject).push(1.0).raw(InitObject).raw(SetVariable);
        a.push("past").push("g.b.c").raw(GetVariable).raw(SetVariable);
        a.setTarget("nowhere").push("told").push(1.0).raw(SetVariable).setTarget("");
        ScriptStage stage(movie(7, {open(a)}));
        QCOMPARE(stage.describe(stage.variable("deep")), QStringLiteral("string:global"));
        QCOMPARE(stage.describe(stage.variable("near")), QStringLiteral("string:root"));
        QCOMPARE(stage.describe(stage.variable("past")), QStringLiteral("string:global"));
        QCOMPARE(stage.describe(stage.variable("told")), QStringLiteral("number:1"));
    }

    // DefineLocal in a with block sets the with object's own property of that name, else
    // the timeline's; nested tellTargets each start from the code's own timeline.
    void withAndTellTarget() {
        const QByteArray body = open(
            Actions().push("b").push(10.0).raw(DefineLocal).push("c").push(5.0).raw(DefineLocal));
        const char size[] = {char(body.size()), 0};
        QByteArray script = open(Actions()
                                     .push("o")
                                     .push("b")
                                     .push(1.0)
                                     .push(1.0)
                                     .raw(InitObject)
                                     .raw(SetVariable)
                                     .push("o")
                                     .raw(GetVariable)
                                     .raw(With, QByteArray(size, 2))) +
                            body;
        auto make = [](const char* parent, const char* name) -> QByteArray {
            return open(Actions()
                            .push(1.0)
                            .push(name)
                            .push(2.0)
                            .push(parent)
                            .raw(GetVariable)
                            .push("createEmptyMovieClip")
                            .raw(CallMethod)
                            .raw(Pop));
        };
        script += make("_root", "a") + make("a", "b");
        script += open(Actions()
                           .setTarget("a")
                           .setTarget("a.b")
                           .push("x")
                           .push(3.0)
                           .raw(SetVariable)
                           .setTarget(""));
        ScriptStage stage(movie(7, {script}));
        Vm& vm = stage.runtime->vm();
        QCOMPARE(stage.describe(vm.getMember(stage.variable("o"), "b")),
                 QStringLiteral("number:10"));
        QCOMPARE(stage.describe(stage.variable("c")), QStringLiteral("number:5"));
        const Value b = vm.getMember(stage.variable("a"), "b");
        QCOMPARE(stage.describe(vm.getMember(b, "x")), QStringLiteral("number:3"));
    }
};

QTEST_GUILESS_MAIN(TestScopes)
#include "test_scopes.moc"
