#include "swf/shapes/shape.h"

#include "swf/format/movie.h"
#include "swf/format/records.h"
#include "swf/format/tag_table.h"
#include "swf/shapes/shape_draw.h"
#include "swf/shapes/shape_tags.h"

namespace reelcase::swf {

Shape::Shape(QRectF bounds, ShapeData data, Qt::FillRule rule)
    : m_bounds(bounds)
    , m_data(std::move(data))
    , m_paths(buildShapePaths(m_data, rule))
    , m_paintBounds(m_bounds | pathBounds(m_paths))
    , m_reach(strokeReach(m_data.styleSets)) {}

QRectF Shape::paintedArea(const QTransform& toDevice, double stageScale) const {
    return paintedShapeArea(m_paintBounds, m_reach, toDevice, stageScale);
}

void Shape::draw(const DrawArgs& args) const {
    drawShapePaths(args, m_data.styleSets, m_paths);
}

QPainterPath Shape::outline(int) const {
    return shapeOutline(m_paths);
}

bool Shape::hits(QPointF point, int ratio) const {
    return outlineHolds(outline(ratio), point) || strokesHold(m_paths, m_data.styleSets, point);
}

namespace {

void defineShape(TagContext& c) {
    BitReader& r = c.body;
    const int version = c.code == tag::DefineShape    ? 1
                        : c.code == tag::DefineShape2 ? 2
                        : c.code == tag::DefineShape3 ? 3
                                                      : 4;
    const std::uint16_t id = r.u16();
    const QRectF bounds = readRect(r);
    Qt::FillRule rule = Qt::OddEvenFill;
    if (version == 4) {
        readRect(r); // edge bounds
        const int flags = r.u8();
        if (flags & 0x04)
            rule = Qt::WindingFill;
    }
    ShapeData data;
    if (!r.ok() || !readShapeWithStyles(r, version, data)) {
        r.fail();
        return;
    }
    c.movie.dictionary.define(id, std::make_shared<Shape>(bounds, std::move(data), rule));
}

} // namespace

void registerShapeTags(TagTable& t) {
    t.add(tag::DefineShape, defineShape, true);
    t.add(tag::DefineShape2, defineShape, true);
    t.add(tag::DefineShape3, defineShape, true);
    t.add(tag::DefineShape4, defineShape, true);
}

} // namespace reelcase::swf
