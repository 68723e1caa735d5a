#include "swf/display/pointer_tracker.h"

#include "swf/display/button.h"

namespace reelcase::swf {

void PointerTracker::movedTo(const PointerTarget& under, std::vector<PointerTransition>& out) {
    if (!m_down) {
        if (under.id != m_hovered.id) {
            if (m_hovered)
                out.push_back({m_hovered, transition::OverUpToIdle});
            m_hovered = under;
            if (under)
                out.push_back({under, transition::IdleToOverUp});
        }
        return;
    }
    // The button is held: only the pressed target follows the pointer, except menus,
    // which take the press over as the pointer drags across them.
    if (m_pressed) {
        const bool inside = under.id == m_pressed.id;
        if (m_pressed.trackAsMenu && !inside) {
            out.push_back({m_pressed, transition::OverDownToIdle});
            m_pressed = {};
        } else if (inside != m_inside) {
            out.push_back({m_pressed,
                           inside ? transition::OutDownToOverDown : transition::OverDownToOutDown});
            m_inside = inside;
        }
    }
    if (!m_pressed && under && under.trackAsMenu && under.id != m_hovered.id) {
        out.push_back({under, transition::IdleToOverDown});
        m_pressed = under;
        m_inside = true;
    }
    m_hovered = under;
}

std::vector<PointerTransition> PointerTracker::moved(const PointerTarget& under) {
    std::vector<PointerTransition> out;
    movedTo(under, out);
    return out;
}

std::vector<PointerTransition> PointerTracker::focused(const PointerTarget& target) {
    std::vector<PointerTransition> out;
    if (m_down)
        return out;
    if (m_hovered)
        out.push_back({m_hovered, transition::OverUpToIdle});
    m_hovered = target;
    if (target)
        out.push_back({target, transition::IdleToOverUp});
    return out;
}

std::vector<PointerTransition> PointerTracker::pressed(const PointerTarget& under) {
    std::vector<PointerTransition> out;
    if (m_down)
        return out; // a second press without a release in between (another button)
    movedTo(under, out);
    m_down = true;
    if (under) {
        out.push_back({under, transition::OverUpToOverDown});
        m_pressed = under;
        m_inside = true;
    }
    return out;
}

std::vector<PointerTransition> PointerTracker::released(const PointerTarget& under) {
    std::vector<PointerTransition> out;
    if (!m_down)
        return moved(under);
    movedTo(under, out);
    m_down = false;
    const bool releasedOn = m_pressed && m_inside;
    if (m_pressed)
        out.push_back(
            {m_pressed, releasedOn ? transition::OverDownToOverUp : transition::OutDownToIdle});
    m_pressed = {};
    m_inside = false;
    if (under && !releasedOn)
        out.push_back({under, transition::IdleToOverUp});
    m_hovered = under;
    return out;
}

} // namespace reelcase::swf
