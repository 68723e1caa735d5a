#include "swf/script/action_codes.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/script_host.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QTest>

#include <cmath>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

std::shared_ptr<const Movie> empty(int version) {
    write::SwfWriter w({100, 100}, 12, version);
    w.showFrame();
    return load(w.finish());
}

// Calls a global function or a method on a value, with arguments, as text.
QString run(Vm& vm, const Value& on, const char* name, std::vector<Value> args) {
    return vm.toString(vm.callMethod(on, QLatin1String(name), args));
}

} // namespace

class TestBuiltins : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Conversions differ by the file's version: undefined as text, strings as booleans,
    // undefined as a number.
    void conversionsByVersion() {
        for (int version : {5, 6, 7}) {
            ScriptStage stage(empty(version));
            Vm& vm = stage.runtime->vm();
            QCOMPARE(vm.toString(Undefined{}),
                     version >= 7 ? QStringLiteral("undefined") : QString());
            QCOMPARE(vm.toBoolean(QStringLiteral("abc")), version >= 7);
            QCOMPARE(vm.toBoolean(QStringLiteral("0")), version >= 7);
            QCOMPARE(std::isnan(vm.toNumber(Undefined{})), version >= 7);
            const double hex = vm.toNumber(QStringLiteral("0x10")); // hex from SWF 6
            QVERIFY(version >= 6 ? hex == 16.0 : std::isnan(hex));
            QVERIFY(std::isnan(vm.toNumber(QStringLiteral("12px"))));
            // Names: without case before SWF 7.
            Object* o = vm.newObject();
            vm.setMember(Value(o), "Name", 1.0);
            QCOMPARE(vm.typeOf(vm.getMember(Value(o), "name")),
                     version >= 7 ? QStringLiteral("undefined") : QStringLiteral("number"));
        }
    }

    void equality_data() {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::addColumn<bool>("loose");
        QTest::addColumn<bool>("strict");
        // Indices into the values made in equality().
        QTest::newRow("1 and '1'") << 0 << 1 << true << false;
        QTest::newRow("undefined and null") << 2 << 3 << true << false;
        QTest::newRow("true and 1") << 4 << 0 << true << false;
        QTest::newRow("NaN and NaN") << 5 << 5 << true << true; // the player's NaN
        QTest::newRow("object and itself") << 8 << 8 << true << true;
        QTest::newRow("object with valueOf 1 and 1") << 8 << 0 << true << false;
        QTest::newRow("null and 0") << 3 << 7 << false << false;
    }
    void equality() {
        QFETCH(int, left);
        QFETCH(int, right);
        QFETCH(bool, loose);
        QFETCH(bool, strict);
        ScriptStage stage(empty(6));
        Vm& vm = stage.runtime->vm();
        Object* wrapped = vm.toObject(1.0); // a Number: valueOf gives 1
        const Value values[] = {1.0,          QStringLiteral("1"), Undefined{}, Null{}, true,
                                std::nan(""), QString(),           0.0,         wrapped};
        QCOMPARE(vm.looseEquals(values[left], values[right]), loose);
        QCOMPARE(vm.strictEquals(values[left], values[right]), strict);
    }

    void stringMethods_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("substr from the end") << "substr" << QVariantList{-3, 2} << "ll";
        QTest::newRow("substring swaps") << "substring" << QVariantList{4, 1} << "ell";
        QTest::newRow("slice negative") << "slice" << QVariantList{-4, -1} << "ell";
        QTest::newRow("lastIndexOf") << "lastIndexOf" << QVariantList{"l"} << "3";
        QTest::newRow("indexOf from") << "indexOf" << QVariantList{"l", 3} << "3";
        QTest::newRow("charAt past the end") << "charAt" << QVariantList{9} << "";
        QTest::newRow("charCodeAt past the end") << "charCodeAt" << QVariantList{9} << "NaN";
        QTest::newRow("toUpperCase") << "toUpperCase" << QVariantList{} << "HELLO";
        QTest::newRow("split by nothing") << "split" << QVariantList{""} << "h,e,l,l,o";
        QTest::newRow("split with a limit") << "split" << QVariantList{"l", 1} << "he";
    }
    void stringMethods() {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QFETCH(QString, expected);
        ScriptStage stage(empty(7));
        Vm& vm = stage.runtime->vm();
        std::vector<Value> list;
        for (const QVariant& a : args)
            list.push_back(a.typeId() == QMetaType::QString ? Value(a.toString())
                                                            : Value(a.toDouble()));
        QCOMPARE(vm.toString(vm.callMethod(QStringLiteral("hello"), method, list)), expected);
    }

    // Array methods edit in place; elements that stay keep their place in for..in order.
    void arrayMethods() {
        ScriptStage stage(empty(7));
        Vm& vm = stage.runtime->vm();
        ArrayObject* a = vm.newArray({1.0, 2.0, 3.0, 4.0});
        QCOMPARE(run(vm, a, "splice", {1.0, 2.0, QStringLiteral("x")}), QStringLiteral("2,3"));
        QCOMPARE(vm.toString(a), QStringLiteral("1,x,4"));
        QCOMPARE(run(vm, a, "slice", {-2.0}), QStringLiteral("x,4"));
        QCOMPARE(run(vm, a, "concat", {vm.newArray({5.0}), 6.0}), QStringLiteral("1,x,4,5,6"));
        QCOMPARE(run(vm, a, "join", {QStringLiteral("-")}), QStringLiteral("1-x-4"));
        run(vm, a, "reverse", {});
        QCOMPARE(vm.toString(a), QStringLiteral("4,x,1"));
        QStringList order;
        for (const Property& p : a->properties())
            order << p.name;
        QCOMPARE(order, QStringList({"1", "0", "2"})); // the swapped pair comes last
        vm.setMember(Value(a), "length", 1.0);
        QCOMPARE(vm.toString(a), QStringLiteral("4"));
        QCOMPARE(a->properties().size(), std::size_t(1));
        ArrayObject* people = vm.newArray();
        for (const char* name : {"bo", "Al", "cy"}) {
            Object* p = vm.newObject();
            p->put("name", QString::fromLatin1(name));
            run(vm, people, "push", {p});
        }
        run(vm, people, "sortOn", {QStringLiteral("name"), 1.0}); // case-insensitive
        QStringList names;
        for (const Value& p : builtins::arrayElements(vm, people))
            names << vm.toString(vm.getMember(p, "name"));
        QCOMPARE(names, QStringList({"Al", "bo", "cy"}));
    }

    void globalFunctions_data() {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("expected");
        QTest::newRow("parseInt hex") << "parseInt"
                                      << "0x1F"
                                      << "31";
        QTest::newRow("parseInt octal") << "parseInt"
                                        << "017"
                                        << "15";
        QTest::newRow("parseInt stops") << "parseInt"
                                        << "12px"
                                        << "12";
        QTest::newRow("parseInt nothing") << "parseInt"
                                          << "px"
                                          << "NaN";
        QTest::newRow("parseFloat exponent") << "parseFloat"
                                             << "1.5e3x"
                                             << "1500";
        QTest::newRow("parseFloat spaces") << "parseFloat"
                                           << "  .5 "
                                           << "0.5";
        QTest::newRow("escape") << "escape"
                                << "a b/ä"
                                << "a%20b%2F%C3%A4";
        QTest::newRow("unescape") << "unescape"
                                  << "a%20b+c"
                                  << "a b c";
        QTest::newRow("isNaN") << "isNaN"
                               << "x"
                               << "true";
        QTest::newRow("isFinite") << "isFinite"
                                  << "12"
                                  << "true";
    }
    void globalFunctions() {
        QFETCH(QString, function);
        QFETCH(QString, argument);
        QFETCH(QString, expected);
        ScriptStage stage(empty(7));
        Vm& vm = stage.runtime->vm();
        QCOMPARE(vm.toString(vm.callMethod(Value(vm.global), function, {{Value(argument)}})),
                 expected);
    }

    // new: the object's __proto__ is the constructor's prototype; it knows its
    // __constructor__, and before SWF 7 its constructor as its own property.
    void construction() {
        for (int version : {6, 7}) {
            ScriptStage stage(empty(version));
            Vm& vm = stage.runtime->vm();
            const Value array = vm.getMember(Value(vm.global), "Array");
            const Value made = vm.construct(array, {{Value(3.0)}});
            QCOMPARE(vm.toNumber(vm.getMember(made, "length")), 3.0);
            QVERIFY(vm.instanceOf(made, objectOf(array)));
            FunctionObject* plain =
                vm.newNative([](Vm&, const Value&, Args) -> Value { return Undefined{}; });
            Object* proto = vm.newObject();
            plain->put("prototype", proto);
            const Value o = vm.construct(plain, {});
            QVERIFY(objectOf(o)->proto == proto);
            QVERIFY(objectOf(o)->find("__constructor__"));
            QCOMPARE(objectOf(o)->find("constructor") != nullptr, version < 7);
            QVERIFY(vm.instanceOf(o, plain));
        }
    }

    // for..in gives the newest property first, then inherited ones; DontEnum hides.
    void enumerationOrder() {
        // o = {}; o.a = 1; o.b = 2; o.__proto__ = {c: 3}; for (k in o) trace(k);
        // The prototype's names come out first.
        Actions a;
        a.push("p").push("c").push(3.0).pushInt(1).raw(InitObject).raw(SetVariable);
        a.push("o").pushInt(0).raw(InitObject).raw(SetVariable);
        a.push("o").raw(GetVariable).push("a").push(1.0).raw(SetMember);
        a.push("o").raw(GetVariable).push("b").push(2.0).raw(SetMember);
        a.push("o").raw(GetVariable).push("__proto__").push("p").raw(GetVariable).raw(SetMember);
        a.push("o").raw(GetVariable).raw(Enumerate2);
        a.mark("next").storeRegister(0).pushNull().raw(Equals2).ifTrue("done");
        a.pushRegister(0).raw(Trace).jump("next").mark("done");
        write::SwfWriter w({100, 100}, 12, 7);
        w.actions(a);
        w.showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        QCOMPARE(host.lines, QStringList({"c", "b", "a"}));
    }
};

QTEST_MAIN(TestBuiltins)
#include "test_builtins.moc"
