#include "swf/display/drag.h"

#include "swf/display/hit_test.h"
#include "swf/display/timeline_instance.h"

#include <algorithm>

namespace reelcase::swf {
namespace {

QPointF pointerInParent(TimelineInstance& clip, const InputState& input) {
    TimelineInstance* parent = clip.parent();
    return parent ? stageToLocal(*parent, input.pointer) : input.pointer;
}

} // namespace

void DragState::start(TimelineInstance& clip, bool lockCentre, std::optional<QRectF> bounds,
                      const InputState& input) {
    Placement* p = clip.placement();
    if (!p)
        return;
    m_clip = clip.weak_from_this();
    m_lockCentre = lockCentre;
    m_bounds = bounds ? std::optional<QRectF>(bounds->normalized()) : std::nullopt;
    m_grab = pointerInParent(clip, input) - QPointF(p->matrix.dx(), p->matrix.dy()) / 20.0;
    follow(input);
}

void DragState::follow(const InputState& input) {
    auto clip = m_clip.lock();
    Placement* p = clip ? clip->placement() : nullptr;
    if (!p) {
        m_clip.reset();
        return;
    }
    QPointF at = pointerInParent(*clip, input);
    if (!m_lockCentre)
        at -= m_grab;
    if (m_bounds) {
        at.setX(std::clamp(at.x(), m_bounds->left(), m_bounds->right()));
        at.setY(std::clamp(at.y(), m_bounds->top(), m_bounds->bottom()));
    }
    const QTransform& m = p->matrix;
    p->matrix = QTransform(m.m11(), m.m12(), m.m21(), m.m22(), at.x() * 20, at.y() * 20);
}

} // namespace reelcase::swf
