#include "swf/script/builtins/selection.h"
#include "swf/script/text_field.h"
#include "swf/script/text_input.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"
#include "swf/text/edit_text.h"
#include "swfwriter/writer_media.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;

namespace {

// An input-less field "field" bound to the root's variable "shown", and a second field
// "lower" further down the stage.
std::shared_ptr<const Movie> fieldMovie(int version = 8) {
    write::SwfWriter w({200, 200}, 12, version);
    write::EditTextDesign field;
    field.bounds = QRectF(0, 0, 100, 20);
    field.text = QStringLiteral("hi");
    field.variable = QStringLiteral("shown");
    w.place({.depth = 1,
             .character = write::defineEditText(w, field),
             .name = QStringLiteral("field")});
    write::EditTextDesign lower;
    lower.bounds = QRectF(0, 0, 100, 20);
    w.place({.depth = 2,
             .character = write::defineEditText(w, lower),
             .matrix = QTransform::fromTranslate(0, 100 * 20),
             .name = QStringLiteral("lower")});
    w.showFrame();
    return load(w.finish());
}

struct FieldStage {
    explicit FieldStage(int version = 8)
        : stage(fieldMovie(version), &host) {}
    Vm& vm() { return stage.runtime->vm(); }
    Value root() { return vm().clipObject(*stage.root); }
    Value field(const char* name = "field") { return vm().getMember(root(), QLatin1String(name)); }
    QString text(const Value& v, const char* member) {
        return vm().toString(vm().getMember(v, QLatin1String(member)));
    }
    void set(const Value& on, const char* member, const Value& v) {
        vm().setMember(on, QLatin1String(member), v);
    }
    Value call(const Value& on, const char* method, std::vector<Value> args = {}) {
        return vm().callMethod(on, QLatin1String(method), args);
    }
    Value newStyleSheet() {
        const Value field = vm().getMember(Value(vm().global), QStringLiteral("TextField"));
        return vm().construct(vm().getMember(field, QStringLiteral("StyleSheet")), {});
    }
    Value newTextFormat() {
        return vm().construct(vm().getMember(Value(vm().global), QStringLiteral("TextFormat")), {});
    }
    // The paragraphs drawn for the field now.
    QString drawn(const char* name = "field") {
        auto* f = static_cast<TextFieldObject*>(objectOf(field(name)));
        const auto* edit = dynamic_cast<const EditText*>(f->entry()->character);
        QStringList lines;
        for (const TextParagraph& p : edit->paragraphs())
            lines << p.text();
        return lines.join(u'|');
    }
    TraceHost host; // keeps the clipboard
    ScriptStage stage;
};

int pressed = 0;
int released = 0;
int changes = 0;
Value countChange(Vm&, const Value&, Args) {
    ++changes;
    return Undefined{};
}
Value countPress(Vm&, const Value&, Args) {
    ++pressed;
    return Undefined{};
}
Value countRelease(Vm&, const Value&, Args) {
    ++released;
    return Undefined{};
}

} // namespace

