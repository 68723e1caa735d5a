#pragma once

#include "swf/display/pointer_tracker.h"

namespace reelcase::swf {

struct DisplayObject;
struct PlayContext;

// Takes the pointer and the keys to the buttons on the stage: finds the topmost active
// button under the pointer, moves the buttons through their states and queues their
// actions on the context (the caller runs them). Each call returns whether it queued any.
class ButtonInput {
public:
    explicit ButtonInput(PlayContext& context)
        : m_context(context) {}
    void reset() {
        m_tracker.reset();
        m_focusHover = false;
    }
    // The pointer moved, or (pointerMoved false) the stage under it changed; context.input
    // holds the pointer. A button rolled over by the focus stays so until the pointer moves.
    bool moved(TimelineInstance* root, bool pointerMoved = true);
    // Tab moved the focus to target (a button, or none): it rolls over in place of the
    // pointer's choice.
    bool focusMoved(const PointerTarget& target);
    // The player lost the keyboard: what the focus rolled over rolls out. Whether it had.
    bool focusLost();
    bool pressed(TimelineInstance* root);
    bool released(TimelineInstance* root);
    // A key went down: buttons with a key-press condition for it run their actions.
    bool keyPressed(TimelineInstance* root, int keyCode, char32_t character);
    // The focused button pressed or released from the keyboard: its state and its own
    // actions for the transition, without the pointer (scripts hear of it apart).
    bool takeTransition(TimelineInstance& parent, DisplayObject& button, int transition);
    // The pointer is over an enabled button that shows the hand.
    bool showsHand() const;

private:
    PointerTarget targetAt(TimelineInstance* root) const;
    bool apply(const std::vector<PointerTransition>& transitions);

    PlayContext& m_context;
    PointerTracker m_tracker;
    bool m_focusHover = false;
};

// The display object a target stands for, or null once it has left the stage.
DisplayObject* resolveTarget(const PointerTarget& target);

} // namespace reelcase::swf
