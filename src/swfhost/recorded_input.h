#pragma once

#include "swf/player/input_event.h"

#include <QByteArray>
#include <QPointF>
#include <QString>

#include <optional>
#include <vector>

namespace reelcase::swfhost {

// One recorded mouse, keyboard or focus event.
struct InputEvent {
    enum class Type {
        MouseMove,
        MouseDown,
        MouseUp,
        MouseWheel,
        KeyDown,
        KeyUp,
        TextInput,
        TextControl,
        SetClipboardText,
        FocusGained,
        FocusLost,
    };
    enum class Button { None, Left, Middle, Right };
    enum class KeyKind { Named, Char, Numpad };

    Type type = Type::MouseMove;
    QPointF pos;                      // mouse events, in stage pixels
    Button button = Button::None;     // MouseDown, MouseUp (MouseMove while dragging)
    double lines = 0;                 // MouseWheel
    KeyKind keyKind = KeyKind::Named; // KeyDown, KeyUp
    QString key;                      // "Tab", "ArrowLeft" ... or the character
    char32_t codepoint = 0;           // TextInput
    QString text;                     // TextControl's code, SetClipboardText's text
};

// A recording split where it says "Wait": batch k is delivered once k + 1 frames have run
// (the movie's first frame sets up its listeners before any event arrives).
struct RecordedInput {
    std::vector<std::vector<InputEvent>> batches;
    int eventCount() const;
};

// Parses a recording (a JSON list of events). Null with error set on anything malformed:
// an unknown event, a missing or mistyped field, more events than a recording holds.
std::optional<RecordedInput> parseRecordedInput(const QByteArray& json, QString* error);

} // namespace reelcase::swfhost

namespace reelcase::swfhost {

// The player's event for a recorded one, or nothing for events the player does not take
// (the clipboard, unknown keys).
std::optional<swf::InputEvent> playerEvent(const InputEvent& recorded);

} // namespace reelcase::swfhost
