#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script/action_codes.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QTest>

#include <limits>

using namespace reelcase::swf;
using namespace reelcase::test;
using write::Actions;
using namespace reelcase::swf::avm1;

namespace {

// A root of the given frames, each with its script (empty: none), as version.
std::shared_ptr<const Movie> scriptedMovie(int version, const std::vector<Actions>& frames,
                                           const QHash<int, QString>& labels = {}) {
    write::SwfWriter w({100, 100}, 12, version);
    for (int f = 0; f < static_cast<int>(frames.size()); ++f) {
        if (labels.contains(f))
            w.label(labels.value(f));
        if (frames[static_cast<std::size_t>(f)].bytes().size() > 1)
            w.actions(frames[static_cast<std::size_t>(f)]);
        w.showFrame();
    }
    return load(w.finish());
}

// Frame 1: if (_root._framesloaded >= _root._totalframes) gotoAndPlay(3);
// frame 2: gotoAndPlay(1); as the SWF 5 compiler writes it (members of _root, Less2).
Actions preloaderSwf5(bool ready) {
    Actions a;
    a.constantPool({"_root", "_framesloaded", "_totalframes"});
    a.pushConstant(0).raw(GetVariable).pushConstant(1).raw(GetMember);
    a.pushConstant(0).raw(GetVariable).pushConstant(2).raw(GetMember);
    if (!ready)
        a.push(1.0).raw(Add2); // waits for one frame more than there are
    a.raw(Less2).ifTrue("wait");
    a.push(3.0).gotoFrame2(true);
    a.mark("wait");
    return a;
}

// The same in SWF 4 actions: properties by index (12 loaded, 5 total) and Less.
Actions preloaderSwf4(bool ready) {
    Actions a;
    a.push("/").pushFloat(12).raw(GetProperty);
    a.push("/").pushFloat(5).raw(GetProperty);
    if (!ready)
        a.push(1.0).raw(Add);
    a.raw(Less).ifTrue("wait");
    a.push("3").gotoFrame2(true);
    a.mark("wait");
    return a;
}

using Stage = ScriptStage;

// The bytes of a script without its closing end action.
QByteArray open(const Actions& a) {
    return a.bytes().chopped(1);
}

} // namespace

