#include "swf/player/input_event.h"
#include "swf/player/player.h"
#include "swf/player/player_state.h"
#include "swf/script/builtins/selection.h"
#include "swf/script/text_input.h"
#include "swf/script/vm.h"

namespace reelcase::swf {

bool Player::focusKey(const InputEvent& event) {
    State& s = *m_state;
    if (!s.scripts || !s.context.input.focused)
        return false;
    const bool down = event.kind == InputEvent::Kind::KeyDown;
    try {
        if (event.keyCode == keycode::Tab) {
            if (down)
                avm1::builtins::moveTabFocus(s.scripts->vm(),
                                             s.context.input.keysDown.test(keycode::Shift));
        } else {
            avm1::builtins::keyToFocus(s.scripts->vm(), down, event.keyCode);
        }
    } catch (avm1::ScriptThrow&) {
    } catch (avm1::ScriptAbort&) {
    }
    return true;
}

void Player::focusPointerDown() {
    State& s = *m_state;
    if (!s.scripts)
        return;
    try {
        avm1::builtins::focusAtPointer(s.scripts->vm(), s.context.input.pointer);
    } catch (avm1::ScriptThrow&) {
    } catch (avm1::ScriptAbort&) {
    }
}

bool Player::focusTextInput(const InputEvent& event) {
    State& s = *m_state;
    if (!s.scripts)
        return false;
    avm1::Vm& vm = s.scripts->vm();
    if (event.kind == InputEvent::Kind::TextInput)
        return avm1::typeIntoFocusedField(vm, event.codepoint);
    return avm1::editFocusedField(vm, event.control);
}

} // namespace reelcase::swf
