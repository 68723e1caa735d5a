#include "swf/display/button.h"
#include "swf/player/input_event.h"
#include "swf/player/player.h"
#include "swf/player/player_state.h"
#include "swf/script/builtins/selection.h"
#include "swf/script/clip_object.h"
#include "swf/script/input_scripts.h"
#include "swf/script/text_input.h"
#include "swf/script/vm.h"

namespace reelcase::swf {

bool Player::focusHearsKey(const InputEvent& event) {
    State& s = *m_state;
    if (!s.scripts || !s.context.input.focused)
        return false;
    try {
        avm1::builtins::keyToFocus(s.scripts->vm(), event.kind == InputEvent::Kind::KeyDown);
    } catch (avm1::ScriptThrow&) {
    } catch (avm1::ScriptAbort&) {
    }
    return true;
}

bool Player::focusKey(const InputEvent& event, bool keyTaken) {
    State& s = *m_state;
    if (!s.scripts || !s.context.input.focused || event.kind != InputEvent::Kind::KeyDown)
        return false;
    avm1::Vm& vm = s.scripts->vm();
    // A real button goes through its own press and release, actions and all.
    auto buttonTransition = [&](bool release) {
        auto* handle = dynamic_cast<avm1::DisplayHandle*>(avm1::builtins::focusedObject(vm));
        TimelineInstance* parent = nullptr;
        DisplayObject* o = handle ? handle->entry(&parent) : nullptr;
        const int t = release ? transition::OverDownToOverUp : transition::OverUpToOverDown;
        if (o && parent && s.buttons.takeTransition(*parent, *o, t))
            s.runInputActions(true);
    };
    try {
        if (event.keyCode == keycode::Tab) {
            const bool backwards = s.context.input.keysDown.test(keycode::Shift);
            avm1::Object* next = avm1::builtins::nextTabStop(vm, backwards);
            if (!next)
                return true;
            // A focused button, or clip acting as one, shows itself rolled over; focus
            // elsewhere rolls it out.
            PointerTarget target;
            auto* handle = dynamic_cast<avm1::DisplayHandle*>(next);
            TimelineInstance* parent = nullptr;
            DisplayObject* o = handle ? handle->entry(&parent) : nullptr;
            if (o && o->button && parent)
                target = {o->id, parent->weak_from_this(), o->button->trackAsMenu};
            else if (o && o->sprite && parent && s.inputScripts &&
                     s.inputScripts->actsAsButton(*o->sprite))
                target = {o->id, parent->weak_from_this(), false};
            if (s.buttons.focusMoved(target))
                s.runInputActions(true);
            // Found again: the rollover's scripts may have changed the stage.
            avm1::builtins::moveTabFocus(vm, backwards);
        } else if ((event.keyCode == keycode::Enter || event.keyCode == keycode::Space) &&
                   !keyTaken)
            avm1::builtins::pressFocused(vm, buttonTransition);
    } catch (avm1::ScriptThrow&) {
    } catch (avm1::ScriptAbort&) {
    }
    return true;
}

void Player::focusDropped() {
    State& s = *m_state;
    if (!s.scripts)
        return;
    try {
        avm1::builtins::moveFocus(s.scripts->vm(), nullptr);
    } catch (avm1::ScriptThrow&) {
    } catch (avm1::ScriptAbort&) {
    }
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
