#pragma once

#include "swf/format/character.h"
#include "swf/shapes/shape_paths.h"

namespace reelcase::swf {

// Draws built shape paths with their styles: fills in style order, each layer's strokes
// after its fills. Lines never get thinner than one device pixel.
void drawShapePaths(const DrawArgs& args, const std::vector<StyleSet>& styleSets,
                    const ShapePaths& paths);

// The union of a shape's filled areas, in twips (for masks).
QPainterPath shapeOutline(const ShapePaths& paths);

// The union of two areas; large ones are only overlaid (winding), which is exact unless
// their contours run in opposite directions where they overlap.
QPainterPath unite(const QPainterPath& a, const QPainterPath& b);

} // namespace reelcase::swf
