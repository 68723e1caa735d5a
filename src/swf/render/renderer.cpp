#include "swf/render/renderer.h"

#include "swf/display/hit_test.h"
#include "swf/display/timeline_instance.h"
#include "swf/format/draw_cache.h"
#include "swf/format/limits.h"
#include "swf/render/filter_effects.h"
#include "swf/render/raster_cache.h"
#include "swf/render/render_layer.h"
#include "swf/shapes/shape_draw.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace reelcase::swf {
namespace {

using Entry = std::map<int, DisplayObject>::const_iterator;

// What stays the same while one range of a display list is drawn.
struct RangeArgs {
    QPainter& painter;
    const QTransform& matrix; // the timeline's twips -> device
    const ColorTransform& cxform;
    const RenderContext& context;
    int nesting = 0;
    bool insideLayer = false;    // the timeline's own blend mode is Layer (alpha and erase act)
    bool opaqueBackdrop = false; // drawing straight onto the stage, not into a layer
    const QRectF* cull = nullptr;
    const TimelineInstance* owner = nullptr; // whose display list this is
};

void renderRange(Entry first, Entry last, const RangeArgs& args);

QPainter::CompositionMode compositionMode(BlendMode mode) {
    switch (mode) {
    case BlendMode::Multiply:
        return QPainter::CompositionMode_Multiply;
    case BlendMode::Screen:
        return QPainter::CompositionMode_Screen;
    case BlendMode::Lighten:
        return QPainter::CompositionMode_Lighten;
    case BlendMode::Darken:
        return QPainter::CompositionMode_Darken;
    case BlendMode::Difference:
        return QPainter::CompositionMode_Difference;
    case BlendMode::Add:
        return QPainter::CompositionMode_Plus;
    case BlendMode::Overlay:
        return QPainter::CompositionMode_Overlay;
    case BlendMode::HardLight:
        return QPainter::CompositionMode_HardLight;
    case BlendMode::Alpha:
        return QPainter::CompositionMode_DestinationIn;
    case BlendMode::Erase:
        return QPainter::CompositionMode_DestinationOut;
    case BlendMode::Invert:
        // White drawn in difference mode: d' = a (1 - d) + (1 - a) d.
        return QPainter::CompositionMode_Difference;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

// The object's colour transform turned to white of the same alpha (invert's coverage).
ColorTransform whiteCoverage(ColorTransform cx) {
    cx.rMult = cx.gMult = cx.bMult = 0;
    cx.rAdd = cx.gAdd = cx.bAdd = 255;
    return cx;
}

// The object's own area: its scroll window, else what its content covers (twips).
QRectF ownArea(const DisplayObject& o) {
    if (const auto& scroll = o.placement.scrollRect)
        return QRectF(QPointF(0, 0), scroll->size());
    if (const TimelineInstance* inner = o.children())
        return inner->nesting() < limits::maxSpriteNesting ? inner->bounds() : QRectF();
    return o.character->bounds();
}

// A device polygon of an area in the object's space; whole pixels where it stays a
// rectangle, as a bitmap's edges are.
QPainterPath devicePath(const QRectF& area, const QTransform& m) {
    QPainterPath path;
    if (m.type() <= QTransform::TxScale)
        path.addRect(QRectF(m.mapRect(area).toRect()));
    else
        path.addPolygon(m.map(QPolygonF(area)));
    return path;
}

void drawChildren(const DisplayObject& o, QPainter& painter, const QTransform& m,
                  const ColorTransform& cx, const RangeArgs& args, bool insideLayer) {
    if (o.children()) {
        const auto& list = o.children()->displayList();
        renderRange(list.begin(), list.end(),
                    RangeArgs{painter, contentOffset(o) * m, cx, args.context, args.nesting + 1,
                              insideLayer, args.opaqueBackdrop && &painter == &args.painter,
                              &painter == &args.painter ? args.cull : nullptr, o.children()});
    } else {
        o.character->draw(
            DrawArgs{painter, contentOffset(o) * m, cx, o.placement.ratio, args.context});
    }
}

// The content, over the opaque background and inside the scroll window when it has them.
void drawContent(const DisplayObject& o, QPainter& painter, const QTransform& m,
                 const ColorTransform& cx, const RangeArgs& args, bool insideLayer) {
    const Placement& p = o.placement;
    if (!p.scrollRect && !p.opaqueBackground) {
        drawChildren(o, painter, m, cx, args, insideLayer);
        return;
    }
    const QPainterPath area = devicePath(ownArea(o), m);
    painter.save();
    painter.setTransform(QTransform());
    if (p.opaqueBackground)
        painter.fillPath(area, QColor::fromRgba(cx.apply(*p.opaqueBackground)));
    if (p.scrollRect)
        painter.setClipPath(area, Qt::IntersectClip);
    drawChildren(o, painter, m, cx, args, insideLayer);
    painter.restore();
}

// Bitmap caching draws the object's picture, whose corner is its bounds' corner, at whole
// device pixels: the content moves by what rounding that corner moves it.
QTransform snapped(const DisplayObject& o, const QTransform& m) {
    if (!o.placement.cacheAsBitmap && !filtersOf(o))
        return m;
    const QPointF corner = m.mapRect(ownArea(o)).topLeft();
    const QPointF shift = QPointF(std::round(corner.x()), std::round(corner.y())) - corner;
    return m * QTransform::fromTranslate(shift.x(), shift.y());
}

// Subtract on an opaque backdrop d, with no composition mode of its own in Qt, exactly:
// invert the layer's area (1 - d), add the layer (1 - d + s, clamped at 1), invert again:
// max(0, d - s). Outside the object both inversions cancel exactly.
void subtractLayer(RenderLayer& layer, QPainter& painter) {
    const QRectF area = layer.area();
    auto invertArea = [&] {
        painter.save();
        painter.setTransform(QTransform());
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(area, Qt::white);
        painter.restore();
    };
    invertArea();
    layer.compositeInto(painter, QPainter::CompositionMode_Plus);
    invertArea();
}

void drawPlainObject(const DisplayObject& o, const RangeArgs& args) {
    const QTransform m = snapped(o, o.placement.matrix * args.matrix);
    BlendMode mode = o.placement.blendMode;
    if (args.cull && !(actsOnWholeLayer(mode) && args.insideLayer) &&
        !deviceBounds(o, m, args.context, args.nesting).intersects(*args.cull))
        return;
    const ColorTransform cx = args.cxform * o.placement.cxform;
    // Alpha and erase act on the parent's layer; elsewhere they draw as normal, as does
    // subtract (Qt has no such composition mode).
    if (((mode == BlendMode::Alpha || mode == BlendMode::Erase) && !args.insideLayer) ||
        (mode == BlendMode::Subtract && !args.opaqueBackdrop))
        mode = BlendMode::Normal;
    const ColorTransform drawn = mode == BlendMode::Invert ? whiteCoverage(cx) : cx;
    // A sprite with a blend mode composites its children as one picture; so does a layer
    // object, and alpha must also clear what lies outside the object.
    const FilterList* filters = filtersOf(o);
    const bool grouped = mode == BlendMode::Layer || mode == BlendMode::Alpha ||
                         mode == BlendMode::Subtract ||
                         (o.children() && mode != BlendMode::Normal) || filters;
    if (grouped) {
        QRectF bounds = deviceBounds(o, m, args.context, args.nesting);
        if (mode == BlendMode::Alpha && args.painter.hasClipping()) {
            args.painter.save();
            args.painter.setTransform(QTransform());
            bounds = args.painter.clipBoundingRect(); // the whole parent layer
            args.painter.restore();
        }
        if (filters && args.painter.hasClipping()) {
            // A filter sees no further than its reach: content beyond the clip by more
            // than that changes nothing inside it.
            const double reach = filterReach(*filters) * args.context.stageScale * 20 + 1;
            args.painter.save();
            args.painter.setTransform(QTransform());
            bounds &= args.painter.clipBoundingRect().adjusted(-reach, -reach, reach, reach);
            args.painter.restore();
        }
        RenderLayer layer(args.painter, bounds, !filters);
        if (layer.state() == RenderLayer::State::Empty)
            return;
        if (layer.state() == RenderLayer::State::Ready) {
            ColorTransform inner = drawn;
            double opacity = 1.0;
            if (mode == BlendMode::Layer && cx.aAdd == 0) {
                // The group's alpha applies once, to the flattened picture.
                opacity = std::clamp(cx.aMult, 0.0, 1.0);
                inner.aMult = 1;
            }
            drawContent(o, layer.painter(), m * layer.offset(), inner, args,
                        mode == BlendMode::Layer);
            if (filters)
                applyFilters(layer.finish(), *filters,
                             args.context.stageScale * 20 * layer.pixelRatio());
            if (mode == BlendMode::Subtract)
                subtractLayer(layer, args.painter);
            else
                layer.compositeInto(args.painter, compositionMode(mode), opacity);
            return;
        }
    }
    args.painter.save();
    if (mode != BlendMode::Normal)
        args.painter.setCompositionMode(compositionMode(mode));
    const bool fromRaster =
        !o.children() && mode == BlendMode::Normal && args.context.rasterCache &&
        !o.placement.scrollRect && !o.placement.opaqueBackground &&
        drawFromRaster(*o.character,
                       DrawArgs{args.painter, m, drawn, o.placement.ratio, args.context},
                       deviceBounds(o, m, args.context, args.nesting));
    if (!fromRaster)
        drawContent(o, args.painter, m, drawn, args, false);
    args.painter.restore();
}

// Draws what draw draws (given the arguments to draw with) under a mask outline: into a
// layer multiplied by the mask's anti-aliased coverage, or (low quality, or a layer too
// large) clipped by the outline, aliased.
template <class Draw>
void drawInside(const QPainterPath& path, const RangeArgs& args, Draw&& draw) {
    if (path.isEmpty())
        return; // an empty mask shows nothing
    if (args.context.quality != Quality::Low) {
        RenderLayer layer(args.painter, path.boundingRect().adjusted(-1, -1, 1, 1));
        if (layer.state() == RenderLayer::State::Empty)
            return;
        if (layer.state() == RenderLayer::State::Ready) {
            // Alpha and erase inside would act on this layer instead of the parent's.
            draw(RangeArgs{layer.painter(), args.matrix * layer.offset(), args.cxform, args.context,
                           args.nesting, false, false, nullptr, args.owner});
            layer.keepInside(path);
            layer.compositeInto(args.painter, QPainter::CompositionMode_SourceOver);
            return;
        }
    }
    args.painter.save();
    args.painter.setTransform(QTransform());
    args.painter.setClipPath(path, Qt::IntersectClip);
    draw(args);
    args.painter.restore();
}

void drawMasked(const DisplayObject& mask, Entry first, Entry last, const RangeArgs& args) {
    if (first == last)
        return;
    const QTransform maskMatrix = mask.placement.matrix * args.matrix;
    if (args.cull &&
        !deviceBounds(mask, maskMatrix, args.context, args.nesting).intersects(*args.cull))
        return;
    drawInside(maskPath(mask, maskMatrix, args.context, args.nesting), args,
               [&](const RangeArgs& inner) { renderRange(first, last, inner); });
}

void drawObject(const DisplayObject& o, const RangeArgs& args) {
    if (!o.character || !o.placement.visible || o.isScriptMask)
        return;
    if (--args.context.drawBudget < 0)
        return;
    QTransform maskMatrix;
    const DisplayObject* mask =
        args.owner ? scriptMaskOf(o, *args.owner, args.matrix, maskMatrix) : nullptr;
    if (!mask) {
        drawPlainObject(o, args);
        return;
    }
    drawInside(maskPath(*mask, maskMatrix, args.context, args.nesting), args,
               [&](const RangeArgs& inner) { drawPlainObject(o, inner); });
}

void renderRange(Entry first, Entry last, const RangeArgs& args) {
    if (args.nesting > limits::maxSpriteNesting)
        return;
    for (Entry it = first; it != last && args.context.drawBudget >= 0; ++it) {
        const DisplayObject& o = it->second;
        const int clipDepth = o.placement.clipDepth;
        if (clipDepth == 0) {
            drawObject(o, args);
            continue;
        }
        // The mask covers the depths up to its clip depth (within this range).
        Entry masked = std::next(it);
        Entry end = masked;
        while (end != last && end->first <= clipDepth)
            ++end;
        drawMasked(o, masked, end, args);
        it = std::prev(end);
    }
}

} // namespace

void renderTimeline(const TimelineInstance& timeline, QPainter& painter, const QTransform& matrix,
                    const ColorTransform& cxform, const RenderContext& context, int nesting,
                    const QRectF* cull) {
    const auto& list = timeline.displayList();
    renderRange(list.begin(), list.end(),
                RangeArgs{painter, matrix, cxform, context, nesting, false, true, cull, &timeline});
}

const DisplayObject* scriptMaskOf(const DisplayObject& o, const TimelineInstance& owner,
                                  const QTransform& matrix, QTransform& maskMatrix) {
    if (o.mask.id == 0)
        return nullptr;
    const auto parent = o.mask.parent.lock();
    if (!parent)
        return nullptr;
    const auto& list = parent->displayList();
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const auto& entry) { return entry.second.id == o.mask.id; });
    bool invertible = false;
    const QTransform fromStage =
        stageTransform(const_cast<TimelineInstance&>(owner)).inverted(&invertible);
    if (it == list.end() || !invertible || !it->second.character)
        return nullptr;
    maskMatrix = it->second.placement.matrix * stageTransform(*parent) * fromStage * matrix;
    return &it->second;
}

