#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace reelcase::swf {

class TimelineInstance;

// What the pointer is over: a button, or a clip acting as one. Found again by its parent
// and its display id (ids are never reused, so a target that left cannot be mistaken).
struct PointerTarget {
    std::uint64_t id = 0; // 0: nothing
    std::weak_ptr<TimelineInstance> parent;
    bool trackAsMenu = false;
    explicit operator bool() const { return id != 0; }
};

struct PointerTransition {
    PointerTarget target;
    int transition = 0; // transition:: in button.h
};

// The pointer's states towards the objects under it: which one is rolled over, which one
// was pressed and whether the pointer is still on it. Each call returns the transitions,
// in the order their scripts run.
class PointerTracker {
public:
    std::vector<PointerTransition> moved(const PointerTarget& under);
    std::vector<PointerTransition> pressed(const PointerTarget& under);
    std::vector<PointerTransition> released(const PointerTarget& under);
    // The keyboard focus came to a target (or left for none): whatever is rolled over rolls
    // out, even the same target, and the focused one rolls over. Nothing while pressed.
    std::vector<PointerTransition> focused(const PointerTarget& target);
    const PointerTarget& hovered() const { return m_hovered; }
    const PointerTarget& pressedTarget() const { return m_pressed; }
    bool buttonDown() const { return m_down; }
    // Forgets everything (a new movie).
    void reset() { *this = PointerTracker(); }

private:
    void movedTo(const PointerTarget& under, std::vector<PointerTransition>& out);

    PointerTarget m_hovered;
    PointerTarget m_pressed;
    bool m_inside = false; // the pointer is on the pressed target
    bool m_down = false;
};

} // namespace reelcase::swf