class TestSwfAvm1 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void preloaderPlaysOn_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<int>("expected");
        QTest::newRow("SWF 5, loaded") << 5 << true << 4;
        QTest::newRow("SWF 4, loaded") << 4 << true << 4;
        QTest::newRow("SWF 5, never loaded") << 5 << false << -1;
        QTest::newRow("SWF 4, never loaded") << 4 << false << -1;
    }
    // A preloader that waits for the whole file moves on to frame 3 and plays to the
    // end; one whose condition never holds keeps looping in frames 1 and 2.
    void preloaderPlaysOn() {
        QFETCH(int, version);
        QFETCH(bool, ready);
        QFETCH(int, expected);
        const Actions check = version >= 5 ? preloaderSwf5(ready) : preloaderSwf4(ready);
        Actions back;
        back.push(1.0).gotoFrame2(true);
        auto movie = scriptedMovie(version, {check, back, {}, {}, Actions().stop()});
        QVERIFY(movie);
        Player player;
        player.setMovie(movie);
        for (int i = 0; i < 12; ++i) {
            player.tick();
            if (expected < 0)
                QVERIFY2(player.currentFrame() <= 1, "left the preloader");
        }
        if (expected >= 0) {
            QCOMPARE(player.currentFrame(), expected);
            QVERIFY(!player.isPlaying());
        }
    }

    // _root.gotoAndStop("end") through GetMember and CallMethod; a sprite tells its
    // _parent to stop.
    void clipMethods() {
        Actions call;
        call.push("end").push(1.0).push("_root").raw(GetVariable).push("gotoAndStop");
        call.raw(CallMethod).raw(Pop);
        auto movie = scriptedMovie(6, {call, {}, {}, {}, {}}, {{3, QStringLiteral("end")}});
        Player player;
        player.setMovie(movie);
        for (int i = 0; i < 3; ++i)
            player.tick();
        QCOMPARE(player.currentFrame(), 3);
        QVERIFY(!player.isPlaying());

        write::SwfWriter w({100, 100}, 12, 6);
        write::Timeline sprite;
        sprite.actions(
            Actions().push(0.0).push("_parent").raw(GetVariable).push("stop").raw(CallMethod));
        sprite.showFrame(3);
        const auto id = w.defineSprite(sprite);
        w.place({.depth = 1, .character = id, .name = QStringLiteral("clip")});
        w.showFrame(4);
        Player parentStopped;
        parentStopped.setMovie(load(w.finish()));
        for (int i = 0; i < 3; ++i)
            parentStopped.tick();
        QCOMPARE(parentStopped.currentFrame(), 0);
        QVERIFY(!parentStopped.isPlaying());
    }

    void expressions_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, int version, const Actions& a, const char* expected) {
            QTest::newRow(name) << version << a.bytes() << QString::fromUtf8(expected);
        };
        row("SWF 5: \"\" + 5 joins", 5, Actions().push("").push(5.0).raw(Add2), "string:5");
        row("SWF 4: \"\" + 5 adds", 4, Actions().push("").push(5.0).raw(Add), "number:5");
        row("SWF 4: undefined + 1", 4, Actions().pushUndefined().push(1.0).raw(Add), "number:1");
        row("SWF 6: undefined + 1", 6, Actions().pushUndefined().push(1.0).raw(Add2), "number:1");
        row("SWF 7: undefined + 1", 7, Actions().pushUndefined().push(1.0).raw(Add2), "number:NaN");
        row("strings multiply", 5, Actions().push("3").push("4").raw(Multiply), "number:12");
        row("SWF 4: 1 / 0", 4, Actions().push(1.0).push(0.0).raw(Divide), "string:#ERROR#");
        row("SWF 5: 1 / 0", 5, Actions().push(1.0).push(0.0).raw(Divide), "number:Infinity");
        row("subtract order", 5, Actions().push(10.0).push(4.0).raw(Subtract), "number:6");
        row("Less2 on strings", 6, Actions().push("10").push("9").raw(Less2), "boolean:true");
        row("SWF 4 Less on strings", 4, Actions().push("10").push("9").raw(Less), "boolean:0");
        row("Less2 with NaN", 6, Actions().push("x").push(1.0).raw(Less2), "undefined:");
        row("Greater", 6, Actions().push(3.0).push(2.0).raw(Greater), "boolean:true");
        row("SWF 4 Equals", 4, Actions().push(2.0).push("2").raw(Equals), "boolean:1");
        row("Equals2 loose", 6, Actions().push("5").push(5.0).raw(Equals2), "boolean:true");
        row("StrictEquals", 6, Actions().push("5").push(5.0).raw(StrictEquals), "boolean:false");
        row("null == undefined", 6, Actions().pushNull().pushUndefined().raw(Equals2),
            "boolean:true");
        row("SWF 6: Not \"abc\"", 6, Actions().push("abc").raw(Not), "boolean:true");
        row("SWF 7: Not \"abc\"", 7, Actions().push("abc").raw(Not), "boolean:false");
        row("modulo", 6, Actions().push(-7.0).push(3.0).raw(Modulo), "number:-1");
        row("bit and", 6, Actions().push(12.0).push(10.0).raw(BitAnd), "number:8");
        row("shift left wraps", 6, Actions().push(1.0).push(33.0).raw(BitLShift), "number:2");
        row("signed shift", 6, Actions().push(-8.0).push(1.0).raw(BitRShift), "number:-4");
        row("unsigned shift", 6, Actions().push(-8.0).push(28.0).raw(BitURShift), "number:15");
        row("increment", 6, Actions().push("41").raw(Increment), "number:42");
        row("0.1 + 0.2 as text", 6, Actions().push(0.1).push(0.2).raw(Add2).raw(ToString),
            "string:0.3");
        row("typeof null", 6, Actions().pushNull().raw(TypeOf), "string:null");
        row("string add", 4, Actions().push("ab").push("cd").raw(StringAdd), "string:abcd");
        row("string length", 4, Actions().push("hello").raw(StringLength), "number:5");
        row("string equals", 5, Actions().push("a").push("a").raw(StringEquals), "boolean:true");
        row("substring", 4, Actions().push("hello").push(2.0).push(3.0).raw(StringExtract),
            "string:ell");
        row("int and float pushes", 5, Actions().pushInt(-3).pushFloat(0.5f).raw(Multiply),
            "number:-1.5");
        row("constant pool", 6,
            Actions().constantPool({"a", "b"}).pushConstant(1).pushConstant(0).raw(Add2),
            "string:ba");
        row("register", 6, Actions().push(42.0).storeRegister(2).raw(Pop).pushRegister(2),
            "number:42");
        row("Math.max", 6,
            Actions()
                .push(7.0)
                .push(3.0)
                .push(2.0)
                .push("Math")
                .raw(GetVariable)
                .push("max")
                .raw(CallMethod),
            "number:7");
        row("int()", 6, Actions().push(-2.7).push(1.0).push("int").raw(CallFunction), "number:-2");
        row("array of a count past 32 bits", 6, Actions().push(4294967297.0).raw(InitArray),
            "undefined:");
        row("object of a negative count", 6, Actions().push(-1.0).raw(InitObject), "undefined:");
        row("unknown call", 6, Actions().push(0.0).push("nothing").raw(CallFunction), "undefined:");
    }
    void expressions() {
        QFETCH(int, version);
        QFETCH(QByteArray, code);
        QFETCH(QString, expected);
        // r = <expression>, after an unknown action that must be stepped over.
        const QByteArray script = open(Actions().push("r").raw(0x7F)) + code.chopped(1) +
                                  Actions().raw(SetVariable).bytes();
        write::SwfWriter w({100, 100}, 12, version);
        w.rawTag(12, script); // DoAction
        w.showFrame();
        Stage stage(load(w.finish()));
        QCOMPARE(stage.describe(stage.variable("r")), expected);
    }

    // If and Jump both ways: the branch taken skips, the one not taken falls through.
    void branches_data() {
        QTest::addColumn<bool>("condition");
        QTest::addColumn<QString>("expected");
        QTest::newRow("true jumps") << true << "then";
        QTest::newRow("false falls through") << false << "else";
    }
    void branches() {
        QFETCH(bool, condition);
        QFETCH(QString, expected);
        Actions a;
        a.push("r").push(condition).ifTrue("then");
        a.push("else").jump("end");
        a.mark("then").push("then");
        a.mark("end").raw(SetVariable);
        Stage stage(scriptedMovie(6, {a}));
        QCOMPARE(stage.runtime->vm().toString(stage.variable("r")), expected);
    }

    // Variables last across frames and are reached by slash and dot paths.
    void variablesAndPaths() {
        write::SwfWriter w({100, 100}, 12, 6);
        write::Timeline sprite;
        sprite.showFrame();
        const auto id = w.defineSprite(sprite);
        w.place({.depth = 1, .character = id, .name = QStringLiteral("clip")});
        w.actions(Actions()
                      .push("n")
                      .push(1.0)
                      .raw(SetVariable)
                      .push("/clip:v")
                      .push(7.0)
                      .raw(SetVariable));
        w.showFrame();
        w.actions(Actions()
                      .push("n")
                      .push("n")
                      .raw(GetVariable)
                      .raw(Increment)
                      .raw(SetVariable)
                      .push("a")
                      .push("_root.clip.v")
                      .raw(GetVariable)
                      .raw(SetVariable)
                      .push("clip.w")
                      .push("x")
                      .raw(SetVariable)
                      .push("_root")
                      .raw(GetVariable)
                      .push("clip")
                      .raw(GetMember)
                      .push("u")
                      .push(5.0)
                      .raw(SetMember)
                      .stop());
        w.showFrame(2);
        Stage stage(load(w.finish()));
        for (int i = 0; i < 3; ++i)
            stage.tick();
        QCOMPARE(stage.root->currentFrame(), 1);
        QCOMPARE(stage.describe(stage.variable("n")), QStringLiteral("number:2"));
        QCOMPARE(stage.describe(stage.variable("a")), QStringLiteral("number:7"));
        auto clip = stage.root->child("clip");
        QVERIFY(clip);
        QCOMPARE(stage.describe(stage.member(*clip, "w")), QStringLiteral("string:x"));
        QCOMPARE(stage.describe(stage.member(*clip, "u")), QStringLiteral("number:5"));
    }

    void scriptFunctions_data() {
        QTest::addColumn<bool>("version2");
        QTest::newRow("DefineFunction") << false;
        QTest::newRow("DefineFunction2, arguments in registers") << true;
    }
    // function add(a, b) { return a - b; } r = add(7, 3); and the same as an anonymous
    // function stored in a member and called as a method.
    void scriptFunctions() {
        QFETCH(bool, version2);
        const QByteArray body =
            version2 ? open(Actions().pushRegister(1).pushRegister(2).raw(Subtract).raw(Return))
                     : open(Actions()
                                .push("a")
                                .raw(GetVariable)
                                .push("b")
                                .raw(GetVariable)
                                .raw(Subtract)
                                .raw(Return));
        auto define = [&](const char* name) -> QByteArray {
            QByteArray args = QByteArray(name) + '\0' + QByteArray("\2\0", 2);
            if (version2)
                args += QByteArray("\3\0\0\1a\0\2b\0", 9); // 3 registers, no flags
            else
                args += QByteArray("a\0b\0", 4);
            args.append(char(body.size())).append('\0');
            return open(Actions().raw(version2 ? 0x8E : DefineFunction, args)) + body;
        };
        QByteArray script = define("add");
        script += open(Actions()
                           .push("r")
                           .push(3.0)
                           .push(7.0)
                           .push(2.0)
                           .push("add")
                           .raw(CallFunction)
                           .raw(SetVariable));
        script += open(Actions().push("_root").raw(GetVariable).push("sub"));
        script += define("");
        script += open(Actions()
                           .raw(SetMember)
                           .push("s")
                           .push(1.0)
                           .push(5.0)
                           .push(2.0)
                           .push("_root")
                           .raw(GetVariable)
                           .push("sub")
                           .raw(CallMethod)
                           .raw(SetVariable));
        write::SwfWriter w({100, 100}, 12, 7);
        w.rawTag(12, script + QByteArray(1, '\0'));
        w.showFrame();
        Stage stage(load(w.finish()));
        QCOMPARE(stage.describe(stage.variable("r")), QStringLiteral("number:4"));
        QCOMPARE(stage.describe(stage.variable("s")), QStringLiteral("number:4"));
    }

    // call("sub") runs the scripts of the frame labelled sub without going there; a
    // frame that calls itself stops at the call depth cap.
    void callRunsAFrameScript() {
        Actions main;
        main.push("sub").raw(0x9E).push("r").push("r").raw(GetVariable).raw(Increment);
        main.raw(SetVariable).raw(0x07); // stop
        Actions sub;
        sub.push("hits").push("hits").raw(GetVariable).raw(Increment).raw(SetVariable);
        sub.push("sub").raw(0x9E); // calls itself
        Stage stage(scriptedMovie(6, {main, sub}, {{1, QStringLiteral("sub")}}));
        QCOMPARE(stage.root->currentFrame(), 0);
        QCOMPARE(stage.describe(stage.variable("r")), QStringLiteral("number:1"));
        QCOMPARE(stage.describe(stage.variable("hits")), QStringLiteral("number:256"));
    }

    // _visible and _x set by a script change what is drawn.
    void setPropertyChangesDrawing() {
        write::SwfWriter w({100, 100}, 12, 6);
        w.background(Qt::white);
        write::ShapeBuilder box;
        box.rect({0, 0, 20, 20}, box.addFill(write::solid(Qt::red)));
        const auto shape = w.defineShape(box);
        write::Timeline sprite;
        sprite.place({.depth = 1, .character = shape});
        sprite.showFrame();
        const auto id = w.defineSprite(sprite);
        w.place({.depth = 1, .character = id, .name = QStringLiteral("a")});
        w.place({.depth = 2,
                 .character = id,
                 .matrix = QTransform::fromTranslate(0, 50),
                 .name = QStringLiteral("b")});
        w.actions(Actions()
                      .push("a")
                      .pushInt(7)
                      .push(false)
                      .raw(SetProperty)
                      .push("b")
                      .pushInt(0)
                      .push(60.0)
                      .raw(SetProperty)
                      .stop());
        w.showFrame();
        Player player;
        player.setMovie(load(w.finish()));
        player.tick();
        const QImage image = renderImage(player, {100, 100});
        QVERIFY(near(image.pixel(10, 10), Qt::white)); // a hidden
        QVERIFY(near(image.pixel(10, 60), Qt::white)); // b moved away ...
        QVERIFY(near(image.pixel(70, 60), Qt::red));   // ... to x = 60
    }

    // A script in a clip inside a clip removes its own parent (the root goes to a frame
    // without it) and then asks for _parent: there is none any more, nothing breaks.
    void scriptOutlivesItsParent() {
        write::SwfWriter w({100, 100}, 12, 6);
        write::Timeline inner;
        inner.actions(Actions()
                          .push(2.0)
                          .push(1.0)
                          .push("_root")
                          .raw(GetVariable)
                          .push("gotoAndStop")
                          .raw(CallMethod)
                          .raw(Pop)
                          .push(0.0)
                          .push("_parent")
                          .raw(GetVariable)
                          .push("stop")
                          .raw(CallMethod)
                          .push("_parent")
                          .raw(GetVariable)
                          .pushInt(0)
                          .push(5.0)
                          .raw(SetProperty));
        inner.showFrame();
        const auto innerId = w.defineSprite(inner);
        write::Timeline outer;
        outer.place({.depth = 1, .character = innerId, .name = QStringLiteral("b")});
        outer.showFrame();
        const auto outerId = w.defineSprite(outer);
        w.place({.depth = 1, .character = outerId, .name = QStringLiteral("a")});
        w.showFrame();
        w.remove(1);
        w.showFrame();
        Stage stage(load(w.finish()));
        QCOMPARE(stage.root->currentFrame(), 1);
        QVERIFY(!stage.root->child("a"));
    }

    void hostileScripts_data() {
        QTest::addColumn<QByteArray>("code");
        Actions loop;
        loop.jumpBy(-5); // itself, for ever
        QTest::newRow("endless loop") << loop.bytes();
        QTest::newRow("branch past the end") << Actions().push(true).ifTrueBy(1000).stop().bytes();
        QTest::newRow("branch before the start") << Actions().jumpBy(-1000).stop().bytes();
        Actions flood;
        flood.mark("again").push(1.0).jump("again");
        QTest::newRow("stack flood") << flood.bytes();
        QTest::newRow("push without string end")
            << Actions().raw(0x96, QByteArray("\0ab", 3)).bytes();
        QTest::newRow("push of half a double")
            << Actions().raw(0x96, QByteArray("\6\1\2", 3)).bytes();
        QTest::newRow("push of unknown type") << Actions().raw(0x96, QByteArray("\x7f", 1)).bytes();
        QTest::newRow("action longer than the block") << QByteArray("\x96\xff\x7f\0", 4);
        // function f() { return f(); } f();
        const QByteArray body = open(Actions().push(0.0).push("f").raw(CallFunction).raw(Return));
        QByteArray define("f\0\0\0", 4);
        define.append(char(body.size())).append('\0');
        QByteArray recursion = open(Actions().raw(DefineFunction, define)) + body;
        recursion += Actions().push(0.0).push("f").raw(CallFunction).bytes();
        QTest::newRow("endless recursion") << recursion;
        QTest::newRow("huge argument count")
            << Actions().push(1e9).push("f").raw(CallFunction).bytes();
        // Property indices and depths that are no whole number (found by the fuzzer).
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("property index NaN") << Actions()
                                                   .push("/")
                                                   .push(nan)
                                                   .raw(GetProperty)
                                                   .push("/")
                                                   .push(nan)
                                                   .push(1.0)
                                                   .raw(SetProperty)
                                                   .bytes();
        QTest::newRow("property index beyond int")
            << Actions().push("/").push(1e300).raw(GetProperty).bytes();
    }
    // A hostile script stops cleanly for its frame; the movie plays on and the next
    // frame's script still runs.
    void hostileScripts() {
        QFETCH(QByteArray, code);
        write::SwfWriter w({100, 100}, 12, 7);
        w.rawTag(12, code);
        w.showFrame();
        w.actions(Actions().push("next").push(true).raw(SetVariable));
        w.showFrame(2);
        Stage stage(load(w.finish()));
        QVERIFY(stage.root->isPlaying());
        stage.tick();
        QCOMPARE(stage.root->currentFrame(), 1);
        QCOMPARE(stage.describe(stage.variable("next")), QStringLiteral("boolean:true"));
    }
};

QTEST_MAIN(TestSwfAvm1)
#include "test_avm1.moc"
