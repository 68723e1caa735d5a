#pragma once

#include "swf/character.h"

namespace reelcase::swf {

class TimelineInstance;

// Draws a timeline's display list: each object under its matrix and colour transform,
// masks (clip depth) clipping the depths they cover, blend modes where Qt has them.
// matrix maps the timeline's twips to device pixels.
void renderTimeline(const TimelineInstance& timeline, QPainter& painter, const QTransform& matrix,
                    const ColorTransform& cxform, const RenderContext& context, int nesting = 0);

} // namespace reelcase::swf
