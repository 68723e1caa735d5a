#pragma once

#include <QPointF>
#include <QTransform>

#include <bitset>

namespace reelcase::swf {

// What the user is doing with the pointer and the keyboard, as the movie sees it. The
// player keeps it current; scripts read it (Key.isDown, _xmouse, Mouse listeners).
struct InputState {
    QPointF pointer; // stage pixels
    // Stage twips to the pixels of the picture the pointer was read from (the zoom):
    // clips read _xmouse through it, as the player works in device pixels.
    QTransform stageToDevice = QTransform::fromScale(1.0 / 20, 1.0 / 20);
    bool pointerInside = false; // over the player since the last move
    bool primaryDown = false;
    std::bitset<256> keysDown; // by key code
    // Flipped by every press of the key (mouse buttons count as keys 1, 2 and 4), as the
    // platform's toggle state: Key.isToggled().
    std::bitset<256> keysToggled;
    int lastKeyCode = 0;  // Key.getCode()
    int lastCharCode = 0; // Key.getAscii()
    bool focused = false; // keys reach the movie only while it has the focus
    // While the scripts of a click or key press run: what they open counts as the user's.
    bool userInitiated = false;
    bool pointerHidden = false; // Mouse.hide()
};

// Key codes as movies know them (the codes of the platform the format was made on).
namespace keycode {
enum : int {
    Backspace = 8,
    Tab = 9,
    Enter = 13,
    Shift = 16,
    Control = 17,
    Alt = 18,
    CapsLock = 20,
    Escape = 27,
    Space = 32,
    PageUp = 33,
    PageDown = 34,
    End = 35,
    Home = 36,
    Left = 37,
    Up = 38,
    Right = 39,
    Down = 40,
    Insert = 45,
    Delete = 46,
    Digit0 = 48,  // to 57
    A = 65,       // to 90
    Numpad0 = 96, // to 105
    NumpadMultiply = 106,
    NumpadAdd = 107,
    NumpadSubtract = 109,
    NumpadDecimal = 110,
    NumpadDivide = 111,
    F1 = 112, // to F12 = 123
    Semicolon = 186,
    Equals = 187,
    Comma = 188,
    Minus = 189,
    Period = 190,
    Slash = 191,
    Backquote = 192,
    LeftBracket = 219,
    Backslash = 220,
    RightBracket = 221,
    Quote = 222,
};
} // namespace keycode

} // namespace reelcase::swf
