#include "swf/script/action_codes.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QTest>

#include <cmath>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

Value traceValueOf(Vm& vm, const Value& self, Args) {
    vm.trace(QStringLiteral("valueOf"));
    return vm.getMember(self, QStringLiteral("v"));
}

// Runs code on the root and gives what it traced.
QStringList traced(int version, const std::function<void(Actions&)>& code,
                   const std::function<void(Vm&, Object* root)>& setup = {}) {
    TraceHost host;
    ScriptStage stage(emptyMovie(version), &host);
    Vm& vm = stage.runtime->vm();
    if (setup)
        setup(vm, vm.clipObject(*stage.root));
    Actions a;
    code(a);
    vm.runBlock(*stage.root, a.bytes());
    return host.lines;
}

// typeof name, as the running movie sees it.
QString typeOfName(int version, const char* object, const char* member) {
    const QStringList lines = traced(version, [&](Actions& a) {
        a.push(object).raw(GetVariable);
        if (member)
            a.push(member).raw(GetMember);
        a.raw(TypeOf).raw(Trace);
    });
    return lines.value(0);
}

} // namespace

class TestVersions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Version bits hide a property from older code: reads pass it by (an inherited
    // getter too), it still counts as own, a write replaces it and delete removes it.
    void versionBitsHideProperties() {
        ScriptStage stage(emptyMovie(8));
        Vm& vm = stage.runtime->vm();
        Object* o = vm.newObject();
        vm.setMember(Value(o), "prop", QStringLiteral("a"));
        auto setFlags = [&](Object* on, double set) {
            const Value args[] = {Value(on), QStringLiteral("prop"), set, 0.0};
            vm.call(vm.getMember(Value(vm.global), "ASSetPropFlags"), Undefined{}, args);
        };
        setFlags(o, FromSwf8); // SWF 8 sees what SWF 8 added
        QCOMPARE(vm.toString(vm.getMember(Value(o), "prop")), QStringLiteral("a"));
        setFlags(o, FromSwf10);
        QCOMPARE(vm.typeOf(vm.getMember(Value(o), "prop")), QStringLiteral("undefined"));
        QCOMPARE(vm.toString(call(vm, Value(o), "hasOwnProperty", {QStringLiteral("prop")})),
                 QStringLiteral("true"));
        vm.setMember(Value(o), "prop", QStringLiteral("b"));
        QCOMPARE(vm.toString(vm.getMember(Value(o), "prop")), QStringLiteral("b"));
        setFlags(o, FromSwf9);
        QVERIFY(vm.deleteMember(o, "prop"));
        QVERIFY(!o->find("prop"));

        Object* proto = vm.newObject();
        vm.setMember(Value(proto), "prop", 1.0);
        o->proto = proto;
        setFlags(proto, FromSwf9);
        QCOMPARE(vm.typeOf(vm.getMember(Value(o), "prop")), QStringLiteral("undefined"));
        vm.setMember(Value(o), "prop", 20.0);
        QCOMPARE(vm.toNumber(vm.getMember(Value(o), "prop")), 20.0);
        QVERIFY(o->find("prop"));
    }

    void versionRule() {
        QVERIFY(!visibleInVersion(FromSwf6, 5));
        QVERIFY(visibleInVersion(FromSwf6, 6));
        QVERIFY(!visibleInVersion(NotInSwf6, 6));
        QVERIFY(visibleInVersion(NotInSwf6, 7));
        QVERIFY(!visibleInVersion(FromSwf7 | FromSwf6, 6));
        QVERIFY(visibleInVersion(FromSwf8, 8));
        QVERIFY(!visibleInVersion(FromSwf9, 8));
        QVERIFY(visibleInVersion(DontEnum | DontDelete | ReadOnly, 4));
    }

    // What later players added stays out of older movies' way.
    void builtinsByVersion() {
        QCOMPARE(typeOfName(5, "Function", nullptr), QStringLiteral("undefined"));
        QCOMPARE(typeOfName(6, "Function", nullptr), QStringLiteral("function"));
        QCOMPARE(typeOfName(5, "_global", nullptr), QStringLiteral("undefined"));
        QCOMPARE(typeOfName(6, "_global", nullptr), QStringLiteral("object"));
        QCOMPARE(typeOfName(5, "getDepth", nullptr), QStringLiteral("undefined"));
        QCOMPARE(typeOfName(6, "getDepth", nullptr), QStringLiteral("function"));
        QCOMPARE(typeOfName(5, "_root", "getDepth"), QStringLiteral("undefined"));
        QCOMPARE(typeOfName(5, "_root", "lineTo"), QStringLiteral("undefined"));
        QCOMPARE(typeOfName(5, "play", nullptr), QStringLiteral("function"));
        QCOMPARE(typeOfName(5, "_root", "hasOwnProperty"), QStringLiteral("function"));
        QCOMPARE(typeOfName(5, "escape", nullptr), QStringLiteral("function"));
        const QStringList own = traced(5, [](Actions& a) {
            a.push("v").push(1.0).raw(SetVariable).push("v").raw(GetVariable).raw(Trace);
        });
        QCOMPARE(own, QStringList({"1"}));
    }

    // SWF 4's comparisons give booleans, which print as 1 and 0 there.
    void swf4Booleans() {
        const QStringList lines = traced(4, [](Actions& a) {
            a.push(1.0).push("1").raw(Equals).raw(TypeOf).raw(Trace);
            a.push(3.0).push(2.0).raw(Less).raw(Trace);
            a.push("a").raw(Not).raw(Trace);
        });
        QCOMPARE(lines, QStringList({"boolean", "0", "1"}));
    }

    // An object whose valueOf gives an object: 0 in SWF 5, NaN from SWF 6; before SWF 7 it
    // is never less nor more, and the other side is not asked.
    void objectsThatStayObjects() {
        auto run = [](int version) {
            return traced(
                version,
                [](Actions& a) {
                    a.push("o").raw(GetVariable).raw(ToNumber).raw(Trace);
                    a.push("o").raw(GetVariable).push("n").raw(GetVariable).raw(Less2).raw(Trace);
                    a.push("n").raw(GetVariable).push("o").raw(GetVariable).raw(Less2).raw(Trace);
                },
                [](Vm& vm, Object* root) {
                    Object* counted = vm.newObject();
                    vm.setMember(Value(counted), "v", 1.0);
                    vm.method(counted, "valueOf", traceValueOf);
                    vm.setMember(Value(root), "o", Value(vm.newObject()));
                    vm.setMember(Value(root), "n", Value(counted));
                });
        };
        QCOMPARE(run(5), QStringList({"0", "false", "valueOf", "false"}));
        QCOMPARE(run(6), QStringList({"NaN", "false", "valueOf", "false"}));
        QCOMPARE(run(7), QStringList({"NaN", "valueOf", "undefined", "valueOf", "undefined"}));
    }

    // SWF 5 asks a Date for its valueOf as any object; later versions for its text.
    void datesToPrimitives() {
        ScriptStage stage(emptyMovie(5));
        Vm& vm = stage.runtime->vm();
        const Value date = vm.construct(vm.getMember(Value(vm.global), "Date"), {});
        QCOMPARE(typeOf(vm.toPrimitive(date)), TypeNumber);
        ScriptStage later(emptyMovie(6));
        Vm& vm6 = later.runtime->vm();
        const Value date6 = vm6.construct(vm6.getMember(Value(vm6.global), "Date"), {});
        QCOMPARE(typeOf(vm6.toPrimitive(date6)), TypeString);
    }

    // Half a surrogate pair is no character to ord and chr; substring's numbers wrap as
    // 32-bit integers.
    void stringActions() {
        const QStringList lines = traced(6, [](Actions& a) {
            a.push(QString::fromUtf8("\xF0\x9F\x98\x8B")).raw(MBCharToAscii).raw(Trace);
            a.push(double(0xD801)).raw(AsciiToChar).raw(CharToAscii).raw(Trace);
            a.push("abcdefgh").push(4294967303.0).push(-4294967294.0).raw(StringExtract);
            a.raw(Trace);
            a.push("abc").push(2.0).push(1e12).raw(StringExtract).raw(Trace);
        });
        QCOMPARE(lines, QStringList({"65533", "65533", "gh", "bc"}));
    }

    // Built-ins by the player's own numbers; an unused Math number still reads two numbers.
    void nativeNumbers() {
        TraceHost host;
        ScriptStage stage(emptyMovie(8), &host);
        Vm& vm = stage.runtime->vm();
        auto native = [&](const Value& table, const Value& index) {
            const Value args[] = {table, index};
            return vm.call(vm.getMember(Value(vm.global), "ASnative"), Undefined{}, args);
        };
        Object* math = objectOf(vm.getMember(Value(vm.global), "Math"));
        QVERIFY(native(200.0, 0.0) == vm.getMember(Value(math), "abs"));
        QVERIFY(native(QStringLiteral("200"), 4294967313.0) == vm.getMember(Value(math), "pow"));
        QVERIFY(native(103.0, 16.0) == vm.getMember(Value(vm.protos.date), "getTime"));
        QCOMPARE(vm.typeOf(native(100.0, 65540.0)), QStringLiteral("undefined"));
        Object* counted = vm.newObject();
        vm.setMember(Value(counted), "v", 1.0);
        vm.method(counted, "valueOf", traceValueOf);
        const Value three[] = {Value(counted), Value(counted), Value(counted)};
        QVERIFY(std::isnan(vm.toNumber(vm.call(native(200.0, 50.0), Undefined{}, three))));
        QCOMPARE(host.lines, QStringList({"valueOf", "valueOf"}));
        const Value said = QStringLiteral("said");
        vm.call(native(100.0, 4.0), Undefined{}, std::span<const Value>(&said, 1));
        QCOMPARE(host.lines.last(), QStringLiteral("said"));

        // ASSetNative: each name takes the next number, empty names too.
        Object* o = vm.newObject();
        const Value args[] = {Value(o), 103.0, QStringLiteral(",,time"), 14.0};
        vm.call(vm.getMember(Value(vm.global), "ASSetNative"), Undefined{}, args);
        QVERIFY(vm.getMember(Value(o), "time") == native(103.0, 16.0));
        QCOMPARE(o->properties().size(), std::size_t{1});
    }
};

QTEST_MAIN(TestVersions)
#include "test_versions.moc"
