#include "swf/script/action_codes.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/script_host.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

std::shared_ptr<const Movie> oneFrame(int version, const Actions& script, int frames = 1) {
    write::SwfWriter w({100, 100}, 12, version);
    w.actions(script);
    w.showFrame();
    for (int i = 1; i < frames; ++i)
        w.showFrame();
    return load(w.finish());
}

} // namespace

class TestObjectModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Properties keep insertion order and attributes; lookups climb __proto__ chains and
    // stop on a cycle.
    void propertiesAndPrototypes() {
        ScriptStage stage(oneFrame(7, Actions()));
        Vm& vm = stage.runtime->vm();
        Object* base = vm.newObject();
        Object* o = vm.newObject();
        o->proto = base;
        vm.setMember(Value(base), "inherited", 1.0);
        for (const char* name : {"b", "a", "c"})
            vm.setMember(Value(o), name, QString::fromLatin1(name));
        QStringList order;
        for (const Property& p : o->properties())
            order << p.name;
        QCOMPARE(order, QStringList({"b", "a", "c"}));
        QCOMPARE(vm.toNumber(vm.getMember(Value(o), "inherited")), 1.0);
        QCOMPARE(vm.typeOf(vm.getMember(Value(o), "A")), QStringLiteral("undefined")); // SWF 7
        o->find("a")->flags = ReadOnly | DontDelete;
        vm.setMember(Value(o), "a", 5.0);
        QCOMPARE(vm.toString(vm.getMember(Value(o), "a")), QStringLiteral("a"));
        QVERIFY(!vm.deleteMember(o, "a"));
        QVERIFY(vm.deleteMember(o, "b"));
        base->proto = o; // a cycle: ends the script (ScriptAbort) rather than looping
        bool stopped = false;
        try {
            vm.getMember(Value(o), "missing");
        } catch (ScriptAbort&) {
            stopped = true;
        }
        QVERIFY(stopped);
        QVERIFY(!vm.instanceOf(Value(o), vm.newNative(nullptr)));
    }

    // Numbers print as the player prints them.
    void numbersToText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("tenth") << 0.1 << "0.1";
        QTest::newRow("big") << 1e21 << "1e+21";
        QTest::newRow("15 digits") << 123456789012345.0 << "123456789012345";
        QTest::newRow("16 digits") << 1234567890123456.0 << "1.23456789012346e+15";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("small") << 5e-25 << "5e-25";
        QTest::newRow("fraction") << -22222222.222222222 << "-22222222.2222222";
    }
    void numbersToText() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(numberToString(value), text);
    }

    // Built-in methods through the virtual machine: arrays keep their order, strings and
    // sorting behave as scripts expect.
    void builtIns() {
        ScriptStage stage(oneFrame(7, Actions()));
        Vm& vm = stage.runtime->vm();
        ArrayObject* a = vm.newArray({3.0, 10.0, 1.0});
        const Value numeric[] = {16.0};
        vm.callMethod(Value(a), "sort", numeric);
        QCOMPARE(vm.toString(Value(a)), QStringLiteral("1,3,10"));
        vm.callMethod(Value(a), "sort", {});
        QCOMPARE(vm.toString(Value(a)), QStringLiteral("1,10,3"));
        const Value parts[] = {QStringLiteral(",")};
        const Value split = vm.callMethod(QStringLiteral("a,b,,c"), "split", parts);
        QCOMPARE(vm.toNumber(vm.getMember(split, "length")), 4.0);
        const Value range[] = {1.0, -1.0};
        QCOMPARE(vm.toString(vm.callMethod(QStringLiteral("hello"), "slice", range)),
                 QStringLiteral("ell"));
    }

    // Dates keep milliseconds since 1970; fields overflow into the next unit as they do in
    // the player.
    void dates() {
        ScriptStage stage(oneFrame(7, Actions()));
        Vm& vm = stage.runtime->vm();
        const Value date = vm.getMember(Value(vm.global), "Date");
        const Value fields[] = {2001.0, 0.0, 31.0};
        const double t = vm.toNumber(vm.callMethod(date, "UTC", fields));
        QCOMPARE(t, 980899200000.0);
        const Value at[] = {t};
        const Value d = vm.construct(date, at);
        QCOMPARE(vm.toNumber(vm.callMethod(d, "getUTCDate", {})), 31.0);
        const Value nextDay[] = {32.0};
        vm.callMethod(d, "setUTCDate", nextDay);
        QCOMPARE(vm.toNumber(vm.callMethod(d, "getUTCMonth", {})), 1.0); // February
        QCOMPARE(vm.toNumber(vm.callMethod(d, "getUTCDate", {})), 1.0);
        const Value bad[] = {std::numeric_limits<double>::infinity()};
        QCOMPARE(vm.toString(vm.callMethod(vm.construct(date, bad), "toString", {})),
                 QStringLiteral("Invalid Date"));
    }

    // A movie that allocates objects every frame runs at flat memory: what nothing reaches
    // is collected.
    void garbageIsCollected() {
        // Each frame: for (i = 0; i < 2000; i++) o = {n: [i]};
        Actions a;
        a.push("i").push(0.0).raw(SetVariable);
        a.mark("loop");
        a.push("o")
            .push("n")
            .push("i")
            .raw(GetVariable)
            .pushInt(1)
            .raw(InitArray)
            .pushInt(1)
            .raw(InitObject)
            .raw(SetVariable);
        a.push("i").push("i").raw(GetVariable).raw(Increment).raw(SetVariable);
        a.push("i").raw(GetVariable).push(2000.0).raw(Less2).ifTrue("loop");
        write::SwfWriter w({100, 100}, 12, 7);
        w.actions(a);
        w.showFrame();
        w.actions(Actions().push(1.0).gotoFrame2(true));
        w.showFrame();
        ScriptStage stage(load(w.finish()));
        Vm& vm = stage.runtime->vm();
        std::size_t peak = 0;
        for (int i = 0; i < 400; ++i) {
            stage.tick();
            peak = std::max(peak, vm.heap().count());
        }
        vm.collectNow();
        QVERIFY(vm.heap().count() < 2000);
        QVERIFY(peak < 100'000); // 400 frames made 800,000 objects
        QCOMPARE(vm.toNumber(vm.getMember(vm.getMember(stage.variable("o"), "n"), "0")), 1999.0);
    }

    // try / catch / finally and throw, and a throw nobody catches ends only its block.
    void exceptions() {
        // try { throw "x"; } catch (e) { trace("caught " + e); } finally { trace("finally"); }
        Actions body;
        body.push("x").raw(Throw);
        Actions handler;
        handler.push("caught ").push("e").raw(GetVariable).raw(Add2).raw(Trace);
        Actions fin;
        fin.push("finally").raw(Trace);
        const QByteArray tryBytes = body.bytes().chopped(1),
                         catchBytes = handler.bytes().chopped(1),
                         finallyBytes = fin.bytes().chopped(1);
        QByteArray header;
        header.append(char(3)); // catch and finally
        auto u16 = [&](int v) { header.append(char(v & 0xFF)).append(char(v >> 8)); };
        u16(static_cast<int>(tryBytes.size()));
        u16(static_cast<int>(catchBytes.size()));
        u16(static_cast<int>(finallyBytes.size()));
        header.append("e", 2);
        Actions script;
        script.raw(Try, header);
        QByteArray code = script.bytes().chopped(1) + tryBytes + catchBytes + finallyBytes;
        code += Actions().push("after").raw(Throw).push("unreached").raw(Trace).bytes();
        write::SwfWriter w({100, 100}, 12, 7);
        w.rawTag(12, code);
        w.showFrame();
        w.actions(Actions().push("next frame").raw(Trace));
        w.showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        stage.tick();
        QCOMPARE(host.lines, QStringList({"caught x", "finally", "next frame"}));
    }

    // Hostile scripts stop at their budgets; the movie and the next frame's script go on.
    void hostileScriptsStop_data() {
        QTest::addColumn<QByteArray>("code");
        // s = "x"; while (true) s = s + s;
        Actions doubling;
        doubling.push("s").push("x").raw(SetVariable).mark("again");
        doubling.push("s").push("s").raw(GetVariable).push("s").raw(GetVariable).raw(Add2);
        doubling.raw(SetVariable).jump("again");
        QTest::newRow("string doubling") << doubling.bytes();
        // s = "x" doubled to two million characters; while (true) t = s + "y";
        Actions growing;
        growing.push("s").push("x").raw(SetVariable);
        for (int i = 0; i < 21; ++i)
            growing.push("s")
                .push("s")
                .raw(GetVariable)
                .push("s")
                .raw(GetVariable)
                .raw(Add2)
                .raw(SetVariable);
        growing.mark("again").push("t").push("s").raw(GetVariable).push("y").raw(Add2);
        growing.raw(SetVariable).jump("again");
        QTest::newRow("long strings made over and over") << growing.bytes();
        // a = []; a[1e9] = 1;
        Actions huge;
        huge.push("a").pushInt(0).raw(InitArray).raw(SetVariable);
        huge.push("a").raw(GetVariable).push(1e9).push(1.0).raw(SetMember);
        huge.push("a").raw(GetVariable).push("length").push(1e9).raw(SetMember);
        QTest::newRow("huge array") << huge.bytes();
        // o = {}; o.__proto__ = o; o.missing;
        Actions cyclic;
        cyclic.push("o").pushInt(0).raw(InitObject).raw(SetVariable);
        cyclic.push("o")
            .raw(GetVariable)
            .push("__proto__")
            .push("o")
            .raw(GetVariable)
            .raw(SetMember);
        cyclic.push("o").raw(GetVariable).push("missing").raw(GetMember).raw(Trace);
        QTest::newRow("cyclic prototype") << cyclic.bytes();
        // while (true) { o = {}; } in one frame: the step budget ends it.
        Actions churn;
        churn.mark("again").push("o").pushInt(0).raw(InitObject).raw(SetVariable).jump("again");
        QTest::newRow("endless allocation") << churn.bytes();
    }
    void hostileScriptsStop() {
        QFETCH(QByteArray, code);
        write::SwfWriter w({100, 100}, 12, 7);
        w.rawTag(12, code);
        w.showFrame();
        w.actions(Actions().push("next frame").raw(Trace));
        w.showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        stage.tick();
        QVERIFY(host.lines.contains("next frame"));
        QVERIFY(stage.runtime->vm().heap().bytes() < (300u << 20));
    }
};

QTEST_MAIN(TestObjectModel)
#include "test_object_model.moc"
