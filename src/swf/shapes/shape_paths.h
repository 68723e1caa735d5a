#pragma once

#include "swf/shapes/shape_records.h"

#include <QPainterPath>

#include <vector>

namespace reelcase::swf {

// One fill style's area within a layer.
struct FillPath {
    int style = 0;     // index into the layer's StyleSet::fills
    QPainterPath path; // closed contours, twips
    // Edges this fill shares with a fill drawn after it. Anti-aliasing both fills on their
    // own lets the background show through along such edges; stroking them one pixel wide
    // in this fill's paint first leaves nothing for the later fill to let through.
    QPainterPath sharedEdges;
};

struct StrokePath {
    int style = 0; // index into the layer's StyleSet::lines
    QPainterPath path;
};

// A group of fills and strokes that share one StyleSet; fills draw in style order, then
// the strokes, then the next layer.
struct ShapeLayer {
    int styleSet = 0;
    std::vector<FillPath> fills;
    std::vector<StrokePath> strokes;
};

struct ShapePaths {
    std::vector<ShapeLayer> layers;
};

// Turns shape records into paths: for each fill style its fill1 edges as they are and its
// fill0 edges reversed, linked end to start into contours. Built once per shape.
ShapePaths buildShapePaths(const ShapeData& data, Qt::FillRule rule);

} // namespace reelcase::swf
