#include "swf/shapes/morph_shape.h"

#include "swf/format/draw_cache.h"
#include "swf/format/limits.h"
#include "swf/format/movie.h"
#include "swf/format/records.h"
#include "swf/format/tag_table.h"
#include "swf/shapes/shape_draw.h"
#include "swf/shapes/shape_tags.h"

#include <cmath>

namespace reelcase::swf {
namespace {

double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

std::int32_t lerpi(std::int32_t a, std::int32_t b, double t) {
    return static_cast<std::int32_t>(std::lround(lerp(a, b, t)));
}

QColor lerp(const QColor& a, const QColor& b, double t) {
    return QColor(lerpi(a.red(), b.red(), t), lerpi(a.green(), b.green(), t),
                  lerpi(a.blue(), b.blue(), t), lerpi(a.alpha(), b.alpha(), t));
}

QTransform lerp(const QTransform& a, const QTransform& b, double t) {
    return QTransform(lerp(a.m11(), b.m11(), t), lerp(a.m12(), b.m12(), t),
                      lerp(a.m21(), b.m21(), t), lerp(a.m22(), b.m22(), t), lerp(a.dx(), b.dx(), t),
                      lerp(a.dy(), b.dy(), t));
}

FillStyle lerp(const FillStyle& a, const FillStyle& b, double t) {
    FillStyle f = a;
    f.color = lerp(a.color, b.color, t);
    f.matrix = lerp(a.matrix, b.matrix, t);
    f.gradient.focalPoint = lerp(a.gradient.focalPoint, b.gradient.focalPoint, t);
    for (size_t i = 0; i < f.gradient.stops.size() && i < b.gradient.stops.size(); ++i) {
        f.gradient.stops[i].ratio = lerp(a.gradient.stops[i].ratio, b.gradient.stops[i].ratio, t);
        f.gradient.stops[i].color = lerp(a.gradient.stops[i].color, b.gradient.stops[i].color, t);
    }
    return f;
}

// An edge as a curve (a straight edge becomes a curve with its control at the middle), so
// a straight start edge can morph into a curved end edge.
ShapeRecord asCurve(const ShapeRecord& r) {
    if (r.kind == ShapeRecord::Curved)
        return r;
    ShapeRecord c = r;
    c.kind = ShapeRecord::Curved;
    c.cx = r.x / 2;
    c.cy = r.y / 2;
    c.x = r.x - c.cx;
    c.y = r.y - c.cy;
    return c;
}

// MORPHFILLSTYLE
bool readMorphFill(BitReader& r, MorphFill& f) {
    const int type = r.u8();
    switch (type) {
    case FillStyle::Solid:
        f.start.color = readRgba(r);
        f.end.color = readRgba(r);
        break;
    case FillStyle::Linear:
    case FillStyle::Radial:
    case FillStyle::FocalRadial: {
        f.start.matrix = readMatrix(r);
        f.end.matrix = readMatrix(r);
        const int header = r.u8();
        const int count = header & 0x0f;
        const int spread = (header >> 6) & 3;
        for (FillStyle* s : {&f.start, &f.end}) {
            s->gradient.spread = spread == 1   ? Gradient::Reflect
                                 : spread == 2 ? Gradient::Repeat
                                               : Gradient::Pad;
            s->gradient.interpolation =
                ((header >> 4) & 3) == 1 ? Gradient::LinearRgb : Gradient::Normal;
        }
        for (int i = 0; i < count && r.ok(); ++i) {
            GradientStop a, b;
            a.ratio = r.u8() / 255.0;
            a.color = readRgba(r);
            b.ratio = r.u8() / 255.0;
            b.color = readRgba(r);
            f.start.gradient.stops.push_back(a);
            f.end.gradient.stops.push_back(b);
        }
        if (type == FillStyle::FocalRadial) {
            f.start.gradient.focalPoint = qBound(-1.0, r.fixed8_8(), 1.0);
            f.end.gradient.focalPoint = qBound(-1.0, r.fixed8_8(), 1.0);
        }
        break;
    }
    case FillStyle::RepeatingBitmap:
    case FillStyle::ClippedBitmap:
    case FillStyle::RepeatingBitmapHard:
    case FillStyle::ClippedBitmapHard:
        f.start.bitmapId = f.end.bitmapId = r.u16();
        f.start.matrix = readMatrix(r);
        f.end.matrix = readMatrix(r);
        break;
    default:
        r.fail();
        return false;
    }
    f.start.type = f.end.type = static_cast<FillStyle::Type>(type);
    return r.ok();
}

Qt::PenCapStyle cap(int code) {
    return code == 1 ? Qt::FlatCap : code == 2 ? Qt::SquareCap : Qt::RoundCap;
}

bool readMorphLine(BitReader& r, bool v2, MorphLine& l) {
    l.start.width = r.u16();
    l.end.width = r.u16();
    if (!v2) {
        l.start.color = readRgba(r);
        l.end.color = readRgba(r);
        return r.ok();
    }
    LineStyle& s = l.start;
    s.startCap = cap(static_cast<int>(r.ub(2)));
    const int join = static_cast<int>(r.ub(2));
    s.join = join == 1 ? Qt::BevelJoin : join == 2 ? Qt::MiterJoin : Qt::RoundJoin;
    const bool hasFill = r.flag();
    s.noHScale = r.flag();
    s.noVScale = r.flag();
    s.pixelHinting = r.flag();
    r.ub(5);
    s.noClose = r.flag();
    s.endCap = cap(static_cast<int>(r.ub(2)));
    if (join == 2)
        s.miterLimit = r.u16() / 256.0;
    if (hasFill) {
        MorphFill f;
        if (!readMorphFill(r, f))
            return false;
        s.fill = f.start;
        const std::uint16_t endWidth = l.end.width;
        l.end = s;
        l.end.width = endWidth;
        l.end.fill = f.end;
    } else {
        s.color = readRgba(r);
        const std::uint16_t endWidth = l.end.width;
        l.end = s;
        l.end.width = endWidth;
        l.end.color = readRgba(r);
    }
    return r.ok();
}

int readCount(BitReader& r) {
    int n = r.u8();
    if (n == 0xff)
        n = r.u16();
    return n;
}

void defineMorphShape(TagContext& c) {
    BitReader& r = c.body;
    const bool v2 = c.code == tag::DefineMorphShape2;
    const std::uint16_t id = r.u16();
    const QRectF startBounds = readRect(r);
    const QRectF endBounds = readRect(r);
    if (v2) {
        readRect(r);
        readRect(r);
        r.u8();
    }
    const std::uint32_t offset = r.u32();
    const qint64 endEdgesAt = r.position() + offset;
    std::vector<MorphFill> fills(static_cast<size_t>(readCount(r)));
    for (MorphFill& f : fills)
        if (!readMorphFill(r, f))
            return;
    std::vector<MorphLine> lines(static_cast<size_t>(readCount(r)));
    for (MorphLine& l : lines)
        if (!readMorphLine(r, v2, l))
            return;
    ShapeData start, end;
    if (!readShape(r, v2 ? 4 : 3, start))
        return r.fail();
    r.seek(endEdgesAt);
    if (!r.ok() || !readShape(r, v2 ? 4 : 3, end))
        return r.fail();
    c.movie.dictionary.define(id, std::make_shared<MorphShape>(startBounds, endBounds,
                                                               std::move(fills), std::move(lines),
                                                               std::move(start), std::move(end)));
}

} // namespace

MorphShape::MorphShape(QRectF startBounds, QRectF endBounds, std::vector<MorphFill> fills,
                       std::vector<MorphLine> lines, ShapeData startEdges, ShapeData endEdges)
    : m_startBounds(startBounds)
    , m_endBounds(endBounds)
    , m_fills(std::move(fills))
    , m_lines(std::move(lines))
    , m_start(std::move(startEdges))
    , m_end(std::move(endEdges)) {
    m_paintBounds = bounds();
    StyleSet widest;
    for (const MorphLine& line : m_lines)
        widest.lines.push_back(line.start.width >= line.end.width ? line.start : line.end);
    m_reach = strokeReach({widest});
    for (const int ratio : {0, 65535})
        m_paintBounds |= pathBounds(buildShapePaths(shapeAt(ratio), Qt::OddEvenFill));
}

QRectF MorphShape::paintedArea(const QTransform& toDevice, double stageScale) const {
    return paintedShapeArea(m_paintBounds, m_reach, toDevice, stageScale);
}

ShapeData MorphShape::shapeAt(int ratio) const {
    const double t = std::clamp(ratio, 0, 65535) / 65535.0;
    ShapeData out;
    StyleSet styles;
    for (const MorphFill& f : m_fills)
        styles.fills.push_back(lerp(f.start, f.end, t));
    for (const MorphLine& l : m_lines) {
        LineStyle s = l.start;
        s.width = static_cast<std::uint16_t>(lerpi(l.start.width, l.end.width, t));
        s.color = lerp(l.start.color, l.end.color, t);
        if (l.start.fill && l.end.fill)
            s.fill = lerp(*l.start.fill, *l.end.fill, t);
        styles.lines.push_back(std::move(s));
    }
    out.styleSets.push_back(std::move(styles));
    out.records.reserve(m_start.records.size());

    const auto& ends = m_end.records;
    size_t e = 0;
    std::int32_t endX = 0, endY = 0; // the end shape's current point
    for (const ShapeRecord& s : m_start.records) {
        ShapeRecord rec = s;
        rec.styleSet = -1; // morph edges cannot bring new styles
        if (s.kind == ShapeRecord::StyleChange) {
            if (e < ends.size() && ends[e].kind == ShapeRecord::StyleChange) {
                if (ends[e].hasMove) {
                    endX = ends[e].x;
                    endY = ends[e].y;
                }
                ++e;
            }
            if (s.hasMove) {
                rec.x = lerpi(s.x, endX, t);
                rec.y = lerpi(s.y, endY, t);
            }
            out.records.push_back(rec);
            continue;
        }
        while (e < ends.size() && ends[e].kind == ShapeRecord::StyleChange) {
            if (ends[e].hasMove) {
                endX = ends[e].x;
                endY = ends[e].y;
            }
            ++e;
        }
        if (e >= ends.size())
            break; // fewer end edges than start edges: a broken morph stops here
        const ShapeRecord& en = ends[e++];
        if (s.kind == ShapeRecord::Curved || en.kind == ShapeRecord::Curved) {
            const ShapeRecord a = asCurve(s), b = asCurve(en);
            rec = a;
            rec.cx = lerpi(a.cx, b.cx, t);
            rec.cy = lerpi(a.cy, b.cy, t);
            rec.x = lerpi(a.x, b.x, t);
            rec.y = lerpi(a.y, b.y, t);
        } else {
            rec.x = lerpi(s.x, en.x, t);
            rec.y = lerpi(s.y, en.y, t);
        }
        endX += en.kind == ShapeRecord::Curved ? en.cx + en.x : en.x;
        endY += en.kind == ShapeRecord::Curved ? en.cy + en.y : en.y;
        out.records.push_back(rec);
    }
    return out;
}

std::shared_ptr<const MorphShape::Frame> MorphShape::frameAt(int ratio, DrawCache* cache) const {
    const auto cost = (m_start.records.size() + m_end.records.size()) * 200 + 1024;
    return cached<Frame>(
        cache, this, static_cast<std::uint64_t>(ratio),
        [&] {
            Frame frame;
            frame.data = shapeAt(ratio);
            frame.paths = buildShapePaths(frame.data, Qt::OddEvenFill);
            return frame;
        },
        cost);
}

void MorphShape::draw(const DrawArgs& args) const {
    const auto f = frameAt(args.ratio, args.context.cache);
    drawShapePaths(args, f->data.styleSets, f->paths);
}

QPainterPath MorphShape::outline(int ratio) const {
    return shapeOutline(frameAt(ratio, nullptr)->paths);
}

bool MorphShape::hits(QPointF point, int ratio) const {
    const auto f = frameAt(ratio, nullptr);
    return outlineHolds(shapeOutline(f->paths), point) ||
           strokesHold(f->paths, f->data.styleSets, point);
}

void registerMorphShapeTags(TagTable& t) {
    t.add(tag::DefineMorphShape, defineMorphShape, true);
    t.add(tag::DefineMorphShape2, defineMorphShape, true);
}

} // namespace reelcase::swf
