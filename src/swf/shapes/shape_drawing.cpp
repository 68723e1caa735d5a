#include "swf/shapes/shape_drawing.h"

#include "swf/format/limits.h"
#include "swf/shapes/shape.h"

#include <cmath>
#include <mutex>

namespace reelcase::swf {
namespace {

// Built on first use: a script draws many segments before the drawing is shown.
class DrawnShape : public Character {
public:
    DrawnShape(std::shared_ptr<const ShapeData> data, std::size_t records,
               std::vector<ShapeRecord> closing)
        : m_data(std::move(data))
        , m_records(records)
        , m_closing(std::move(closing)) {}
    QRectF bounds() const override { return shape().bounds(); }
    QRectF paintedArea(const QTransform& toDevice, double stageScale) const override {
        return shape().paintedArea(toDevice, stageScale);
    }
    void draw(const DrawArgs& args) const override { shape().draw(args); }
    QPainterPath outline(int ratio) const override { return shape().outline(ratio); }
    bool hits(QPointF point, int ratio) const override { return shape().hits(point, ratio); }

private:
    const Shape& shape() const {
        std::call_once(m_built, [this] {
            ShapeData data;
            data.styleSets = m_data->styleSets;
            data.records.assign(m_data->records.begin(),
                                m_data->records.begin() + static_cast<std::ptrdiff_t>(m_records));
            data.records.insert(data.records.end(), m_closing.begin(), m_closing.end());
            // The bounds: the fills' area and the strokes grown by their whole width (as
            // the player measures drawn lines).
            const ShapePaths paths = buildShapePaths(data, Qt::OddEvenFill);
            QRectF box;
            for (const ShapeLayer& layer : paths.layers) {
                const StyleSet& styles = data.styleSets[static_cast<std::size_t>(layer.styleSet)];
                for (const FillPath& fill : layer.fills)
                    box |= fill.path.controlPointRect();
                for (const StrokePath& stroke : layer.strokes) {
                    const auto i = static_cast<std::size_t>(stroke.style);
                    const double w = i < styles.lines.size() ? styles.lines[i].width : 0.0;
                    box |= stroke.path.controlPointRect().adjusted(-w, -w, w, w);
                }
            }
            m_shape = std::make_unique<Shape>(box, std::move(data), Qt::OddEvenFill);
        });
        return *m_shape;
    }

