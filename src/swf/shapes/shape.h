#pragma once

#include "swf/format/character.h"
#include "swf/shapes/shape_paths.h"

#include <mutex>

namespace reelcase::swf {

// DefineShape 1..4: styles and records, with the paths built once when parsed.
class Shape : public Character {
public:
    Shape(QRectF bounds, ShapeData data, Qt::FillRule rule);
    QRectF bounds() const override { return m_bounds; }
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;

    const ShapeData& data() const { return m_data; }
    const ShapePaths& paths() const { return m_paths; }

private:
    QRectF m_bounds;
    ShapeData m_data;
    ShapePaths m_paths;
    mutable std::once_flag m_outlineOnce;
    mutable QPainterPath m_outline;
};

} // namespace reelcase::swf
