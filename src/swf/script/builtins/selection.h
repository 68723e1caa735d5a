#pragma once

#include "swf/script/vm.h"

namespace reelcase::swf {
struct DisplayObject;
}

#include <QPointF>
#include <QRectF>

#include <optional>

#include <functional>

// Keyboard focus as scripts see it: the Selection object (selection.cpp).
namespace reelcase::swf::avm1::builtins {

void installSelection(Vm& vm);

// The object holding focus, null when none (or it left the stage).
Object* focusedObject(Vm& vm);
// Whether focus may go to the object: text fields, buttons, clips with focusEnabled or
// button handlers, on stage (hidden ones too).
bool canTakeFocus(Vm& vm, Object* target);
// Moves focus (null: none) and tells the old and new holders and Selection's listeners.
void moveFocus(Vm& vm, Object* target);
// A click at a stage point (pixels): a selectable text field there takes focus with the
// caret at the click; elsewhere a focused field loses it.
void focusAtPointer(Vm& vm, QPointF stage);
// The wheel scrolls the topmost field under the pointer (stage pixels) that takes it, by
// lines (positive: up).
void scrollFieldAtPointer(Vm& vm, QPointF stage, int lines);
// An object about to leave the stage: focus held by it or inside it goes (scripts hear).
void focusLeaving(Vm& vm, const DisplayObject& object);
// A key went down or up: the focused clip or button hears onKeyDown or onKeyUp, unless
// the mouse moved since the focus last did.
void keyToFocus(Vm& vm, bool down);
// Enter or Space on the focused clip or button: it hears onPress, then onRelease. A button
// runs its own transition before each (buttonTransition(false) to press, true to release).
// Nothing is pressed while the object's focus rectangle is turned off or the mouse has
// the keys.
void pressFocused(Vm& vm, const std::function<void(bool release)>& buttonTransition);
// Tab and Shift+Tab: focus goes to the next object in tab order (tabIndex when any object
// has one, else reading order), wrapping around.
void moveTabFocus(Vm& vm, bool backwards);
// Where the yellow rectangle goes (stage twips): around the button or clip that Tab gave
// focus to, unless _focusrect turns it off; none after a click or for a text field.
std::optional<QRectF> focusRectangle(Vm& vm);
// A click, a mouse move or the player losing the keyboard hides the rectangle until the
// next Tab.
void hideFocusRectangle(Vm& vm);
// The mouse moved: it hides the rectangle and takes the keys from the focused clip or
// button until the focus moves again.
void mouseTakesKeys(Vm& vm);
// Draws the focused text field's selection and caret as they now are, and the field that
// lost focus without them.
void showFocus(Vm& vm);
// Where Tab (or Shift+Tab) would move the focus, null when nowhere.
Object* nextTabStop(Vm& vm, bool backwards);

} // namespace reelcase::swf::avm1::builtins
