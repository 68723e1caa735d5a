#pragma once

#include "swf/script/text_input.h"

#include <QPointF>
#include <QString>

namespace reelcase::swf {

// One thing the user did, as the host hands it to the player. Positions are stage pixels
// (Player::stagePoint maps a widget position); key codes are the movie's (keycode::).
struct InputEvent {
    enum class Kind {
        MouseMove,
        MouseDown,
        MouseUp,
        MouseWheel,
        MouseLeave,
        KeyDown,
        KeyUp,
        TextInput,   // a typed character (codepoint)
        TextControl, // an editing command (control)
        FocusGained,
        FocusLost,
    };
    enum class Button { Left, Middle, Right };
    using Control = avm1::TextEdit;

    Kind kind = Kind::MouseMove;
    QPointF position;
    Button button = Button::Left;
    int wheelLines = 0;
    int keyCode = 0;
    char32_t codepoint = 0; // for KeyDown too: the character the key types, or 0
    Control control = Control::Enter;
};

// The movie's key code for a Qt key (Qt::Key), or 0 for keys movies cannot see.
int movieKeyCode(int qtKey, bool keypad = false);

} // namespace reelcase::swf
