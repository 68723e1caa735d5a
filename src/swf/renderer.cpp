#include "swf/renderer.h"

#include "swf/limits.h"
#include "swf/shape_draw.h"
#include "swf/timeline_instance.h"

#include <QPainter>

#include <vector>

namespace reelcase::swf {
namespace {

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
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

// The area an object covers in device pixels, for masking.
QPainterPath maskPath(const DisplayObject& o, const QTransform& matrix, int nesting) {
    if (nesting > limits::maxSpriteNesting || !o.character)
        return {};
    if (!o.sprite)
        return matrix.map(o.character->outline(o.placement.ratio));
    QPainterPath out;
    for (const auto& [depth, child] : o.sprite->displayList()) {
        if (child.placement.clipDepth > 0)
            continue;
        QPainterPath p = maskPath(child, child.placement.matrix * matrix, nesting + 1);
        out = unite(out, p);
    }
    return out;
}

} // namespace

void renderTimeline(const TimelineInstance& timeline, QPainter& painter, const QTransform& matrix,
                    const ColorTransform& cxform, const RenderContext& context, int nesting) {
    if (nesting > limits::maxSpriteNesting)
        return;
    std::vector<int> clipEnds; // clip depths of the masks in force, innermost last
    for (const auto& [depth, o] : timeline.displayList()) {
        while (!clipEnds.empty() && depth > clipEnds.back()) {
            painter.restore();
            clipEnds.pop_back();
        }
        const QTransform m = o.placement.matrix * matrix;
        if (o.placement.clipDepth > 0) {
            painter.save();
            painter.setTransform(QTransform());
            painter.setClipPath(maskPath(o, m, nesting), Qt::IntersectClip);
            clipEnds.push_back(o.placement.clipDepth);
            continue;
        }
        if (!o.character || !o.placement.visible)
            continue;
        if (--context.drawBudget < 0)
            break;
        const ColorTransform cx = cxform * o.placement.cxform;
        painter.save();
        if (o.placement.blendMode != BlendMode::Normal)
            painter.setCompositionMode(compositionMode(o.placement.blendMode));
        if (o.sprite)
            renderTimeline(*o.sprite, painter, m, cx, context, nesting + 1);
        else
            o.character->draw(DrawArgs{painter, m, cx, o.placement.ratio, context});
        painter.restore();
    }
    while (!clipEnds.empty()) {
        painter.restore();
        clipEnds.pop_back();
    }
}

} // namespace reelcase::swf
