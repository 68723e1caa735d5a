#pragma once

#include "swf/format/character.h"
#include "swf/format/filters.h"
#include "swf/format/timeline_def.h"

namespace reelcase::swf {

class TimelineInstance;
struct DisplayObject;

// Draws a timeline's display list: each object under its matrix and colour transform,
// masks (clip depth) cutting out the depths they cover, blend modes (offscreen layers where
// a group must be composited as one; see render_layer.h).
// matrix maps the timeline's twips to device pixels.
// cull: when given, objects whose device bounds miss it are skipped (the painter is clipped
// to it, so they could not show).
void renderTimeline(const TimelineInstance& timeline, QPainter& painter, const QTransform& matrix,
                    const ColorTransform& cxform, const RenderContext& context, int nesting = 0,
                    const QRectF* cull = nullptr);

// Device bounds of what an object draws (sprites: their children's), with a margin for
// lines kept at least a pixel wide and for anti-aliasing. An object that cannot tell its
// bounds covers everything.
QRectF deviceBounds(const DisplayObject& object, const QTransform& matrix,
                    const RenderContext& context, int nesting);

// The area an object covers in device pixels, for masking.
QPainterPath maskPath(const DisplayObject& object, const QTransform& matrix,
                      const RenderContext& context, int nesting);

// The object's filters, or null when it has none.
const FilterList* filtersOf(const DisplayObject& object);

// The mask a script gave the object (null: none, or gone), with maskMatrix set to map the
// mask's twips to device pixels; owner is the object's parent and matrix maps its twips.
const DisplayObject* scriptMaskOf(const DisplayObject& object, const TimelineInstance& owner,
                                  const QTransform& matrix, QTransform& maskMatrix);

// Blend modes that act on the whole layer they are drawn into, beyond their own bounds.
bool actsOnWholeLayer(BlendMode mode);

} // namespace reelcase::swf
