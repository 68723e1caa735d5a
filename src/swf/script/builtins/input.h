#pragma once

#include "swf/script/vm.h"

#include <QPointF>
#include <QRectF>

#include <optional>

// The pointer and the keys as scripts see them (input.cpp).
namespace reelcase::swf::avm1::builtins {

void installInput(Vm& vm);       // Key.isDown/getCode/getAscii, Mouse.hide/show, startDrag/stopDrag
void installDrawing(Vm& vm);     // moveTo, lineTo ... on clips (drawing.cpp)
void installContextMenu(Vm& vm); // ContextMenu, ContextMenuItem (context_menu.cpp)
// startDrag: bounds in the parent's pixels.
void startDragging(Vm& vm, TimelineInstance& clip, bool lockCentre, std::optional<QRectF> bounds);
// stopDrag: the dragged clip's _droptarget becomes the clip under the pointer.
void stopDragging(Vm& vm);
// hitTest(x, y, true): the stage point (pixels) against the clip's shapes.
bool hitsShapes(Vm& vm, TimelineInstance& clip, QPointF stage);
// _xmouse and _ymouse.
QPointF pointerIn(Vm& vm, TimelineInstance& clip);

} // namespace reelcase::swf::avm1::builtins
