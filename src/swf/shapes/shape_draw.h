#pragma once

#include "swf/format/character.h"
#include "swf/shapes/shape_paths.h"

namespace reelcase::swf {

// Draws built shape paths with their styles: fills in style order, each layer's strokes
// after its fills. Lines never get thinner than one device pixel.
void drawShapePaths(const DrawArgs& args, const std::vector<StyleSet>& styleSets,
                    const ShapePaths& paths);

// How far a shape's strokes can paint past its edges: in twips for lines that scale with
// the shape, in stage twips for lines that keep their width.
struct StrokeReach {
    double scaled = 0;
    double fixed = 0;
};
StrokeReach strokeReach(const std::vector<StyleSet>& styleSets);
// The control-point bounds of a shape's fills and strokes, in twips.
QRectF pathBounds(const ShapePaths& paths);
// The device area a shape of those bounds and reach paints into.
QRectF paintedShapeArea(const QRectF& bounds, const StrokeReach& reach, const QTransform& toDevice,
                        double stageScale);

// The union of a shape's filled areas, in twips (for masks).
QPainterPath shapeOutline(const ShapePaths& paths);
// Whether the point (twips) lies on one of the strokes, half their width either side.
bool strokesHold(const ShapePaths& paths, const std::vector<StyleSet>& styleSets, QPointF point);

// The union of two areas; large ones are only overlaid (winding), which is exact unless
// their contours run in opposite directions where they overlap.
QPainterPath unite(const QPainterPath& a, const QPainterPath& b);

} // namespace reelcase::swf
