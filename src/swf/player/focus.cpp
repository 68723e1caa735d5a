#include "swf/player/input_event.h"
#include "swf/player/player.h"
#include "swf/player/player_state.h"
#include "swf/script/builtins/selection.h"
#include "swf/script/text_input.h"
#include "swf/script/vm.h"

namespace reelcase::swf {

bool Player::focusKeyDown(const InputEvent& event) {
    State& s = *m_state;
    if (!s.scripts || event.keyCode != keycode::Tab)
        return false;
    const bool backwards = s.context.input.keysDown.test(keycode::Shift);
    try {
        avm1::builtins::moveTabFocus(s.scripts->vm(), backwards);
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
