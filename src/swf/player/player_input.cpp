#include "swf/player/input_event.h"
#include "swf/player/player.h"
#include "swf/player/player_state.h"

#include "swf/display/button.h"
#include "swf/script/builtins/selection.h"
#include "swf/script/script_runtime.h"

#include <utility>

namespace reelcase::swf {

void Player::handleInput(const InputEvent& event) {
    State& s = *m_state;
    InputState& input = s.context.input;
    TimelineInstance* root = s.root.get();
    using Kind = InputEvent::Kind;
    using Event = InputListener::Event;
    bool queued = false;
    bool byUser = false;
    // Clip events and listeners hear of it first, then the buttons.
    auto tellScripts = [&](Event e, int detail = 0) {
        if (!s.scripts || !s.inputScripts || !root)
            return;
        using Script = ScriptRuntime::InputKind;
        switch (e) {
        case Event::MouseMove:
            s.scripts->input(Script::MouseMove);
            break;
        case Event::MouseDown:
            s.scripts->input(Script::MouseDown);
            break;
        case Event::MouseUp:
            s.scripts->input(Script::MouseUp);
            break;
        case Event::KeyDown:
        case Event::KeyUp:
            if (!input.focused) // keys reach the movie only while it has the focus
                return;
            s.scripts->input(e == Event::KeyDown ? Script::KeyDown : Script::KeyUp);
            break;
        case Event::MouseWheel:
            break;
        }
        s.inputScripts->inputEvent(e, detail);
        queued = true;
    };
    switch (event.kind) {
    case Kind::MouseMove: {
        const bool pointerMoved = !input.pointerInside || input.pointer != event.position;
        input.pointer = event.position;
        input.pointerInside = true;
        s.context.drag.follow(input);
        if (s.scripts)
            avm1::builtins::mouseTakesKeys(s.scripts->vm());
        tellScripts(Event::MouseMove);
        queued |= s.buttons.moved(root, pointerMoved);
        break;
    } break;
    case Kind::MouseLeave:
        input.pointerInside = false;
        queued = s.buttons.moved(root);
        break;
    case Kind::MouseDown:
    case Kind::MouseUp:
        input.pointer = event.position;
        input.pointerInside = true;
        if (event.button != InputEvent::Button::Left) {
            queued = s.buttons.moved(root);
            break;
        }
        input.primaryDown = event.kind == Kind::MouseDown;
        if (input.primaryDown)
            input.keysToggled.flip(1);
        byUser = true;
        input.userInitiated = true;
        tellScripts(input.primaryDown ? Event::MouseDown : Event::MouseUp);
        // The focus moves before the press is heard.
        if (input.primaryDown)
            focusPointerDown();
        queued |= input.primaryDown ? s.buttons.pressed(root) : s.buttons.released(root);
        break;
    case Kind::KeyDown:
    case Kind::KeyUp:
        if (event.keyCode > 0 && event.keyCode < static_cast<int>(input.keysDown.size()))
            input.keysDown.set(static_cast<std::size_t>(event.keyCode),
                               event.kind == Kind::KeyDown);
        byUser = true;
        input.userInitiated = true;
        if (event.kind == Kind::KeyDown) {
            if (event.keyCode > 0 && event.keyCode < static_cast<int>(input.keysToggled.size()))
                input.keysToggled.flip(static_cast<std::size_t>(event.keyCode));
            input.lastKeyCode = event.keyCode;
            input.lastCharCode = static_cast<int>(event.codepoint);
            queued |= focusHearsKey(event);
            tellScripts(Event::KeyDown, buttonKeyCode(event.keyCode, event.codepoint));
            const bool taken = s.buttons.keyPressed(root, event.keyCode, event.codepoint);
            s.keyTakenByButton = taken;
            queued |= taken;
            queued |= focusKey(event, taken);
        } else {
            queued |= focusHearsKey(event);
            tellScripts(Event::KeyUp);
        }
        break;
    case Kind::FocusGained:
        input.focused = true;
        break;
    case Kind::FocusLost:
        // Keys held while the focus leaves would otherwise stay down for ever.
        input.focused = false;
        input.keysDown.reset();
        if (s.scripts)
            avm1::builtins::hideFocusRectangle(s.scripts->vm());
        // What Tab rolled over rolls out and gives up the focus.
        if (s.buttons.focusLost()) {
            queued = true;
            focusDropped();
        }
        break;
    case Kind::MouseWheel:
        tellScripts(Event::MouseWheel, event.wheelLines);
        if (s.scripts && input.pointerInside)
            avm1::builtins::scrollFieldAtPointer(s.scripts->vm(), input.pointer, event.wheelLines);
        break;
    case Kind::TextInput:
    case Kind::TextControl:
        if (std::exchange(s.keyTakenByButton, false))
            break;
        byUser = true;
        queued = focusTextInput(event);
        break;
    }
    if (queued)
        s.runInputActions(byUser);
    input.userInitiated = false;
}

std::vector<CustomMenuItem> Player::openContextMenu() {
    State& s = *m_state;
    if (!s.inputScripts)
        return {};
    std::vector<CustomMenuItem> items = s.inputScripts->openMenu();
    s.runInputActions(false);
    return items;
}

void Player::chooseContextMenuItem(int index) {
    State& s = *m_state;
    if (!s.inputScripts)
        return;
    s.context.input.userInitiated = true; // a choice the user made, as a click is
    s.inputScripts->menuItemChosen(index);
    s.runInputActions(true);
}

bool Player::showsHandCursor() const {
    return m_state->buttons.showsHand();
}

} // namespace reelcase::swf
