#pragma once

#include "swf/display/input_state.h"

#include <QRectF>

#include <memory>
#include <optional>

namespace reelcase::swf {

class TimelineInstance;

// The clip that follows the pointer (startDrag), one at a time.
class DragState {
public:
    // lockCentre puts the clip's origin under the pointer; otherwise it keeps its distance.
    // bounds (parent pixels) holds the clip's position inside.
    void start(TimelineInstance& clip, bool lockCentre, std::optional<QRectF> bounds,
               const InputState& input);
    void stop() { m_clip.reset(); }
    // Moves the dragged clip to the pointer.
    void follow(const InputState& input);
    std::shared_ptr<TimelineInstance> clip() const { return m_clip.lock(); }

private:
    std::weak_ptr<TimelineInstance> m_clip;
    bool m_lockCentre = false;
    QPointF m_grab; // the pointer's offset from the clip's origin when it was taken
    std::optional<QRectF> m_bounds;
};

} // namespace reelcase::swf
