// Recorded events as the player takes them: key names and characters become the movie's
// key codes.
#include "swfhost/recorded_input.h"

#include "swf/display/input_state.h"
#include "swf/player/input_event.h"

#include <QHash>

namespace reelcase::swfhost {

namespace {

int namedKeyCode(const QString& name) {
    static const QHash<QString, int> codes = [] {
        using namespace swf::keycode;
        QHash<QString, int> c{
            {"Backspace", Backspace}, {"Tab", Tab},
            {"Enter", Enter},         {"LeftShift", Shift},
            {"RightShift", Shift},    {"Shift", Shift},
            {"LeftControl", Control}, {"RightControl", Control},
            {"Control", Control},     {"LeftAlt", Alt},
            {"RightAlt", Alt},        {"Alt", Alt},
            {"CapsLock", CapsLock},   {"Escape", Escape},
            {"Space", Space},         {"PageUp", PageUp},
            {"PageDown", PageDown},   {"End", End},
            {"Home", Home},           {"ArrowLeft", Left},
            {"ArrowUp", Up},          {"ArrowRight", Right},
            {"ArrowDown", Down},      {"Insert", Insert},
            {"Delete", Delete},
        };
        for (int i = 1; i <= 12; ++i)
            c.insert(QStringLiteral("F%1").arg(i), F1 + i - 1);
        return c;
    }();
    return codes.value(name, 0);
}

// The key that types character c on the usual layout.
int characterKeyCode(char32_t c) {
    using namespace swf::keycode;
    if (c >= 'a' && c <= 'z')
        return A + static_cast<int>(c - 'a');
    if (c >= 'A' && c <= 'Z')
        return A + static_cast<int>(c - 'A');
    if (c >= '0' && c <= '9')
        return Digit0 + static_cast<int>(c - '0');
    switch (c) {
    case ' ':
        return Space;
    case ';':
    case ':':
        return Semicolon;
    case '=':
    case '+':
        return Equals;
    case ',':
    case '<':
        return Comma;
    case '-':
    case '_':
        return Minus;
    case '.':
    case '>':
        return Period;
    case '/':
    case '?':
        return Slash;
    case '`':
    case '~':
        return Backquote;
    case '[':
    case '{':
        return LeftBracket;
    case '\\':
    case '|':
        return Backslash;
    case ']':
    case '}':
        return RightBracket;
    case '\'':
    case '"':
        return Quote;
    default:
        return 0;
    }
}

std::optional<swf::InputEvent::Control> textControl(const QString& code) {
    using Control = swf::InputEvent::Control;
    static const QHash<QString, Control> controls{
        {"Copy", Control::Copy},           {"Cut", Control::Cut},
        {"Paste", Control::Paste},         {"SelectAll", Control::SelectAll},
        {"Enter", Control::Enter},         {"Backspace", Control::Backspace},
        {"Delete", Control::Delete},       {"MoveLeft", Control::MoveLeft},
        {"MoveRight", Control::MoveRight}, {"MoveLineStart", Control::MoveHome},
        {"MoveLineEnd", Control::MoveEnd},
    };
    const auto it = controls.find(code);
    if (it == controls.end())
        return std::nullopt;
    return *it;
}

} // namespace

std::optional<swf::InputEvent> playerEvent(const InputEvent& recorded) {
    using Type = InputEvent::Type;
    using Kind = swf::InputEvent::Kind;
    swf::InputEvent event;
    event.position = recorded.pos;
    switch (recorded.button) {
    case InputEvent::Button::Middle:
        event.button = swf::InputEvent::Button::Middle;
        break;
    case InputEvent::Button::Right:
        event.button = swf::InputEvent::Button::Right;
        break;
    default:
        event.button = swf::InputEvent::Button::Left;
        break;
    }
    switch (recorded.type) {
    case Type::MouseMove:
        event.kind = Kind::MouseMove;
        return event;
    case Type::MouseDown:
        event.kind = Kind::MouseDown;
        return event;
    case Type::MouseUp:
        event.kind = Kind::MouseUp;
        return event;
    case Type::MouseWheel:
        event.kind = Kind::MouseWheel;
        event.wheelLines = static_cast<int>(recorded.lines);
        return event;
    case Type::KeyDown:
    case Type::KeyUp: {
        event.kind = recorded.type == Type::KeyDown ? Kind::KeyDown : Kind::KeyUp;
        const char32_t c = recorded.key.isEmpty() ? 0 : recorded.key.toUcs4().value(0);
        switch (recorded.keyKind) {
        case InputEvent::KeyKind::Named:
            event.keyCode = namedKeyCode(recorded.key);
            if (event.keyCode == swf::keycode::Space)
                event.codepoint = ' ';
            else if (event.keyCode == swf::keycode::Enter)
                event.codepoint = '\r';
            break;
        case InputEvent::KeyKind::Char:
            event.keyCode = characterKeyCode(c);
            event.codepoint = c;
            break;
        case InputEvent::KeyKind::Numpad:
            if (c >= '0' && c <= '9')
                event.keyCode = swf::keycode::Numpad0 + static_cast<int>(c - '0');
            event.codepoint = c;
            break;
        }
        if (event.keyCode == 0)
            return std::nullopt;
        return event;
    }
    case Type::TextInput:
        event.kind = Kind::TextInput;
        event.codepoint = recorded.codepoint;
        return event;
    case Type::TextControl:
        if (const auto control = textControl(recorded.text)) {
            event.kind = Kind::TextControl;
            event.control = *control;
            return event;
        }
        return std::nullopt;
    case Type::FocusGained:
        event.kind = Kind::FocusGained;
        return event;
    case Type::FocusLost:
        event.kind = Kind::FocusLost;
        return event;
    case Type::SetClipboardText:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace reelcase::swfhost
