#include "swf/shapes/shape_draw.h"

#include "swf/format/draw_cache.h"
#include "swf/shapes/bitmap_fill.h"
#include "swf/shapes/fill_brush.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace reelcase::swf {
namespace {

double scaleOf(const QTransform& m) {
    return std::sqrt(std::abs(m.determinant()));
}

QPen strokePen(const LineStyle& style, const DrawArgs& args) {
    QBrush brush = style.fill ? fillBrush(*style.fill, args.cxform, args.context.dictionary)
                              : QBrush(args.cxform.apply(style.color));
    QPen pen(brush, style.width);
    pen.setCapStyle(style.startCap);
    pen.setJoinStyle(style.join);
    if (style.join == Qt::MiterJoin)
        pen.setMiterLimit(std::max(1.0, style.miterLimit));
    // Device width: scaled with the object unless its scale mode says not to, and never
    // under one pixel.
    // Scale modes: none keeps the width in stage pixels; "vertical" (no horizontal
    // scaling) follows only how the object stretches its vertical axis, "horizontal" only
    // its horizontal one.
    const bool noScale = style.noHScale || style.noVScale;
    const QTransform& m = args.matrix;
    double scale = scaleOf(m);
    if (style.noHScale && style.noVScale)
        scale = args.context.stageScale;
    else if (style.noHScale)
        scale = std::hypot(m.m21(), m.m22());
    else if (style.noVScale)
        scale = std::hypot(m.m11(), m.m12());
    const double deviceWidth = style.width * scale;
    if (deviceWidth < 1.0 || noScale) {
        pen.setCosmetic(true);
        pen.setWidthF(std::max(1.0, deviceWidth));
    }
    return pen;
}

// The outline of a scaling stroke in twips: stroking is the costly part of drawing lines,
// and for lines that scale with their object it does not depend on the matrix. Curves are
// flattened to a tenth of a pixel at 1:1, fine enough up to a 4x zoom.
std::shared_ptr<const QPainterPath> strokeOutline(const StrokePath& stroke, const QPen& pen,
                                                  DrawCache* cache) {
    return cached<QPainterPath>(
        cache, &stroke, 0,
        [&] {
            QPainterPathStroker stroker(pen);
            stroker.setCurveThreshold(2.0);
            QPainterPath outline = stroker.createStroke(stroke.path);
            outline.setFillRule(Qt::WindingFill);
            return outline;
        },
        static_cast<std::size_t>(stroke.path.elementCount()) * 200);
}

} // namespace

void drawShapePaths(const DrawArgs& args, const std::vector<StyleSet>& styleSets,
                    const ShapePaths& paths) {
    QPainter& p = args.painter;
    p.setTransform(args.matrix);
    const bool seal = args.context.sealSharedEdges && args.context.quality != Quality::Low;
    for (const ShapeLayer& layer : paths.layers) {
        const StyleSet& styles = styleSets[static_cast<size_t>(layer.styleSet)];
        p.setPen(Qt::NoPen);
        for (const FillPath& fill : layer.fills) {
            const FillStyle& style = styles.fills[static_cast<size_t>(fill.style)];
            if (style.isBitmap()) {
                drawBitmapFill(args, fill.path, style);
                continue;
            }
            const QBrush brush = fillBrush(style, args.cxform, args.context.dictionary);
            if (brush.style() == Qt::NoBrush)
                continue;
            p.fillPath(fill.path, brush);
            if (seal && !fill.sharedEdges.isEmpty() && style.isOpaque() && args.cxform.aMult >= 1 &&
                args.cxform.aAdd >= 0) {
                QPen pen(brush, 1.5, Qt::SolidLine, Qt::FlatCap);
                pen.setCosmetic(true);
                p.strokePath(fill.sharedEdges, pen);
            }
        }
        for (const StrokePath& stroke : layer.strokes) {
            const LineStyle& style = styles.lines[static_cast<size_t>(stroke.style)];
            const QPen pen = strokePen(style, args);
            if (pen.isCosmetic())
                p.strokePath(stroke.path, pen);
            else
                p.fillPath(*strokeOutline(stroke, pen, args.context.cache), pen.brush());
        }
    }
}

