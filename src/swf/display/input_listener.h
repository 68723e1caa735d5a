#pragma once

#include <QString>

#include <vector>

namespace reelcase::swf {

// An item a movie adds to the player's right-click menu (ContextMenuItem).
struct CustomMenuItem {
    QString caption;
    bool enabled = true;
    bool separatorBefore = false;
};

class TimelineInstance;
struct DisplayObject;

// What the scripts make of the user's input. The player tells it what happened; the
// script layer answers and runs the handlers.
class InputListener {
public:
    enum class Event { MouseDown, MouseUp, MouseMove, MouseWheel, KeyDown, KeyUp };
    virtual ~InputListener() = default;
    // The clip has pointer handlers (onPress, onRelease ...) and is enabled, so it takes
    // the pointer as a button does.
    virtual bool actsAsButton(TimelineInstance& clip) = 0;
    // The button's enabled, as scripts set it.
    virtual bool buttonEnabled(TimelineInstance& parent, DisplayObject& button) = 0;
    // The clip's or the button's useHandCursor.
    virtual bool showsHand(TimelineInstance& parent, DisplayObject& object) = 0;
    // A button or a clip acting as one went through a transition (transition:: bits): its
    // own actions for it run (a button's, or a clip's clip events), then its handler.
    virtual void pointerTransition(TimelineInstance& parent, DisplayObject& object,
                                   int transition) = 0;
    // Clip events and the Mouse and Key listeners; wheel lines for MouseWheel, the key-press
    // code (button.h) for KeyDown.
    virtual void inputEvent(Event event, int detail) = 0;
    // The right-click menu opens: the movie's menu hears onSelect, then its visible custom
    // items are listed; choosing one calls the item's onSelect.
    virtual std::vector<CustomMenuItem> openMenu() { return {}; }
    virtual void menuItemChosen(int index) { (void)index; }
};

} // namespace reelcase::swf