class TestTextField : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The variable starts as the field's text; then each follows the other.
    void variableBindingWorksBothWays() {
        FieldStage s;
        QCOMPARE(s.text(s.root(), "shown"), QStringLiteral("hi"));
        s.set(s.root(), "shown", QStringLiteral("from the variable"));
        QCOMPARE(s.text(s.field(), "text"), QStringLiteral("from the variable"));
        s.stage.runtime->runPending();
        QCOMPARE(s.drawn(), QStringLiteral("from the variable"));
        s.set(s.field(), "text", QStringLiteral("from the field"));
        QCOMPARE(s.text(s.root(), "shown"), QStringLiteral("from the field"));
    }

    // Text a script sets is drawn, with line breaks normalised and formats per run.
    void textAndFormatsAreDrawnAndReadBack() {
        FieldStage s;
        const Value f = s.field();
        s.set(f, "text", QStringLiteral("one\ntwo"));
        QCOMPARE(s.text(f, "text"), QStringLiteral("one\rtwo"));
        QCOMPARE(s.drawn(), QStringLiteral("one|two"));
        const Value red = s.newTextFormat();
        s.set(red, "color", double(0xFF0000));
        s.call(f, "setTextFormat", {1.0, 2.0, red});
        QCOMPARE(s.vm().toNumber(
                     s.vm().getMember(s.call(f, "getTextFormat", {1.0}), QStringLiteral("color"))),
                 double(0xFF0000));
        // Over a range with two colours, colour is null; what all share stays.
        const Value mixed = s.call(f, "getTextFormat", {0.0, 3.0});
        QCOMPARE(s.vm().typeOf(s.vm().getMember(mixed, QStringLiteral("color"))),
                 QStringLiteral("null"));
        QCOMPARE(s.text(mixed, "size"), QStringLiteral("12"));
        s.call(f, "replaceText", {0.0, 3.0, QStringLiteral("six")});
        QCOMPARE(s.text(f, "text"), QStringLiteral("six\rtwo"));
        s.set(f, "html", true);
        s.set(f, "htmlText", QStringLiteral("<b>bold</b>"));
        QCOMPARE(s.text(f, "text"), QStringLiteral("bold"));
        QVERIFY(s.text(f, "htmlText").contains(QLatin1String("<B>bold</B>")));
        QCOMPARE(s.text(f, "length"), QStringLiteral("4"));
    }

    // TextFormat properties convert as the player does: whole numbers round half to even,
    // margins never go below zero, colours wrap to 32 bits.
    void textFormatConvertsItsProperties() {
        FieldStage s;
        const Value t = s.newTextFormat();
        QCOMPARE(s.vm().typeOf(s.vm().getMember(t, QStringLiteral("size"))),
                 QStringLiteral("null"));
        s.set(t, "size", 2.5);
        QCOMPARE(s.text(t, "size"), QStringLiteral("2"));
        s.set(t, "size", 3.5);
        QCOMPARE(s.text(t, "size"), QStringLiteral("4"));
        s.set(t, "leftMargin", -3.0);
        QCOMPARE(s.text(t, "leftMargin"), QStringLiteral("0"));
        s.set(t, "color", -3.0);
        QCOMPARE(s.text(t, "color"), QStringLiteral("4294967293"));
        s.set(t, "align", QStringLiteral("center"));
        s.set(t, "align", QStringLiteral("sideways")); // ignored
        QCOMPARE(s.text(t, "align"), QStringLiteral("center"));
        s.set(t, "bold", QStringLiteral("yes"));
        QCOMPARE(s.text(t, "bold"), QStringLiteral("true"));
    }

    // Focus, typing, restrict, maxChars, editing keys and the clipboard.
    void typingGoesIntoTheFocusedInputField() {
        FieldStage s;
        const Value f = s.field();
        s.set(f, "type", QStringLiteral("input"));
        s.set(f, "restrict", QStringLiteral("a-z"));
        s.set(f, "maxChars", 4.0);
        QVERIFY(s.vm().toBoolean(s.call(
            s.vm().getMember(Value(s.vm().global), QStringLiteral("Selection")), "setFocus", {f})));
        for (char32_t c : U"ABc1de")
            if (c)
                typeIntoFocusedField(s.vm(), c);
        // Focus selected "hi", so typing replaced it; upper case came in as lower case,
        // the digit stayed out and the fifth letter found no room.
        QCOMPARE(s.text(f, "text"), QStringLiteral("abcd"));
        QCOMPARE(s.text(s.root(), "shown"), QStringLiteral("abcd"));
        editFocusedField(s.vm(), TextEdit::Backspace);
        QCOMPARE(s.text(f, "text"), QStringLiteral("abc"));
        editFocusedField(s.vm(), TextEdit::SelectAll);
        editFocusedField(s.vm(), TextEdit::Copy);
        editFocusedField(s.vm(), TextEdit::MoveHome);
        editFocusedField(s.vm(), TextEdit::Delete);
        QCOMPARE(s.text(f, "text"), QStringLiteral("bc"));
        editFocusedField(s.vm(), TextEdit::MoveEnd);
        editFocusedField(s.vm(), TextEdit::Paste); // "abc", but only two fit
        QCOMPARE(s.text(f, "text"), QStringLiteral("bcab"));
        // A password field keeps its text off the clipboard.
        s.set(f, "password", true);
        editFocusedField(s.vm(), TextEdit::SelectAll);
        QVERIFY(!editFocusedField(s.vm(), TextEdit::Copy));
    }

    void restrictFollowsRangesCaretsAndEscapes() {
        auto kept = [](const char* restrict, const char* typed) {
            QString out;
            for (QChar c : QString::fromUtf8(typed))
                if (const auto k = restrictedChar(QString::fromUtf8(restrict), c))
                    out += *k;
            return out;
        };
        QCOMPARE(kept("aB*", "abAB*"), QStringLiteral("aBaB*"));
        QCOMPARE(kept("-b", "abc-"), QStringLiteral("abC-"));
        QCOMPARE(kept("b-a", "abB"), QStringLiteral("bb"));
        QCOMPARE(kept("^\\^", "a^b"), QStringLiteral("ab"));
        QCOMPARE(kept("a-zA-Z^bC", "bC"), QStringLiteral("Bc"));
        QCOMPARE(kept("a\\", "a\\"), QStringLiteral("a"));
        QCOMPARE(kept("-", "a-"), QString());
        QCOMPARE(kept("α-ω", "δΔ"), QStringLiteral("δ")); // no case change beyond ASCII
    }

    // Tab goes through input fields in reading order and wraps; tabIndex overrides it.
    void tabMovesFocusInOrder() {
        FieldStage s;
        for (const char* name : {"field", "lower"})
            s.set(s.field(name), "type", QStringLiteral("input"));
        auto focus = [&] {
            Object* o = builtins::focusedObject(s.vm());
            return o ? s.vm().toString(Value(o)) : QString();
        };
        builtins::moveTabFocus(s.vm(), false);
        QCOMPARE(focus(), QStringLiteral("_level0.field"));
        builtins::moveTabFocus(s.vm(), false);
        QCOMPARE(focus(), QStringLiteral("_level0.lower"));
        builtins::moveTabFocus(s.vm(), false);
        QCOMPARE(focus(), QStringLiteral("_level0.field"));
        s.set(s.field("lower"), "tabIndex", 1.0);
        s.set(s.field("field"), "tabIndex", 2.0);
        builtins::moveTabFocus(s.vm(), false);
        QCOMPARE(focus(), QStringLiteral("_level0.lower"));
        s.set(s.field("lower"), "tabEnabled", false);
        builtins::moveTabFocus(s.vm(), false);
        QCOMPARE(focus(), QStringLiteral("_level0.field"));
    }

    // A focused clip hears Enter and Space as a press; hiding it takes the focus away.
    void keysPressTheFocusedClipAndHidingDropsFocus() {
        FieldStage s;
        const Value clip = s.call(s.root(), "createEmptyMovieClip", {QStringLiteral("mc"), 5.0});
        s.set(clip, "focusEnabled", true);
        s.set(clip, "onPress", s.vm().newNative(countPress));
        s.set(clip, "onRelease", s.vm().newNative(countRelease));
        const Value selection = s.vm().getMember(Value(s.vm().global), QStringLiteral("Selection"));
        QVERIFY(s.vm().toBoolean(s.call(selection, "setFocus", {clip})));
        pressed = released = 0;
        int buttonTransitions = 0;
        builtins::keyToFocus(s.vm(), true); // a key alone does not press
        builtins::pressFocused(s.vm(), [&](bool) { ++buttonTransitions; });
        QCOMPARE(pressed, 1);
        QCOMPARE(released, 1);
        QCOMPARE(buttonTransitions, 0); // a clip has no transitions of its own
        s.set(clip, "_visible", false);
        s.set(clip, "_visible", true);
        QCOMPARE(s.vm().typeOf(s.call(selection, "getFocus")), QStringLiteral("null"));
        // The root never takes focus.
        QVERIFY(!s.vm().toBoolean(s.call(selection, "setFocus", {s.root()})));
    }

    // TextSnapshot reads the static text of a clip and searches it.
    void textSnapshotSearchesStaticText() {
        write::SwfWriter w({200, 200}, 12, 8);
        write::FontDesign font;
        font.name = QStringLiteral("Test");
        for (char16_t c : u"ABCDEF")
            if (c)
                font.glyphs.push_back({c, QPainterPath(), 500});
        const auto fontId = write::defineFont(w, font);
        const auto text = write::defineText(w, fontId, font, {{QStringLiteral("ABCDEF"), {0, 20}}});
        w.place({.depth = 1, .character = text});
        w.showFrame();
        TraceHost host;
        ScriptStage stage(load(w.finish()), &host);
        Vm& vm = stage.runtime->vm();
        const Value root = vm.clipObject(*stage.root);
        const Value snapshot = vm.callMethod(root, QStringLiteral("getTextSnapshot"), {});
        QCOMPARE(vm.toNumber(vm.callMethod(snapshot, QStringLiteral("getCount"), {})), 6.0);
        const std::vector<Value> find = {1.0, QStringLiteral("de"), false};
        QCOMPARE(vm.toNumber(vm.callMethod(snapshot, QStringLiteral("findText"), find)), 3.0);
        const std::vector<Value> exact = {1.0, QStringLiteral("de"), true};
        QCOMPARE(vm.toNumber(vm.callMethod(snapshot, QStringLiteral("findText"), exact)), -1.0);
        const std::vector<Value> range = {1.0, 3.0};
        QCOMPARE(vm.toString(vm.callMethod(snapshot, QStringLiteral("getText"), range)),
                 QStringLiteral("BCD"));
    }

    // An auto-sized field keeps its right edge by moving; a script's field can be removed.
    void autoSizeMovesTheFieldAndScriptFieldsGo() {
        FieldStage s;
        const Value t =
            s.call(s.root(), "createTextField", {QStringLiteral("t"), 10.0, 0.0, 0.0, 1.0, 1.0});
        s.set(t, "autoSize", QStringLiteral("right"));
        QCOMPARE(s.text(t, "_width"), QStringLiteral("4")); // the gutter alone
        QCOMPARE(s.text(t, "_x"), QStringLiteral("-3"));
        s.call(t, "removeTextField");
        QCOMPARE(s.vm().typeOf(s.vm().getMember(s.root(), QStringLiteral("t"))),
                 QStringLiteral("undefined"));
        // A field the timeline placed stays.
        s.call(s.field(), "removeTextField");
        QCOMPARE(s.text(s.field(), "text"), QStringLiteral("hi"));
    }

    // A click focuses a selectable field with the caret at the click; a click elsewhere, or
    // removing the field, takes the focus away.
    void clicksPlaceTheCaretAndRemovalDropsFocus() {
        FieldStage s;
        const Value t = s.call(s.root(), "createTextField",
                               {QStringLiteral("t"), 10.0, 0.0, 150.0, 200.0, 20.0});
        s.set(t, "text", QStringLiteral("abcdef"));
        builtins::focusAtPointer(s.vm(), {190, 160}); // right of the text
        auto* field = static_cast<TextFieldObject*>(objectOf(t));
        QCOMPARE(builtins::focusedObject(s.vm()), objectOf(t));
        QCOMPARE(field->selectionBegin, 6);
        QCOMPARE(field->selectionEnd, 6);
        builtins::focusAtPointer(s.vm(), {2, 155}); // before the first character
        QCOMPARE(field->selectionEnd, 0);
        builtins::focusAtPointer(s.vm(), {150, 190}); // below every field
        QVERIFY(!builtins::focusedObject(s.vm()));
        s.set(t, "selectable", false); // not selectable: no focus
        builtins::focusAtPointer(s.vm(), {190, 160});
        QVERIFY(!builtins::focusedObject(s.vm()));
        s.set(t, "selectable", true);
        builtins::focusAtPointer(s.vm(), {190, 160});
        s.call(t, "removeTextField");
        QVERIFY(!builtins::focusedObject(s.vm()));
    }

    // Selection's indices: the anchor and the caret, in either order; -1 without a field.
    void selectionIndicesFollowTheFocusedField() {
        FieldStage s;
        const Value selection = s.vm().getMember(Value(s.vm().global), QStringLiteral("Selection"));
        QCOMPARE(s.vm().toNumber(s.call(selection, "getBeginIndex")), -1.0);
        s.set(s.field(), "text", QStringLiteral("abcdef"));
        s.call(selection, "setFocus", {QStringLiteral("field")}); // a path works too
        QCOMPARE(s.text(s.call(selection, "getFocus"), "length"), QStringLiteral("13"));
        QCOMPARE(s.vm().toNumber(s.call(selection, "getEndIndex")), 6.0); // all selected
        s.call(selection, "setSelection", {5.0, 2.0});
        QCOMPARE(s.vm().toNumber(s.call(selection, "getBeginIndex")), 2.0);
        QCOMPARE(s.vm().toNumber(s.call(selection, "getEndIndex")), 5.0);
        QCOMPARE(s.vm().toNumber(s.call(selection, "getCaretIndex")), 2.0);
        s.call(s.field(), "replaceSel", {QStringLiteral("X")});
        QCOMPARE(s.text(s.field(), "text"), QStringLiteral("abXf"));
        s.call(selection, "setSelection", {-10.0, 100.0}); // clamped to the text
        QCOMPARE(s.vm().toNumber(s.call(selection, "getEndIndex")), 4.0);
        QVERIFY(s.vm().toBoolean(s.call(selection, "setFocus", {Value(Null{})})));
        // Clearing succeeds with no focus to clear, but only as the one argument.
        QVERIFY(s.vm().toBoolean(s.call(selection, "setFocus", {Value(Null{})})));
        QVERIFY(!s.vm().toBoolean(s.call(selection, "setFocus", {Value(Undefined{}), 5.0})));
    }

    // Typing tells the field's listeners (the field first among them); a script's own
    // change of text does not. Enter breaks a line only in a multiline field.
    void typingTellsListenersAndEnterNeedsMultiline() {
        FieldStage s;
        const Value f = s.field();
        s.set(f, "type", QStringLiteral("input"));
        s.set(f, "onChanged", s.vm().newNative(countChange));
        changes = 0;
        s.set(f, "text", QString());
        QCOMPARE(changes, 0);
        const Value selection = s.vm().getMember(Value(s.vm().global), QStringLiteral("Selection"));
        s.call(selection, "setFocus", {f});
        typeIntoFocusedField(s.vm(), U'你');
        QCOMPARE(changes, 1);
        QVERIFY(!editFocusedField(s.vm(), TextEdit::Enter));
        s.set(f, "multiline", true);
        QVERIFY(editFocusedField(s.vm(), TextEdit::Enter));
        typeIntoFocusedField(s.vm(), U'好');
        QCOMPARE(s.text(f, "text"), QStringLiteral("你\r好"));
        QCOMPARE(changes, 3);
        // Control characters are not text.
        QVERIFY(!typeIntoFocusedField(s.vm(), U'\t'));
        // A dynamic field takes no typing.
        s.set(f, "type", QStringLiteral("dynamic"));
        QVERIFY(!typeIntoFocusedField(s.vm(), U'a'));
    }

    // Scrolling stays within the lines the text has; the last line shown follows.
    void scrollStaysWithinTheText() {
        FieldStage s;
        const Value f = s.field();
        s.set(f, "multiline", true);
        s.set(f, "text", QStringLiteral("1\n2\n3\n4\n5\n6"));
        const double maxscroll = s.vm().toNumber(s.vm().getMember(f, QStringLiteral("maxscroll")));
        QVERIFY(maxscroll > 1); // a 20-pixel box shows one or two of six lines
        s.set(f, "scroll", 100.0);
        QCOMPARE(s.vm().toNumber(s.vm().getMember(f, QStringLiteral("scroll"))), maxscroll);
        QCOMPARE(s.text(f, "bottomScroll"), QStringLiteral("6"));
        s.set(f, "scroll", -4.0);
        QCOMPARE(s.text(f, "scroll"), QStringLiteral("1"));
        QVERIFY(s.vm().toNumber(s.vm().getMember(f, QStringLiteral("textHeight"))) > 0);
        QCOMPARE(s.text(f, "length"), QStringLiteral("11"));
    }

    // getTextExtent measures in the format's size; a width wraps the text.
    void textExtentGrowsWithSizeAndWraps() {
        FieldStage s;
        const Value t = s.newTextFormat();
        s.set(t, "size", 12.0);
        const std::vector<Value> text = {QStringLiteral("Hello World")};
        const Value small = s.call(t, "getTextExtent", text);
        s.set(t, "size", 24.0);
        const Value big = s.call(t, "getTextExtent", text);
        auto n = [&](const Value& v, const char* m) {
            return s.vm().toNumber(s.vm().getMember(v, QLatin1String(m)));
        };
        QVERIFY(n(big, "width") > n(small, "width"));
        QVERIFY(n(big, "height") > n(small, "height"));
        QCOMPARE(n(small, "textFieldWidth"), n(small, "width") + 4);
        const Value narrow = s.call(t, "getTextExtent", {QStringLiteral("Hello World"), 30.0});
        QVERIFY(n(narrow, "height") > n(big, "height")); // wrapped onto more lines
        QCOMPARE(n(narrow, "textFieldWidth"), 30.0);
    }

    // The tag's indent is signed, and scripts see the tag's lengths in whole pixels.
    void tagIndentIsSignedAndWhole() {
        write::SwfWriter w({200, 200}, 12, 8);
        write::EditTextDesign design;
        design.bounds = QRectF(0, 0, 100, 20);
        design.text = QStringLiteral("x");
        design.indent = -10.25;
        design.leftMargin = 3.5;
        w.place({.depth = 1,
                 .character = write::defineEditText(w, design),
                 .name = QStringLiteral("t")});
        w.showFrame();
        ScriptStage stage(load(w.finish()));
        Vm& vm = stage.runtime->vm();
        const Value format =
            vm.callMethod(stage.variable(QStringLiteral("t")), QStringLiteral("getTextFormat"), {});
        QCOMPARE(vm.toString(vm.getMember(format, QStringLiteral("indent"))),
                 QStringLiteral("-10"));
        QCOMPARE(vm.toString(vm.getMember(format, QStringLiteral("leftMargin"))),
                 QStringLiteral("3"));
    }

    // Before SWF 8 indents and leading never go below zero and what is no number is 0;
    // null leaves an alignment alone.
    void textFormatOfOlderMoviesClampsMore() {
        for (int version : {6, 8}) {
            FieldStage s(version);
            const Value t = s.newTextFormat();
            const bool old = version < 8;
            s.set(t, "blockIndent", -10.0);
            QCOMPARE(s.text(t, "blockIndent"), old ? QStringLiteral("0") : QStringLiteral("-10"));
            s.set(t, "size", QStringLiteral("many"));
            QCOMPARE(s.text(t, "size"), old ? QStringLiteral("0") : QStringLiteral("-2147483648"));
            s.set(t, "align", QStringLiteral("right"));
            s.set(t, "align", Null{});
            QCOMPARE(s.text(t, "align"), old ? QStringLiteral("right") : QStringLiteral("null"));
        }
    }

    // A style sheet: CSS read into styles kept as copies, and transform's reading of CSS
    // values (units dropped, strict colours and words, margins not below zero).
    void styleSheetKeepsStylesAndReadsValues() {
        FieldStage s;
        Vm& vm = s.vm();
        const Value sheet = s.newStyleSheet();
        QVERIFY(vm.toBoolean(s.call(sheet, "parseCSS", {QStringLiteral("p { color: #00FF00 }")})));
        QVERIFY(!vm.toBoolean(s.call(sheet, "parseCSS", {QStringLiteral("p { color }")})));
        Object* style = vm.newObject();
        style->put(QStringLiteral("fontWeight"), QStringLiteral("bold"));
        s.call(sheet, "setStyle", {QStringLiteral(".b"), style});
        style->put(QStringLiteral("fontWeight"), QStringLiteral("normal")); // a copy was kept
        QCOMPARE(s.text(s.call(sheet, "getStyleNames"), "length"), QStringLiteral("2"));
        const Value b = s.call(sheet, "getStyle", {QStringLiteral(".b")});
        QCOMPARE(s.text(b, "fontWeight"), QStringLiteral("bold"));
        s.set(b, "fontWeight", QStringLiteral("normal")); // and handed out as a copy
        QCOMPARE(s.text(s.call(sheet, "getStyle", {QStringLiteral(".b")}), "fontWeight"),
                 QStringLiteral("bold"));
        s.call(sheet, "setStyle", {QStringLiteral(".b"), Null{}});
        QCOMPARE(s.text(s.call(sheet, "getStyle", {QStringLiteral(".b")}), "x"),
                 QStringLiteral("undefined"));
        QCOMPARE(vm.typeOf(s.call(sheet, "getStyle", {QStringLiteral(".b")})),
                 QStringLiteral("null"));
        QCOMPARE(vm.typeOf(s.call(sheet, "transform", {})), QStringLiteral("null"));
        Object* css = vm.newObject();
        css->put(QStringLiteral("fontSize"), QStringLiteral(" 42px"));
        css->put(QStringLiteral("color"), QStringLiteral("#456"));
        css->put(QStringLiteral("marginLeft"), -5.0);
        css->put(QStringLiteral("textAlign"), QStringLiteral("CENTER"));
        css->put(QStringLiteral("kerning"), true);
        css->put(QStringLiteral("letterSpacing"), QStringLiteral("wide"));
        css->put(QStringLiteral("display"), QStringLiteral("inline"));
        const Value tf = s.call(sheet, "transform", {css});
        QCOMPARE(s.text(tf, "size"), QStringLiteral("42"));
        QCOMPARE(s.text(tf, "color"), QStringLiteral("null"));
        QCOMPARE(s.text(tf, "leftMargin"), QStringLiteral("0"));
        QCOMPARE(s.text(tf, "align"), QStringLiteral("center"));
        QCOMPARE(s.text(tf, "kerning"), QStringLiteral("false"));
        QCOMPARE(s.text(tf, "letterSpacing"), QStringLiteral("NaN"));
        QCOMPARE(s.text(tf, "display"), QStringLiteral("inline"));
        s.call(sheet, "clear");
        QCOMPARE(s.text(s.call(sheet, "getStyleNames"), "length"), QStringLiteral("0"));
    }

    // A field's style sheet formats the HTML set after it, and the user cannot type into it.
    void styledFieldsShowStylesAndRefuseTyping() {
        FieldStage s;
        Vm& vm = s.vm();
        const Value sheet = s.newStyleSheet();
        s.call(
            sheet, "parseCSS",
            {QStringLiteral("span { font-size: 30 } .red { color: #FF0000; font-weight: bold }")});
        const Value f = s.field();
        s.set(f, "html", true);
        s.set(f, "type", QStringLiteral("input"));
        s.set(f, "styleSheet", sheet);
        s.set(f, "htmlText", QStringLiteral("a<span class=\"red\">b</span>"));
        QCOMPARE(s.text(f, "text"), QStringLiteral("ab"));
        const Value b = s.call(f, "getTextFormat", {1.0});
        QCOMPARE(s.text(b, "color"), QString::number(0xFF0000));
        QCOMPARE(s.text(b, "bold"), QStringLiteral("true"));
        QCOMPARE(s.text(b, "size"), QStringLiteral("30"));
        QCOMPARE(s.text(s.call(f, "getTextFormat", {0.0}), "size"), QStringLiteral("12"));
        s.call(vm.getMember(Value(vm.global), QStringLiteral("Selection")), "setFocus", {f});
        QVERIFY(!typeIntoFocusedField(vm, U'x'));
        QCOMPARE(s.text(f, "text"), QStringLiteral("ab"));
        s.set(f, "styleSheet", Undefined{});
        QVERIFY(typeIntoFocusedField(vm, U'x'));
    }

    // The caret blinks by the movie's clock, half a second on and half off, and shows
    // solid again after a key.
    void caretBlinksByTheMovieClock() {
        FieldStage s;
        const Value f = s.field();
        s.set(f, "type", QStringLiteral("input"));
        auto* field = static_cast<TextFieldObject*>(objectOf(f));
        s.call(s.vm().getMember(Value(s.vm().global), QStringLiteral("Selection")), "setFocus",
               {f});
        editFocusedField(s.vm(), TextEdit::MoveEnd);
        const auto caretShown = [&] { return field->drawnCursor && field->drawnCursor->showCaret; };
        QStringList seen; // one tick is 83 ms
        for (int tick = 0; tick < 13; ++tick) {
            s.stage.tick();
            seen << (caretShown() ? QStringLiteral("on") : QStringLiteral("off"));
        }
        QCOMPARE(seen.join(u' '), QStringLiteral("on on on on on on off off off off off off on"));
        for (int tick = 0; tick < 6; ++tick) // off again at 1577 ms
            s.stage.tick();
        QVERIFY(!caretShown());
        editFocusedField(s.vm(), TextEdit::MoveLeft);
        QVERIFY(field->cursor()->showCaret);
    }

    // SWF 6 and later find the properties on TextField.prototype; SWF 5 on the field.
    void propertiesLiveWhereTheVersionPutsThem() {
        FieldStage v8(8);
        Object* proto = objectOf(
            v8.vm().getMember(v8.vm().getMember(Value(v8.vm().global), QStringLiteral("TextField")),
                              QStringLiteral("prototype")));
        QVERIFY(proto->find(QStringLiteral("text")));
        QCOMPARE(v8.text(v8.field(), "text"), QStringLiteral("hi"));
        FieldStage v5(5);
        QCOMPARE(v5.text(v5.field(), "TEXT"), QStringLiteral("hi"));
        QCOMPARE(v5.text(v5.field(), "maxChars"), QStringLiteral("null"));
    }
};

QTEST_MAIN(TestTextField)
#include "test_text_field.moc"
