#pragma once

#include "swf/format/character.h"

namespace reelcase::swf {

class TimelineInstance;

// Draws a timeline's display list: each object under its matrix and colour transform,
// masks (clip depth) cutting out the depths they cover, blend modes (offscreen layers where
// a group must be composited as one; see render_layer.h).
// matrix maps the timeline's twips to device pixels.
void renderTimeline(const TimelineInstance& timeline, QPainter& painter, const QTransform& matrix,
                    const ColorTransform& cxform, const RenderContext& context, int nesting = 0);

} // namespace reelcase::swf
