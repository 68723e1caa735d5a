#include "swf/script/action_codes.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();

// Natives the tests hang on objects; each call is counted.
int valueOfCalls = 0;
Value countedValueOf(Vm&, const Value&, Args) {
    ++valueOfCalls;
    return 1.0;
}
Value traceFirst(Vm& vm, const Value&, Args) {
    vm.trace(QStringLiteral("first"));
    return 1.0;
}
Value traceSecond(Vm& vm, const Value&, Args) {
    vm.trace(QStringLiteral("second"));
    return 2.0;
}
Value traceToString(Vm& vm, const Value&, Args) {
    vm.trace(QStringLiteral("toString"));
    return QStringLiteral("2");
}
Value traceOwnName(Vm& vm, const Value& self, Args) {
    vm.trace(vm.toString(vm.getMember(self, QStringLiteral("name"))));
    return Undefined{};
}
Value answerFound(Vm&, const Value&, Args) {
    return QStringLiteral("found");
}
Value throwingWatcher(Vm&, const Value&, Args) {
    throw ScriptThrow{QStringLiteral("refused")};
}

bool aborts(const std::function<void()>& f) {
    try {
        f();
    } catch (ScriptAbort&) {
        return true;
    }
    return false;
}

} // namespace

class TestConversions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // valueOf alone makes an object primitive; one that gives an object back stays itself
    // and counts as NaN from SWF 6, 0 before; a toString that gives no string names the type.
    void objectsToPrimitives_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<double>("plainNumber");
        QTest::newRow("SWF 5") << 5 << 0.0;
        QTest::newRow("SWF 6") << 6 << notANumber;
    }
    void objectsToPrimitives() {
        QFETCH(int, version);
        QFETCH(double, plainNumber);
        ScriptStage stage(emptyMovie(version));
        Vm& vm = stage.runtime->vm();
        Object* plain = vm.newObject();
        QCOMPARE(objectOf(vm.toPrimitive(Value(plain))), plain);
        const double n = vm.toNumber(Value(plain));
        QVERIFY(std::isnan(plainNumber) ? std::isnan(n) : n == plainNumber);

        Object* counted = vm.newObject();
        vm.method(counted, "valueOf", countedValueOf);
        valueOfCalls = 0;
        QCOMPARE(vm.toNumber(vm.toPrimitive(Value(counted))), 1.0);
        QCOMPARE(valueOfCalls, 1);

        Object* numberText = vm.newObject();
        vm.method(numberText, "toString", countedValueOf);
        QCOMPARE(vm.toString(Value(numberText)), QStringLiteral("[type Object]"));
        Object* bare = vm.heap().make<Object>(nullptr);
        QCOMPARE(vm.toString(Value(bare)), QStringLiteral("[type Object]"));
    }

    // Loose equality: NaN equals NaN between numbers only; undefined meets an object
    // through its valueOf, so only an object without one equals it.
    void looseEquality() {
        ScriptStage stage(emptyMovie(7));
        Vm& vm = stage.runtime->vm();
        QVERIFY(vm.looseEquals(notANumber, notANumber));
        QVERIFY(!vm.looseEquals(QStringLiteral("NaN"), notANumber));
        QVERIFY(!vm.looseEquals(Value(vm.newObject()), Undefined{}));
        Object* bare = vm.heap().make<Object>(nullptr);
        QVERIFY(vm.looseEquals(Value(bare), Undefined{}));
        QVERIFY(vm.looseEquals(Null{}, Value(bare)));
        QVERIFY(vm.looseEquals(Value(vm.global), Undefined{})); // _global inherits nothing
    }

    // Strings as numbers by version: SWF 4 reads a leading number, hex needs SWF 6.
    void stringsToNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("version");
        QTest::addColumn<double>("number");
        QTest::newRow("SWF 4 prefix") << "100ABC" << 4 << 100.0;
        QTest::newRow("SWF 4 exponent") << " 1.5e2x" << 4 << 150.0;
        QTest::newRow("SWF 4 no digits") << "abc" << 4 << 0.0;
        QTest::newRow("SWF 4 hex") << "0x10" << 4 << 0.0;
        QTest::newRow("SWF 5 prefix") << "100ABC" << 5 << notANumber;
        QTest::newRow("SWF 5 hex") << "0x10" << 5 << notANumber;
        QTest::newRow("SWF 6 hex") << "0x10" << 6 << 16.0;
    }
    void stringsToNumbers() {
        QFETCH(QString, text);
        QFETCH(int, version);
        QFETCH(double, number);
        const double got = stringToNumber(text, version);
        QVERIFY2(std::isnan(number) ? std::isnan(got) : got == number,
                 qPrintable(QString::number(got)));
    }

    // Radix printing goes through a 32-bit integer; NaN's is the lowest, whose negative
    // remainders print as characters below '0'.
    void numbersInARadix() {
        QCOMPARE(numberToRadix(4123, 16), QStringLiteral("101b"));
        QCOMPARE(numberToRadix(-123.1, 2), QStringLiteral("-1111011"));
        QCOMPARE(numberToRadix(-2147483647.9, 36), QStringLiteral("-zik0zj"));
        QCOMPARE(numberToRadix(notANumber, 2), QStringLiteral("-/") + QString(31, u'0'));
        QCOMPARE(numberToRadix(notANumber, 8), QStringLiteral("-.0000000000"));
        QCOMPARE(numberToRadix(notANumber, 10), QStringLiteral("NaN"));
    }

    // Before SWF 7 names match without case by the older table: letters added later
    // (U+023A and U+2C65) have no case.
    void namesFoldCase() {
        QVERIFY(sameNameFolded(QStringLiteral("FooBar"), QStringLiteral("foobar")));
        QVERIFY(sameNameFolded(QString(QChar(0x01F2)), QString(QChar(0x01F3))));
        QVERIFY(!sameNameFolded(QString(QChar(0x023A)), QString(QChar(0x2C65))));
        ScriptStage stage(emptyMovie(6));
        Vm& vm = stage.runtime->vm();
        Object* o = vm.newObject();
        vm.setMember(Value(o), QString(QChar(0x00C4)), 1.0);
        QCOMPARE(vm.toNumber(vm.getMember(Value(o), QString(QChar(0x00E4)))), 1.0);
        vm.setMember(Value(o), "", 2.0);
        QVERIFY(o->properties().size() == 1); // no property without a name
    }

    // __resolve: the nearest one that holds an object; primitives are passed over, an
    // object that is no function answers undefined. A cyclic chain stops the script.
    void resolveAndCycles() {
        ScriptStage stage(emptyMovie(8));
        Vm& vm = stage.runtime->vm();
        Object* proto = vm.newObject();
        vm.method(proto, "__resolve", answerFound);
        Object* o = vm.newObject();
        o->proto = proto;
        vm.setMember(Value(o), "__resolve", 42.0);
        QCOMPARE(vm.toString(vm.getMember(Value(o), "missing")), QStringLiteral("found"));
        vm.setMember(Value(o), "__resolve", Value(vm.newObject()));
        QCOMPARE(vm.typeOf(vm.getMember(Value(o), "missing")), QStringLiteral("undefined"));
        proto->proto = o;
        QVERIFY(aborts([&] { vm.getMember(Value(o), "absent"); }));
    }

    // A watcher that throws leaves the property undefined; the throw goes on.
    void throwingWatcherClearsValue() {
        ScriptStage stage(emptyMovie(8));
        Vm& vm = stage.runtime->vm();
        Object* o = vm.newObject();
        vm.setMember(Value(o), "v", 18.0);
        const Value args[] = {QStringLiteral("v"), Value(vm.newNative(throwingWatcher))};
        vm.callMethod(Value(o), "watch", args);
        bool thrown = false;
        try {
            vm.setMember(Value(o), "v", 14.0);
        } catch (ScriptThrow&) {
            thrown = true;
        }
        QVERIFY(thrown);
        QCOMPARE(vm.typeOf(vm.getMember(Value(o), "v")), QStringLiteral("undefined"));
    }

    // for..in: the farthest prototype's names first, the object's own last, the newest
    // first within each; a name shows where its nearest holder has it.
    void enumerationOrder() {
        TraceHost host;
        ScriptStage stage(emptyMovie(6), &host);
        Vm& vm = stage.runtime->vm();
        Object* base = vm.newObject();
        for (const char* name : {"c", "b", "a", "d"})
            vm.setMember(Value(base), name, 1.0);
        Object* o = vm.newObject();
        o->proto = base;
        vm.setMember(Value(o), "c", 2.0);
        vm.setMember(Value(o), "e", 3.0);
        vm.setMember(Value(vm.clipObject(*stage.root)), "o", Value(o));
        Actions a;
        a.push("o").raw(GetVariable).raw(Enumerate2);
        a.mark("next").storeRegister(0).pushNull().raw(Equals2).ifTrue("done");
        a.pushRegister(0).raw(Trace).jump("next");
        a.mark("done");
        vm.runBlock(*stage.root, a.bytes());
        QCOMPARE(host.lines, QStringList({"d", "a", "b", "e", "c"}));
    }

    // SWF 4 arithmetic converts the first operand first for Add, the second for Subtract.
    void swf4OperandOrder() {
        TraceHost host;
        ScriptStage stage(emptyMovie(4), &host);
        Vm& vm = stage.runtime->vm();
        Object* first = vm.newObject();
        Object* second = vm.newObject();
        vm.method(first, "valueOf", traceFirst);
        vm.method(second, "valueOf", traceSecond);
        ClipObject* root = vm.clipObject(*stage.root);
        vm.setMember(Value(root), "first", Value(first));
        vm.setMember(Value(root), "second", Value(second));
        for (int op : {int(Add), int(Subtract)}) {
            Actions a;
            a.push("r").push("first").raw(GetVariable).push("second").raw(GetVariable);
            a.raw(op).raw(SetVariable);
            vm.runBlock(*stage.root, a.bytes());
        }
        QCOMPARE(host.lines, QStringList({"first", "second", "second", "first"}));
    }

    // A frame named by an object is named by its text (toString, never valueOf).
    void gotoFrameByObject() {
        TraceHost host;
        ScriptStage stage(emptyMovie(8), &host);
        Vm& vm = stage.runtime->vm();
        Object* frame = vm.newObject();
        vm.method(frame, "valueOf", traceFirst);
        vm.method(frame, "toString", traceToString);
        vm.setMember(Value(vm.clipObject(*stage.root)), "frame", Value(frame));
        Actions a;
        a.push("frame").raw(GetVariable).gotoFrame2(false);
        vm.runBlock(*stage.root, a.bytes());
        QCOMPARE(host.lines, QStringList({"toString"}));
    }

    // Inside with, a function found on the block's object runs with it as this; outside,
    // with the timeline. Blocks nested deeper than 13 are passed over.
    void withBlocks() {
        TraceHost host;
        ScriptStage stage(emptyMovie(6), &host);
        Vm& vm = stage.runtime->vm();
        ClipObject* root = vm.clipObject(*stage.root);
        Object* o = vm.newObject();
        vm.setMember(Value(o), "name", QStringLiteral("object"));
        vm.setMember(Value(o), "tell", Value(vm.newNative(traceOwnName)));
        vm.setMember(Value(root), "name", QStringLiteral("timeline"));
        vm.setMember(Value(root), "o", Value(o));
        vm.setMember(Value(root), "tell", vm.getMember(Value(o), "tell"));
        Actions call;
        call.push(0.0).push("tell").raw(CallFunction).raw(Pop);
        QByteArray body = call.bytes().chopped(1);
        for (int depth = 0; depth < 14; ++depth) {
            Actions level;
            level.push("o").raw(GetVariable);
            const int size = static_cast<int>(body.size());
            level.raw(With, QByteArray(1, char(size & 0xFF)) + char(size >> 8));
            body = level.bytes().chopped(1) + body;
            if (depth == 0 || depth >= 12) {
                Actions whole;
                whole.push(0.0).push("tell").raw(CallFunction).raw(Pop);
                vm.runBlock(*stage.root, whole.bytes().chopped(1) + body + char(0));
            }
        }
        QCOMPARE(host.lines, QStringList({"timeline", "object", "timeline", "object", "timeline"}));
    }
};

QTEST_MAIN(TestConversions)
#include "test_conversions.moc"
