#pragma once

#include "swf/format/character.h"
#include "swf/shapes/shape_records.h"

#include <memory>
#include <optional>

namespace reelcase::swf {

// A clip's drawing made by script (moveTo, lineTo, beginFill ...), kept as shape records
// so that it is drawn, hit and measured by the same code as a defined shape. Coordinates
// are twips. Each fill starts a layer of its own, so later fills cover earlier strokes.
class ShapeDrawing {
public:
    ShapeDrawing();
    void moveTo(QPointF to);
    void lineTo(QPointF to);
    void curveTo(QPointF control, QPointF to);
    // Null: no line from here on.
    void lineStyle(std::optional<LineStyle> style);
    // Null: no fill (as endFill).
    void beginFill(std::optional<FillStyle> style);
    void endFill();
    void clear();
    bool empty() const { return m_recordCount == 0; }
    // The drawing as it stands, an open fill closed; null when nothing is drawn. The
    // character is new on every change, so caches keyed by character never go stale.
    std::shared_ptr<const Character> character() const;

private:
    void closeSubpath();
    void startLayer();
    void append(const ShapeRecord& record);
    std::int32_t twips(double v) const;

    // Shared with the characters already handed out; only ever appended to.
    std::shared_ptr<ShapeData> m_data;
    std::size_t m_recordCount = 0;
    QPoint m_pen;
    QPoint m_subpathStart;
    std::optional<LineStyle> m_line;
    bool m_filling = false;
    bool m_layerUsed = false;
};

} // namespace reelcase::swf