StrokeReach strokeReach(const std::vector<StyleSet>& styleSets) {
    StrokeReach reach;
    for (const StyleSet& set : styleSets)
        for (const LineStyle& line : set.lines) {
            // Square caps reach half a width times root two; miters up to their limit.
            const double factor = line.join == Qt::MiterJoin ? std::max(1.5, line.miterLimit) : 1.5;
            double& r = line.noHScale && line.noVScale ? reach.fixed : reach.scaled;
            r = std::max(r, line.width / 2.0 * factor);
        }
    return reach;
}

QRectF pathBounds(const ShapePaths& paths) {
    QRectF out;
    for (const ShapeLayer& layer : paths.layers) {
        for (const FillPath& fill : layer.fills)
            out |= fill.path.controlPointRect();
        for (const StrokePath& stroke : layer.strokes)
            out |= stroke.path.controlPointRect();
    }
    return out;
}

QRectF paintedShapeArea(const QRectF& bounds, const StrokeReach& reach, const QTransform& toDevice,
                        double stageScale) {
    // The largest stretch the matrix gives any direction is at most this norm.
    const double stretch =
        std::sqrt(toDevice.m11() * toDevice.m11() + toDevice.m12() * toDevice.m12() +
                  toDevice.m21() * toDevice.m21() + toDevice.m22() * toDevice.m22());
    const double margin = reach.scaled * stretch + reach.fixed * stageScale;
    return toDevice.mapRect(bounds).adjusted(-margin, -margin, margin, margin);
}

QPainterPath shapeOutline(const ShapePaths& paths) {
    // The fills of one layer partition the plane along their edges and never overlap, so
    // their contours together (even-odd) cover exactly their union. Layers can overlap and
    // are united, unless that is too costly for their size.
    QPainterPath out;
    for (const ShapeLayer& layer : paths.layers) {
        QPainterPath area;
        // Each fill keeps its rule: a non-zero shape covers the holes even-odd leaves.
        area.setFillRule(layer.fills.empty() ? Qt::OddEvenFill
                                             : layer.fills.front().path.fillRule());
        for (const FillPath& fill : layer.fills)
            area.addPath(fill.path);
        out = unite(out, area);
    }
    return out;
}

bool strokesHold(const ShapePaths& paths, const std::vector<StyleSet>& styleSets, QPointF point) {
    auto distanceSquared = [&](QPointF a, QPointF b) {
        const QPointF ab = b - a;
        const double length = QPointF::dotProduct(ab, ab);
        const double t =
            length > 0 ? std::clamp(QPointF::dotProduct(point - a, ab) / length, 0.0, 1.0) : 0.0;
        const QPointF d = point - (a + t * ab);
        return QPointF::dotProduct(d, d);
    };
    for (const ShapeLayer& layer : paths.layers) {
        const auto set = static_cast<std::size_t>(layer.styleSet);
        if (set >= styleSets.size())
            continue;
        for (const StrokePath& stroke : layer.strokes) {
            const auto i = static_cast<std::size_t>(stroke.style);
            // A hairline reaches a twip.
            const double width = i < styleSets[set].lines.size()
                                     ? std::max<double>(styleSets[set].lines[i].width, 1)
                                     : 1;
            const double reach = width * width / 4;
            if (!stroke.path.controlPointRect()
                     .adjusted(-width, -width, width, width)
                     .contains(point))
                continue;
            for (const QPolygonF& line : stroke.path.toSubpathPolygons())
                for (qsizetype k = 1; k < line.size(); ++k)
                    if (distanceSquared(line[k - 1], line[k]) <= reach)
                        return true;
        }
    }
    return false;
}

QPainterPath unite(const QPainterPath& a, const QPainterPath& b) {
    constexpr int maxUnitedElements = 4000;
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    if (a.elementCount() + b.elementCount() <= maxUnitedElements)
        return a.united(b);
    QPainterPath both = a;
    both.setFillRule(Qt::WindingFill);
    both.addPath(b);
    return both;
}

} // namespace reelcase::swf
