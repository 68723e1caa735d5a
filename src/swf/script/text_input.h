#pragma once

#include <QChar>
#include <QString>

#include <optional>

// Keyboard input into the focused text field: typing, editing keys, the clipboard.
namespace reelcase::swf::avm1 {

class Vm;

// An editing command; the player's input events carry these too.
enum class TextEdit {
    Copy,
    Cut,
    Paste,
    SelectAll,
    Enter,
    Backspace,
    Delete,
    MoveLeft,
    MoveRight,
    MoveHome,
    MoveEnd,
};

// A typed character goes into the focused input field; false when no field took it.
bool typeIntoFocusedField(Vm& vm, char32_t codepoint);
// An editing command on the focused field (copying works in selectable dynamic fields too).
bool editFocusedField(Vm& vm, TextEdit edit);

// The character restrict lets through for c: c, else c in the other case, else nothing.
// restrict: characters, ranges "a-z", "^" switching to characters kept out, "\" escaping.
std::optional<QChar> restrictedChar(const QString& restrict, QChar c);

} // namespace reelcase::swf::avm1
