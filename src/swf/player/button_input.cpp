#include "swf/player/button_input.h"

#include "swf/display/button.h"
#include "swf/display/hit_test.h"
#include "swf/display/input_listener.h"
#include "swf/display/timeline_instance.h"
#include "swf/format/limits.h"
#include "swf/format/movie.h"

namespace reelcase::swf {
namespace {

// The topmost enabled button, or clip acting as one, under point (twips in timeline's
// coordinates). Shapes do not hide the buttons beneath them.
PointerTarget buttonAt(TimelineInstance& timeline, QPointF point, const Dictionary& dictionary,
                       InputListener* scripts, int nesting) {
    if (nesting > limits::maxSpriteNesting)
        return {};
    // A loaded movie's characters come from its own file.
    const Dictionary& own = timeline.movie() ? timeline.movie()->dictionary : dictionary;
    const auto& list = timeline.displayList();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const DisplayObject& o = it->second;
        if (!o.instantiated || !o.placement.visible || o.placement.clipDepth > 0)
            continue;
        bool invertible = false;
        const QTransform inverse = o.placement.matrix.inverted(&invertible);
        auto inside = [&](TimelineInstance& children) {
            return invertible ? buttonAt(children, inverse.map(point), own, scripts, nesting + 1)
                              : PointerTarget{};
        };
        if (o.button) {
            // A button shown inside another takes the pointer before the one holding it.
            if (PointerTarget inner = inside(*o.button->parts))
                return inner;
            if (o.button->enabled && hitsObject(o, point, own, nesting) &&
                (!scripts || scripts->buttonEnabled(timeline, *timeline.objectAt(it->first))))
                return {o.id, timeline.weak_from_this(), o.button->trackAsMenu};
            continue;
        }
        if (!o.sprite)
            continue;
        if (scripts && scripts->actsAsButton(*o.sprite)) {
            if (hitsObject(o, point, own, nesting))
                return {o.id, timeline.weak_from_this(), false};
            continue;
        }
        if (PointerTarget inner = inside(*o.sprite))
            return inner;
    }
    return {};
}

void enterState(ButtonInstance& button, int transition) {
    TimelineInstance::showButtonState(button, stateAfter(transition));
    // Here the sound layer plays sound buttonSoundIndex(transition) of the button.
}

} // namespace

DisplayObject* resolveTarget(const PointerTarget& target) {
    auto parent = target.parent.lock();
    if (!parent)
        return nullptr;
    for (const auto& [depth, object] : parent->displayList())
        if (object.id == target.id)
            return parent->objectAt(depth);
    return nullptr;
}

PointerTarget ButtonInput::targetAt(TimelineInstance* root) const {
    if (!root || !m_context.input.pointerInside)
        return {};
    const QPointF point = m_context.input.pointer * 20.0;
    // Loaded levels lie over the root, the highest on top.
    for (auto it = m_context.levels.rbegin(); it != m_context.levels.rend(); ++it) {
        if (it->first <= 0 || !it->second)
            continue;
        if (PointerTarget t = buttonAt(*it->second, point, m_context.movie->dictionary,
                                       m_context.inputListener, 0))
            return t;
    }
    return buttonAt(*root, point, m_context.movie->dictionary, m_context.inputListener, 0);
}

bool ButtonInput::apply(const std::vector<PointerTransition>& transitions) {
    bool queued = false;
    for (const PointerTransition& t : transitions) {
        DisplayObject* o = resolveTarget(t.target);
        auto parent = t.target.parent.lock();
        if (!o || !parent)
            continue;
        if (!m_context.inputListener) {
            queued |= takeTransition(*parent, *o, t.transition);
            continue;
        }
        if (o->button)
            enterState(*o->button, t.transition);
        m_context.inputListener->pointerTransition(*parent, *o, t.transition);
        queued = true; // what the scripts queued runs next
    }
    return queued;
}

bool ButtonInput::takeTransition(TimelineInstance& parent, DisplayObject& o, int transition) {
    if (!o.button)
        return false;
    ButtonInstance& button = *o.button;
    enterState(button, transition);
    bool queued = false;
    for (const Button::Action& action : button.definition->actions()) {
        if (action.transitions & transition) {
            m_context.actions.push_back({parent.weak_from_this(), &action.code});
            queued = true;
        }
    }
    return queued;
}

bool ButtonInput::moved(TimelineInstance* root, bool pointerMoved) {
    if (!pointerMoved && m_focusHover)
        return false;
    m_focusHover = false;
    return apply(m_tracker.moved(targetAt(root)));
}

bool ButtonInput::focusMoved(const PointerTarget& target) {
    m_focusHover = true;
    return apply(m_tracker.focused(target));
}

bool ButtonInput::focusLost() {
    if (!m_focusHover)
        return false;
    m_focusHover = false;
    apply(m_tracker.focused({}));
    return true;
}

bool ButtonInput::pressed(TimelineInstance* root) {
    m_focusHover = false;
    return apply(m_tracker.pressed(targetAt(root)));
}

bool ButtonInput::released(TimelineInstance* root) {
    m_focusHover = false;
    return apply(m_tracker.released(targetAt(root)));
}

bool ButtonInput::keyPressed(TimelineInstance* root, int keyCode, char32_t character) {
    const int code = buttonKeyCode(keyCode, character);
    if (!root || code == 0)
        return false;
    // Every enabled button on the stage with a condition for the key.
    bool queued = false;
    std::vector<TimelineInstance*> pending{root};
    for (const auto& [level, timeline] : m_context.levels)
        if (level > 0 && timeline)
            pending.push_back(timeline.get());
    for (int visited = 0; !pending.empty() && visited < limits::maxDisplayObjects; ++visited) {
        TimelineInstance* timeline = pending.back();
        pending.pop_back();
        const auto& list = timeline->displayList();
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            const DisplayObject& o = it->second;
            if (o.sprite)
                pending.push_back(o.sprite.get());
            if (!o.button || !o.button->enabled)
                continue;
            for (const Button::Action& action : o.button->definition->actions()) {
                if (action.keyPress == code) {
                    m_context.actions.push_back({timeline->weak_from_this(), &action.code});
                    queued = true;
                }
            }
        }
    }
    return queued;
}

bool ButtonInput::showsHand() const {
    DisplayObject* o = resolveTarget(m_tracker.hovered());
    auto parent = m_tracker.hovered().parent.lock();
    if (!o || !parent || (o->button && !o->button->enabled))
        return false;
    return m_context.inputListener ? m_context.inputListener->showsHand(*parent, *o)
                                   : o->button && o->button->useHandCursor;
}

} // namespace reelcase::swf
