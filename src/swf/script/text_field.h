#pragma once

#include "swf/script/clip_object.h"
#include "swf/text/edit_text.h"
#include "swf/text/rich_text.h"

#include <span>

namespace reelcase::swf::avm1 {

// A text field on a display list: its text with formats, its settings and what the user
// does with it (scroll, selection). Every change is drawn: the field's display object gets
// a character made from this state.
class TextFieldObject : public DisplayHandle {
public:
    using DisplayHandle::DisplayHandle;
    Kind kind() const override { return Kind::TextField; }
    bool getNative(Vm& vm, const QString& name, Value& out) override;
    bool setNative(Vm& vm, const QString& name, const Value& value) override;
    void markChildren(Heap& heap) override;

    // Takes the tag's settings and initial text.
    void initFrom(const EditText& def);
    // Text as a script sets it: plain in the new-text format, or HTML when the field is one.
    void setText(Vm& vm, const QString& text, bool asHtml);
    // HTML read with the field's style sheet.
    RichText parseHtml(Vm& vm, const QString& html) const;
    // The user may type into it: an input field without a style sheet.
    bool typable() const;
    // Replaces [begin, end) and moves the caret after the new text.
    void replace(Vm& vm, int begin, int end, const QString& text, const CharFormat& format);
    // An auto-sized field's box follows its text (left, centre or right edge kept).
    void fitToText();
    // Draws the current state and writes the bound variable.
    void changed(Vm& vm, bool textChanged = true);
    void findNamedFonts(const Movie* movie);
    // The text laid out in the field's box, in twips.
    TextLayout layout() const;
    int visibleLines() const;
    int maxScroll() const;
    // What the field shows of its selection: none unless it has focus.
    std::optional<TextCursor> cursor() const;
    // The caret shows solid from now (a key, a click, the focus coming), then blinks.
    void restartCaret(Vm& vm);
    // Turns the caret on or off by the movie's clock: half a second each.
    void blinkCaret(Vm& vm);
    // The bound variable's value shown as text, when it changed.
    void pullVariable(Vm& vm);

    EditTextSettings settings;
    RichText rich;
    CharFormat newFormat;
    bool input = false;
    bool condenseWhite = false;
    bool mouseWheelEnabled = true;
    bool hasRestrict = false;
    QString restrict;
    QString autoSize = QStringLiteral("none");
    int scroll = 1; // first line shown, 1-based
    int hscroll = 0;
    int selectionBegin = 0;
    int selectionEnd = 0;
    Value tabIndex;
    Value styleSheet;
    QString shownVariableText; // what the variable held when last shown
    bool variableShown = false;
    bool showsFocus = false;               // drawn as the focused field
    std::optional<TextCursor> drawnCursor; // what the drawn character shows
    qint64 caretSince = 0;                 // movie time the caret last came back on
    bool caretOn = true;
};

// One of a text field's properties. SWF 6 and later reach them through accessors on
// TextField.prototype; earlier movies find them on the field itself.
struct TextFieldProperty {
    const char* name;
    Value (*get)(Vm& vm, TextFieldObject& field);
    void (*set)(Vm& vm, TextFieldObject& field, const Value& value); // null: read-only
    int since = 6; // the SWF version whose prototype has it as an accessor
};
// In the order the prototype defines them.
std::span<const TextFieldProperty> textFieldProperties();

bool textFieldProperty(Vm& vm, TextFieldObject& field, const QString& name, Value& out);
bool setTextFieldProperty(Vm& vm, TextFieldObject& field, const QString& name, const Value& value);

// The text fields' variables, shown again once a frame's scripts have run.
void updateBoundTextFields(Vm& vm);

} // namespace reelcase::swf::avm1
