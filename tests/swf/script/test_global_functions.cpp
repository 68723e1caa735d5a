#include "swf/script/action_codes.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QTest>

#include <cmath>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

std::shared_ptr<const Movie> empty(int version, bool useNetwork = false) {
    write::SwfWriter w({100, 100}, 12, version);
    if (useNetwork)
        w.rawTag(69, QByteArray("\x01\0\0\0", 4)); // FileAttributes
    w.showFrame();
    return load(w.finish());
}

QString callText(Vm& vm, const Value& on, const char* name, std::vector<Value> args) {
    return vm.toString(vm.callMethod(on, QLatin1String(name), args));
}

Value global(Vm& vm, const char* path) {
    Value v = vm.global;
    for (const QString& part : QString::fromLatin1(path).split(QLatin1Char('.')))
        v = vm.getMember(v, part);
    return v;
}

// The property names of an object, newest first (as for..in gives them).
QString enumerated(Object* o) {
    QStringList names;
    for (const Property& p : o->properties())
        if (!(p.flags & DontEnum))
            names.prepend(p.name);
    return names.join(QLatin1Char(','));
}

} // namespace

class TestGlobalFunctions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stringsAsNumbers_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected"); // NaN: not a number
        const double nan = std::nan("");
        QTest::newRow("leading white space") << 6 << "\t\r12" << 12.0;
        QTest::newRow("trailing white space") << 6 << "12 " << nan;
        QTest::newRow("octal") << 6 << "-010" << -8.0;
        QTest::newRow("octal kept to 32 bits") << 6 << "037777777777" << -1.0;
        QTest::newRow("no octal after a space") << 6 << " 010" << 10.0;
        QTest::newRow("no octal in SWF 5") << 5 << "010" << 10.0;
        QTest::newRow("not octal, so decimal") << 6 << "010.5" << 10.5;
        QTest::newRow("hex with a sign") << 6 << "0x-10" << -16.0;
        QTest::newRow("hex kept to 32 bits") << 7 << "0x1999999981ffffff" << -2113929217.0;
        QTest::newRow("exponent") << 7 << "123e-1" << 12.3;
        QTest::newRow("half an exponent") << 7 << "1e" << nan;
        QTest::newRow("Infinity is no number") << 7 << "Infinity" << nan;
        QTest::newRow("empty") << 7 << "" << nan;
    }
    void stringsAsNumbers() {
        QFETCH(int, version);
        QFETCH(QString, text);
        QFETCH(double, expected);
        ScriptStage stage(empty(version));
        const double d = stage.runtime->vm().toNumber(text);
        if (std::isnan(expected))
            QVERIFY2(std::isnan(d), qPrintable(QString::number(d)));
        else
            QCOMPARE(d, expected);
    }

    // parseFloat reads as the player does, last-digit rounding included; unescape drops a
    // broken escape; a missing argument is not undefined converted.
    void globalFunctionEdges() {
        ScriptStage stage(empty(6));
        Vm& vm = stage.runtime->vm();
        const Value g = vm.global;
        QCOMPARE(vm.toNumber(vm.callMethod(g, "parseFloat", {{Value(QStringLiteral(".1499999"))}})),
                 0.14999990000000005);
        const std::pair<const char*, const char*> floats[] = {{"1.2345.678", "1.2345678"},
                                                              {"1.2345.6e50", "1.23456"},
                                                              {"1e4294967297", "10"},
                                                              {"-034.1+e20", "-34.1"},
                                                              {"0xff", "0"},
                                                              {"-", "NaN"},
                                                              {"9e99999", "Infinity"}};
        for (const auto& [text, expected] : floats)
            QCOMPARE(callText(vm, g, "parseFloat", {QString::fromLatin1(text)}),
                     QString::fromLatin1(expected));
        const std::pair<const char*, const char*> escapes[] = {{"aaa%zz", "aaaz"},
                                                               {"aaa%4zz", "aaaz"},
                                                               {"%u0100", "0100"},
                                                               {"aaa%", "aaa"},
                                                               {"%C4%80", "\xc4\x80"}};
        for (const auto& [text, expected] : escapes)
            QCOMPARE(callText(vm, g, "unescape", {QString::fromLatin1(text)}),
                     QString::fromUtf8(expected));
        QCOMPARE(callText(vm, g, "isFinite", {}), QStringLiteral("false"));
        QCOMPARE(callText(vm, g, "isNaN", {}), QStringLiteral("true"));
        const Value math = global(vm, "Math");
        QCOMPARE(callText(vm, math, "min", {1.0}), QStringLiteral("NaN"));
        QCOMPARE(callText(vm, math, "min", {}), QStringLiteral("Infinity"));
        QCOMPARE(callText(vm, math, "max", {QStringLiteral("10"), QStringLiteral("2")}),
                 QStringLiteral("10"));
        QCOMPARE(callText(vm, math, "max", {1.0, std::nan("")}), QStringLiteral("NaN"));
        QCOMPARE(callText(vm, math, "pow", {1.0}), QStringLiteral("1")); // NaN in SWF 5
        // One-argument functions convert a second argument too, and no more: each
        // conversion here shifts an element out.
        std::vector<Value> counted;
        for (int i = 0; i < 3; ++i) {
            ArrayObject* a = vm.newArray({-2.0, -3.0});
            a->put("valueOf", global(vm, "Array.prototype.shift"));
            counted.push_back(a);
        }
        QCOMPARE(callText(vm, math, "abs", counted), QStringLiteral("2"));
        QCOMPARE(vm.toString(counted[1]), QStringLiteral("-3"));
        QCOMPARE(vm.toString(counted[2]), QStringLiteral("-2,-3"));
    }

    // parseInt: "0x" opening the text makes it hex whatever the radix, a sign may follow
    // it; spaces before a number or a sign before "0x" take octal and hex away.
    void parseIntPrefixes() {
        ScriptStage stage(empty(7));
        Vm& vm = stage.runtime->vm();
        const Value g = vm.global;
        const std::pair<const char*, const char*> cases[] = {
            {"0x111", "273"}, {"0x-111", "-273"}, {"0X+111", "273"}, {"-0x111", "NaN"},
            {" 0x111", "0"},  {"0352", "234"},    {"-0352", "-234"}, {"   0352", "352"},
            {"0352 ", "352"}, {"07658", "7658"},  {"++3", "NaN"},    {" 6 7", "6"}};
        for (const auto& [text, expected] : cases)
            QCOMPARE(callText(vm, g, "parseInt", {QString::fromLatin1(text)}),
                     QString::fromLatin1(expected));
        QCOMPARE(callText(vm, g, "parseInt", {QStringLiteral("0x123"), 8.0}), QStringLiteral("83"));
        QCOMPARE(callText(vm, g, "parseInt", {QStringLiteral(" 0x123"), 8.0}), QStringLiteral("0"));
        QCOMPARE(callText(vm, g, "parseInt", {QStringLiteral("85"), 5.0}), QStringLiteral("NaN"));

        // int() wraps to 32 bits.
        TraceHost host;
        ScriptStage traced(empty(7), &host);
        Actions a;
        for (double d : {4294967295.0, 2147483648.0, -4294967296.0, 1e10, 1e45, -1.5})
            a.push(d).raw(ToInteger).raw(Trace);
        traced.runtime->vm().runBlock(*traced.root, a.bytes());
        QCOMPARE(host.lines, QStringList({"-1", "-2147483648", "0", "1410065408", "0", "-1"}));
    }

    // String positions wrap to 32 bits and read null as 0; with no arguments at all the
    // searching and cutting methods answer undefined; a zero code ends fromCharCode.
    void stringPositions() {
        ScriptStage stage(empty(6));
        Vm& vm = stage.runtime->vm();
        const Value s = QStringLiteral("HELLOhello");
        QCOMPARE(callText(vm, s, "charAt", {4294967297.0}), QStringLiteral("E"));
        QCOMPARE(callText(vm, s, "substr", {4294967296.0, -4294967294.0}), QStringLiteral("HE"));
        QCOMPARE(callText(vm, s, "substring", {3.0, Null{}}), QStringLiteral("HEL"));
        QCOMPARE(callText(vm, s, "substr", {3.0, Undefined{}}), QStringLiteral("LOhello"));
        QCOMPARE(callText(vm, s, "lastIndexOf", {QStringLiteral("L"), Null{}}),
                 QStringLiteral("-1"));
        for (const char* method : {"indexOf", "lastIndexOf", "slice", "substr", "substring"})
            QCOMPARE(vm.typeOf(vm.callMethod(s, QLatin1String(method), {})),
                     QStringLiteral("undefined"));
        QCOMPARE(callText(vm, global(vm, "String"), "fromCharCode", {80.0, 0.0, 82.0}),
                 QStringLiteral("P"));
        const Value list = QStringLiteral("a,b,c");
        QCOMPARE(callText(vm, list, "split", {QStringLiteral(","), 2.0}), QStringLiteral("a,b"));
        QCOMPARE(callText(vm, list, "split", {QStringLiteral(","), -1.0}), QString());
        QCOMPARE(callText(vm, list, "split", {QString()}), QStringLiteral("a,,,b,,,c"));

        // SWF 5 cuts at commas without a separator, not into characters with an empty one,
        // and answers 0 past the end.
        ScriptStage old(empty(5));
        Vm& vm5 = old.runtime->vm();
        QCOMPARE(vm5.toNumber(vm5.getMember(vm5.callMethod(list, "split", {}), "length")), 3.0);
        QCOMPARE(callText(vm5, list, "split", {QString()}), QStringLiteral("a,b,c"));
        QCOMPARE(callText(vm5, list, "charCodeAt", {9.0}), QStringLiteral("0"));
    }

    // reverse and unshift move elements through properties: holes become elements, moved
    // elements come last in the enumeration order and lose DontEnum, undeletable ones stay
    // where they are and read-only ones keep their value.
    void arraysMoveElementsAsProperties() {
        ScriptStage stage(empty(7));
        Vm& vm = stage.runtime->vm();
        ArrayObject* a = vm.newArray({1.0, 2.0, 3.0, 4.0, 5.0});
        a->find("0")->flags = DontEnum;
        call(vm, a, "reverse", {});
        QCOMPARE(vm.toString(a), QStringLiteral("5,4,3,2,1"));
        QCOMPARE(enumerated(a), QStringLiteral("3,1,4,0,2"));
        a = vm.newArray({1.0, 2.0, 3.0, 4.0, 5.0});
        a->find("0")->flags = DontDelete | ReadOnly;
        call(vm, a, "reverse", {});
        QCOMPARE(vm.toString(a), QStringLiteral("1,4,3,2,1"));
        QCOMPARE(enumerated(a), QStringLiteral("3,1,4,2,0"));
        ArrayObject* holes = vm.newArray();
        vm.setMember(Value(holes), "3", 3.0);
        call(vm, holes, "reverse", {});
        QCOMPARE(enumerated(holes), QStringLiteral("2,1,3,0"));

        ArrayObject* b = vm.newArray({1.0, 2.0, 3.0});
        QCOMPARE(callText(vm, b, "unshift", {42.0, 43.0}), QStringLiteral("5"));
        QCOMPARE(vm.toString(b), QStringLiteral("42,43,1,2,3"));
        QCOMPARE(enumerated(b), QStringLiteral("1,0,2,3,4"));

        ArrayObject* c = vm.newArray({1.0, 2.0, 3.0});
        QCOMPARE(vm.typeOf(vm.callMethod(Value(c), "splice", {{Value(Undefined{})}})),
                 QStringLiteral("undefined"));
        QCOMPARE(vm.typeOf(vm.callMethod(Value(c), "splice", {{Value(1.0), Value(-1.0)}})),
                 QStringLiteral("undefined"));
        QCOMPARE(vm.toString(c), QStringLiteral("1,2,3"));
        QCOMPARE(callText(vm, c, "slice", {1.0, Null{}}), QString());
        QCOMPARE(callText(vm, c, "slice", {1.0, Undefined{}}), QStringLiteral("2,3"));
    }

    // System answers for a standalone player; the file's own flags pick the sandbox.
    void systemObject() {
        for (bool network : {false, true}) {
            ScriptStage stage(empty(6, network));
            Vm& vm = stage.runtime->vm();
            QCOMPARE(vm.toString(global(vm, "System.security.sandboxType")),
                     network ? QStringLiteral("localWithNetwork")
                             : QStringLiteral("localWithFile"));
            QCOMPARE(vm.toString(global(vm, "System.capabilities.version")),
                     vm.toString(stage.variable("$version")));
            const Value security = global(vm, "System.security");
            QCOMPARE(callText(vm, security, "allowDomain", {}), QStringLiteral("false"));
            QCOMPARE(callText(vm, security, "allowDomain", {Undefined{}}), QStringLiteral("true"));
            QCOMPARE(vm.typeOf(global(vm, "System.IME.addListener")), QStringLiteral("function"));
        }
    }

    // Capture devices: get() hands out one device and shows its settings on the prototype
    // from then on; a stream on a connect(null) connection shows its state there too.
    void devicesAndStreams() {
        ScriptStage stage(empty(7));
        Vm& vm = stage.runtime->vm();
        Object* micProto = objectOf(global(vm, "Microphone.prototype"));
        QVERIFY(!micProto->find("gain"));
        const Value mic = vm.callMethod(global(vm, "Microphone"), "get", {});
        QVERIFY(vm.strictEquals(mic, vm.callMethod(global(vm, "Microphone"), "get", {})));
        QCOMPARE(vm.toString(vm.getMember(mic, "gain")), QStringLiteral("50"));
        call(vm, mic, "setGain", {250.0});
        QCOMPARE(vm.toString(vm.getMember(mic, "gain")), QStringLiteral("100"));
        const Value camera = vm.callMethod(global(vm, "Camera"), "get", {});
        call(vm, camera, "setMotionLevel", {75.0, 3000.0});
        call(vm, camera, "setMode", {320.0, 240.0, 30.0});
        QCOMPARE(vm.toString(vm.getMember(camera, "motionTimeout")), QStringLiteral("3000"));
        QCOMPARE(vm.toString(vm.getMember(camera, "width")), QStringLiteral("-1"));

        Object* streamProto = objectOf(global(vm, "NetStream.prototype"));
        const Value connection = vm.construct(global(vm, "NetConnection"), {});
        vm.construct(global(vm, "NetStream"), {{connection}});
        QVERIFY(!streamProto->find("currentFps"));
        QCOMPARE(callText(vm, connection, "connect", {Null{}}), QStringLiteral("true"));
        QCOMPARE(vm.toString(vm.getMember(connection, "isConnected")), QStringLiteral("true"));
        vm.construct(global(vm, "NetStream"), {{connection}});
        QVERIFY(streamProto->find("currentFps"));
    }

    // No person answers a file dialog here: browse() says it opened one and the listeners
    // hear onCancel once the scripts are done. No printer either: page sizes read 0.
    void dialogsWithoutAPerson() {
        ScriptStage stage(empty(8));
        Vm& vm = stage.runtime->vm();
        const Value list = vm.construct(global(vm, "flash.net.FileReferenceList"), {});
        ArrayObject* heard = vm.newArray(); // onCancel is push: it keeps what it is given
        heard->put("onCancel", global(vm, "Array.prototype.push"));
        call(vm, list, "addListener", {heard});
        QCOMPARE(callText(vm, list, "browse", {}), QStringLiteral("true"));
        QCOMPARE(heard->length, 0);
        builtins::deliverDeferredBroadcasts(vm);
        QCOMPARE(heard->length, 1);
        QVERIFY(vm.strictEquals(vm.getMember(Value(heard), "0"), list));

        const Value job = vm.construct(global(vm, "PrintJob"), {});
        QCOMPARE(callText(vm, job, "start", {}), QStringLiteral("false"));
        vm.setMember(job, "pageWidth", 5.0);
        QCOMPARE(vm.toString(vm.getMember(job, "pageWidth")), QStringLiteral("0"));
    }

    // No page hosts the player; the marshalling helpers still turn values into XML.
    void externalInterfaceWithoutAPage() {
        ScriptStage stage(empty(8));
        Vm& vm = stage.runtime->vm();
        const Value ei = global(vm, "flash.external.ExternalInterface");
        QCOMPARE(vm.toString(vm.getMember(ei, "available")), QStringLiteral("false"));
        QCOMPARE(vm.typeOf(vm.callMethod(ei, "call", {{Value(QStringLiteral("f"))}})),
                 QStringLiteral("null"));
        QCOMPARE(callText(vm, ei, "_jsQuoteString", {QStringLiteral("a\\\"b")}),
                 QStringLiteral("a\\\\\"b"));
        QCOMPARE(vm.typeOf(vm.callMethod(ei, "_jsQuoteString", {{Value(QString())}})),
                 QStringLiteral("null"));
        Object* o = vm.newObject();
        o->put("a", 1.0);
        o->put("b", QStringLiteral("<x>"));
        QCOMPARE(callText(vm, ei, "_objectToXML", {o}),
                 QStringLiteral("<object><property id=\"b\"><string>&lt;x&gt;</string></property>"
                                "<property id=\"a\"><number>1</number></property></object>"));
        QCOMPARE(callText(vm, ei, "_argumentsToXML", {vm.newArray({12.0, true, Undefined{}})}),
                 QStringLiteral("<arguments><true/><undefined/></arguments>"));
    }

    // AsBroadcaster is a function; SWF 5 sees neither its prototype nor initialize.
    void broadcasterByVersion() {
        for (int version : {5, 6}) {
            ScriptStage stage(empty(version));
            Vm& vm = stage.runtime->vm();
            QCOMPARE(vm.typeOf(global(vm, "AsBroadcaster")), QStringLiteral("function"));
            const QString expected =
                version >= 6 ? QStringLiteral("function") : QStringLiteral("undefined");
            QCOMPARE(vm.typeOf(global(vm, "AsBroadcaster.initialize")), expected);
            QCOMPARE(vm.typeOf(global(vm, "AsBroadcaster.addListener")),
                     QStringLiteral("function"));
        }
    }

    // A carriage return ends a trace line, as in the player's log.
    void traceSplitsAtCarriageReturns() {
        Actions a;
        a.push("a\rb").raw(Trace);
        write::SwfWriter w({100, 100}, 12, 7);
        w.actions(a);
        w.showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        QCOMPARE(host.lines, QStringList({"a\nb"}));
    }
};

QTEST_MAIN(TestGlobalFunctions)
#include "test_global_functions.moc"
