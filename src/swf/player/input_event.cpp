#include "swf/player/input_event.h"

#include "swf/display/input_state.h"

#include <Qt>

namespace reelcase::swf {

int movieKeyCode(int qtKey, bool keypad) {
    if (keypad && qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keycode::Numpad0 + (qtKey - Qt::Key_0);
    if (keypad) {
        switch (qtKey) {
        case Qt::Key_Asterisk:
            return keycode::NumpadMultiply;
        case Qt::Key_Plus:
            return keycode::NumpadAdd;
        case Qt::Key_Minus:
            return keycode::NumpadSubtract;
        case Qt::Key_Period:
            return keycode::NumpadDecimal;
        case Qt::Key_Slash:
            return keycode::NumpadDivide;
        default:
            break;
        }
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keycode::Digit0 + (qtKey - Qt::Key_0);
    // Shifted digits on the usual layout keep their key's code.
    static constexpr int shiftedDigits[] = {
        Qt::Key_ParenRight, Qt::Key_Exclam,   Qt::Key_At,          Qt::Key_NumberSign,
        Qt::Key_Dollar,     Qt::Key_Percent,  Qt::Key_AsciiCircum, Qt::Key_Ampersand,
        Qt::Key_Asterisk,   Qt::Key_ParenLeft};
    for (int digit = 0; digit < 10; ++digit) {
        if (qtKey == shiftedDigits[digit])
            return keycode::Digit0 + digit;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return keycode::A + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return keycode::F1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return keycode::Backspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return keycode::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return keycode::Enter;
    case Qt::Key_Shift:
        return keycode::Shift;
    case Qt::Key_Control:
        return keycode::Control;
    case Qt::Key_Alt:
        return keycode::Alt;
    case Qt::Key_CapsLock:
        return keycode::CapsLock;
    case Qt::Key_Escape:
        return keycode::Escape;
    case Qt::Key_Space:
        return keycode::Space;
    case Qt::Key_PageUp:
        return keycode::PageUp;
    case Qt::Key_PageDown:
        return keycode::PageDown;
    case Qt::Key_End:
        return keycode::End;
    case Qt::Key_Home:
        return keycode::Home;
    case Qt::Key_Left:
        return keycode::Left;
    case Qt::Key_Up:
        return keycode::Up;
    case Qt::Key_Right:
        return keycode::Right;
    case Qt::Key_Down:
        return keycode::Down;
    case Qt::Key_Insert:
        return keycode::Insert;
    case Qt::Key_Delete:
        return keycode::Delete;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return keycode::Semicolon;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return keycode::Equals;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return keycode::Comma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return keycode::Minus;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return keycode::Period;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return keycode::Slash;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return keycode::Backquote;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return keycode::LeftBracket;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return keycode::Backslash;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return keycode::RightBracket;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return keycode::Quote;
    default:
        return 0;
    }
}

} // namespace reelcase::swf