    std::shared_ptr<const ShapeData> m_data;
    std::size_t m_records;
    std::vector<ShapeRecord> m_closing;
    mutable std::once_flag m_built;
    mutable std::unique_ptr<Shape> m_shape;
};

constexpr std::size_t maxDrawingRecords = 1'000'000;

} // namespace

ShapeDrawing::ShapeDrawing() {
    clear();
}

void ShapeDrawing::clear() {
    m_data = std::make_shared<ShapeData>();
    m_data->styleSets.emplace_back();
    m_recordCount = 0;
    m_pen = m_subpathStart = {};
    m_line.reset();
    m_filling = m_layerUsed = false;
}

std::int32_t ShapeDrawing::twips(double v) const {
    if (!std::isfinite(v))
        return 0;
    return static_cast<std::int32_t>(std::lround(std::clamp(v, -1e8, 1e8)));
}

void ShapeDrawing::append(const ShapeRecord& record) {
    if (m_recordCount >= maxDrawingRecords)
        return;
    // Records past the count belong to no character yet: drop the open fill's closing.
    m_data->records.resize(m_recordCount);
    m_data->records.push_back(record);
    ++m_recordCount;
}

void ShapeDrawing::startLayer() {
    if (!m_layerUsed)
        return;
    m_data->styleSets.emplace_back();
    ShapeRecord r;
    r.styleSet = static_cast<std::int32_t>(m_data->styleSets.size() - 1);
    r.fill0 = r.fill1 = r.line = 0;
    if (m_line) {
        m_data->styleSets.back().lines.push_back(*m_line);
        r.line = 1;
    }
    r.hasMove = true;
    r.x = m_pen.x();
    r.y = m_pen.y();
    append(r);
    m_layerUsed = false;
}

void ShapeDrawing::closeSubpath() {
    if (!m_filling || m_pen == m_subpathStart)
        return;
    // The fill closes itself; the closing edge is not stroked.
    ShapeRecord off;
    off.line = 0;
    append(off);
    ShapeRecord edge;
    edge.kind = ShapeRecord::Straight;
    edge.x = m_subpathStart.x() - m_pen.x();
    edge.y = m_subpathStart.y() - m_pen.y();
    append(edge);
    m_pen = m_subpathStart;
    if (m_line) {
        ShapeRecord on;
        on.line = static_cast<std::int32_t>(m_data->styleSets.back().lines.size());
        append(on);
    }
}

void ShapeDrawing::moveTo(QPointF to) {
    closeSubpath();
    ShapeRecord r;
    r.hasMove = true;
    r.x = twips(to.x());
    r.y = twips(to.y());
    append(r);
    m_pen = m_subpathStart = {r.x, r.y};
}

void ShapeDrawing::lineTo(QPointF to) {
    const QPoint target(twips(to.x()), twips(to.y()));
    if (!m_filling && !m_line) {
        moveTo(to);
        return;
    }
    ShapeRecord r;
    r.kind = ShapeRecord::Straight;
    r.x = target.x() - m_pen.x();
    r.y = target.y() - m_pen.y();
    append(r);
    m_pen = target;
    m_layerUsed = true;
}

void ShapeDrawing::curveTo(QPointF control, QPointF to) {
    const QPoint c(twips(control.x()), twips(control.y()));
    const QPoint target(twips(to.x()), twips(to.y()));
    if (!m_filling && !m_line) {
        moveTo(to);
        return;
    }
    ShapeRecord r;
    r.kind = ShapeRecord::Curved;
    r.cx = c.x() - m_pen.x();
    r.cy = c.y() - m_pen.y();
    r.x = target.x() - c.x();
    r.y = target.y() - c.y();
    append(r);
    m_pen = target;
    m_layerUsed = true;
}

void ShapeDrawing::lineStyle(std::optional<LineStyle> style) {
    auto& lines = m_data->styleSets.back().lines;
    if (style && lines.size() >= limits::maxStyles)
        style.reset();
    m_line = style;
    ShapeRecord r;
    r.line = 0;
    if (style) {
        lines.push_back(*style);
        r.line = static_cast<std::int32_t>(lines.size());
    }
    append(r);
}

void ShapeDrawing::beginFill(std::optional<FillStyle> style) {
    endFill();
    if (!style)
        return;
    // A fill covers what was drawn before it, strokes included.
    startLayer();
    StyleSet& set = m_data->styleSets.back();
    if (set.fills.size() >= limits::maxStyles)
        return;
    set.fills.push_back(*style);
    ShapeRecord r;
    r.fill0 = 0;
    r.fill1 = static_cast<std::int32_t>(set.fills.size());
    r.hasMove = true;
    r.x = m_pen.x();
    r.y = m_pen.y();
    append(r);
    m_subpathStart = m_pen;
    m_filling = true;
    m_layerUsed = true;
}

void ShapeDrawing::endFill() {
    if (!m_filling)
        return;
    closeSubpath();
    m_filling = false;
    ShapeRecord r;
    r.fill1 = 0;
    append(r);
}

std::shared_ptr<const Character> ShapeDrawing::character() const {
    if (m_recordCount == 0)
        return nullptr;
    std::vector<ShapeRecord> closing;
    if (m_filling && m_pen != m_subpathStart) {
        // Shown open, a fill closes itself with an edge that is not stroked.
        ShapeRecord off;
        off.line = 0;
        ShapeRecord edge;
        edge.kind = ShapeRecord::Straight;
        edge.x = m_subpathStart.x() - m_pen.x();
        edge.y = m_subpathStart.y() - m_pen.y();
        closing = {off, edge};
    }
    return std::make_shared<DrawnShape>(m_data, m_recordCount, closing);
}

} // namespace reelcase::swf
