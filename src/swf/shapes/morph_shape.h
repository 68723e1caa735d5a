#pragma once

#include "swf/format/character.h"
#include "swf/shapes/shape_draw.h"
#include "swf/shapes/shape_paths.h"

namespace reelcase::swf {

// A style pair of a morph shape: the start and end forms of one fill or line style.
struct MorphFill {
    FillStyle start, end;
};
struct MorphLine {
    LineStyle start, end;
};

// DefineMorphShape 1 and 2: start and end edges with paired styles, drawn at the ratio
// of its placement (0 = start, 65535 = end). Paths are built per ratio and kept in the
// player's draw cache.
class MorphShape : public Character {
public:
    MorphShape(QRectF startBounds, QRectF endBounds, std::vector<MorphFill> fills,
               std::vector<MorphLine> lines, ShapeData startEdges, ShapeData endEdges);
    QRectF bounds() const override { return m_startBounds.united(m_endBounds); }
    QRectF paintedArea(const QTransform& toDevice, double stageScale) const override;
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;
    bool hits(QPointF point, int ratio) const override;

    // The shape as it stands at ratio (0..65535): styles and records interpolated.
    ShapeData shapeAt(int ratio) const;

private:
    struct Frame {
        ShapeData data;
        ShapePaths paths;
    };
    std::shared_ptr<const Frame> frameAt(int ratio, DrawCache* cache) const;

    QRectF m_startBounds, m_endBounds;
    std::vector<MorphFill> m_fills;
    std::vector<MorphLine> m_lines;
    ShapeData m_start, m_end;
    QRectF m_paintBounds; // both ends' bounds and edges
    StrokeReach m_reach;  // the wider end of each line
};

} // namespace reelcase::swf
