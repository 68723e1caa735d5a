#pragma once

#include "swf/format/character.h"
#include "swf/shapes/shape_draw.h"
#include "swf/shapes/shape_paths.h"

namespace reelcase::swf {

// DefineShape 1..4: styles and records, with the paths built once when parsed.
class Shape : public Character {
public:
    Shape(QRectF bounds, ShapeData data, Qt::FillRule rule);
    QRectF bounds() const override { return m_bounds; }
    QRectF paintedArea(const QTransform& toDevice, double stageScale) const override;
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;
    bool hits(QPointF point, int ratio) const override;

    const ShapeData& data() const { return m_data; }
    const ShapePaths& paths() const { return m_paths; }

private:
    QRectF m_bounds;
    ShapeData m_data;
    ShapePaths m_paths;
    QRectF m_paintBounds; // the bounds and the paths' own, in case the file's are short
    StrokeReach m_reach;
};

} // namespace reelcase::swf