const FilterList* filtersOf(const DisplayObject& o) {
    return o.placement.filters && !o.placement.filters->empty() ? o.placement.filters.get()
                                                                : nullptr;
}

bool actsOnWholeLayer(BlendMode mode) {
    return mode == BlendMode::Alpha || mode == BlendMode::Erase;
}

QPainterPath maskPath(const DisplayObject& o, const QTransform& matrix,
                      const RenderContext& context, int nesting) {
    if (nesting > limits::maxSpriteNesting || !o.character)
        return {};
    if (!o.children()) {
        const int ratio = o.placement.ratio;
        const auto outline = cached<QPainterPath>(context.cache, o.character, ratio,
                                                  [&] { return o.character->outline(ratio); });
        return matrix.map(*outline);
    }
    QPainterPath out;
    for (const auto& [depth, child] : o.children()->displayList()) {
        if (child.placement.clipDepth > 0)
            continue;
        QPainterPath p = maskPath(child, child.placement.matrix * contentOffset(o) * matrix,
                                  context, nesting + 1);
        out = unite(out, p);
    }
    return out; // a scroll window moves a mask's content but does not cut it
}

QRectF deviceBounds(const DisplayObject& o, const QTransform& matrix, const RenderContext& context,
                    int nesting) {
    static const QRectF everywhere(-1e7, -1e7, 2e7, 2e7);
    if (nesting > limits::maxSpriteNesting || !o.character)
        return {};
    QRectF out;
    if (o.placement.scrollRect) {
        out = matrix.mapRect(ownArea(o)).adjusted(-2, -2, 2, 2);
    } else if (!o.children()) {
        // Shapes know their paths' own bounds; other characters without bounds may draw
        // anywhere.
        const QRectF painted = o.character->paintedArea(matrix, context.stageScale);
        if (painted.isEmpty() && o.character->bounds().isEmpty())
            return everywhere;
        out = painted.adjusted(-2, -2, 2, 2);
    } else {
        for (const auto& [depth, child] : o.children()->displayList())
            if (child.placement.visible || child.placement.clipDepth > 0)
                out |= deviceBounds(child, child.placement.matrix * matrix, context, nesting + 1);
    }
    if (const FilterList* filters = filtersOf(o); filters && !out.isEmpty()) {
        const double reach = filterReach(*filters) * context.stageScale * 20;
        out.adjust(-reach, -reach, reach, reach);
    }
    return out;
}

} // namespace reelcase::swf
