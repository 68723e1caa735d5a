#include "swf/display/timeline_instance.h"

#include "swf/format/limits.h"
#include "swf/format/movie.h"
#include "swf/sound/sound_mixer.h"

#include <algorithm>
#include <unordered_set>

namespace reelcase::swf {
namespace {

void applyFields(Placement& p, const PlaceCommand& c) {
    if (c.matrix)
        p.matrix = *c.matrix;
    if (c.cxform)
        p.cxform = *c.cxform;
    if (c.ratio)
        p.ratio = *c.ratio;
    if (c.name)
        p.name = *c.name;
    if (c.clipDepth)
        p.clipDepth = *c.clipDepth;
    if (c.blendMode)
        p.blendMode = *c.blendMode;
    if (c.filters)
        p.filters = *c.filters;
    if (c.visible)
        p.visible = *c.visible;
}

// Applies one frame's place and remove commands to a display list. Objects whose
// character changes lose their runtime part (instantiated again later).
void applyCommands(std::map<int, DisplayObject>& list, const FrameDef& frame) {
    for (const FrameCommand& command : frame.commands) {
        if (const auto* rm = std::get_if<RemoveCommand>(&command)) {
            list.erase(rm->depth);
            continue;
        }
        const auto* c = std::get_if<PlaceCommand>(&command);
        if (!c)
            continue;
        auto it = list.find(c->depth);
        if (c->move && it != list.end()) {
            DisplayObject& o = it->second;
            if (c->characterId && *c->characterId != o.placement.characterId) {
                o.placement.characterId = *c->characterId;
                o.character = nullptr;
                o.sprite.reset();
                o.instantiated = false;
            }
            applyFields(o.placement, *c);
            continue;
        }
        if (!c->characterId)
            continue;
        DisplayObject o;
        o.placement.characterId = *c->characterId;
        applyFields(o.placement, *c);
        list[c->depth] = std::move(o);
    }
}

} // namespace

TimelineInstance::TimelineInstance(const TimelineDef& def, PlayContext& context, int nesting)
    : m_def(def)
    , m_context(context)
    , m_nesting(nesting) {
    m_context.liveWeight += 1 + m_def.placeCount;
}

TimelineInstance::~TimelineInstance() {
    m_context.liveWeight -= 1 + m_def.placeCount;
    if (m_def.stream && m_context.sound)
        m_context.sound->stopStream(this);
    // A running script may hold a child beyond this timeline's life: it has no parent now.
    for (auto& [depth, object] : m_list)
        if (object.sprite)
            object.sprite->m_parent = nullptr;
}

void TimelineInstance::enterFirstFrame() {
    m_frame = 0;
    m_list.clear();
    applyFrame(0, true);
    followStream(-1);
}

void TimelineInstance::instantiate(DisplayObject& o) {
    o.instantiated = true;
    o.character = m_context.movie->dictionary.character(o.placement.characterId);
    if (!o.character)
        return;
    const TimelineDef* def = o.character->timeline();
    if (!def || m_nesting + 1 >= limits::maxSpriteNesting ||
        m_context.liveWeight + 1 + def->placeCount > limits::maxDisplayObjects)
        return;
    o.sprite = std::make_shared<TimelineInstance>(*def, m_context, m_nesting + 1);
    o.sprite->m_parent = this;
    o.sprite->enterFirstFrame();
}

// The frame a timeline arrives at (not those a goto passes over) queues its actions and
// starts its event sounds.
void TimelineInstance::queueActions(int frame) {
    for (const FrameCommand& command : m_def.frames[static_cast<size_t>(frame)].commands) {
        if (const auto* a = std::get_if<ActionCommand>(&command))
            m_context.actions.push_back({weak_from_this(), &a->code});
        else if (const auto* s = std::get_if<StartSoundCommand>(&command); s && m_context.sound)
            m_context.sound->startFrameSound(*s);
    }
}

void TimelineInstance::applyFrame(int frame, bool withActions) {
    applyCommands(m_list, m_def.frames[static_cast<size_t>(frame)]);
    for (auto& [depth, object] : m_list)
        if (!object.instantiated)
            instantiate(object);
    if (withActions)
        queueActions(frame);
}

// A sprite's stream keeps with its frames as the main timeline's does with the player's
// (the player looks after the main timeline's itself).
void TimelineInstance::followStream(int before) {
    if (m_parent && m_def.stream && m_context.sound)
        m_context.sound->followTimeline(this, m_def, before, m_frame, m_playing);
}

void TimelineInstance::gotoFrame(int frame) {
    frame = std::clamp(frame, 0, frameCount() - 1);
    if (frame == m_frame)
        return;
    if (frame > m_frame) {
        for (int f = m_frame + 1; f <= frame; ++f)
            applyFrame(f, f == frame);
        m_frame = frame;
        followStream(-1);
        return;
    }
    // Back: replay from frame 0, keeping the objects that are still the same character at
    // the same depth (a sprite there keeps playing rather than starting over).
    std::map<int, DisplayObject> rebuilt;
    for (int f = 0; f <= frame; ++f)
        applyCommands(rebuilt, m_def.frames[static_cast<size_t>(f)]);
    for (auto& [depth, object] : rebuilt) {
        auto old = m_list.find(depth);
        if (old != m_list.end() && old->second.instantiated &&
            old->second.placement.characterId == object.placement.characterId) {
            object.character = old->second.character;
            object.sprite = std::move(old->second.sprite);
            object.instantiated = true;
        }
    }
    m_list = std::move(rebuilt);
    for (auto& [depth, object] : m_list)
        if (!object.instantiated)
            instantiate(object);
    m_frame = frame;
    queueActions(frame);
    followStream(-1);
}

void TimelineInstance::tick(bool loop) {
    // Sprites already on the list tick after their parent; those placed by this tick's
    // frame show their first frame now and move on next time.
    std::unordered_set<const TimelineInstance*> before;
    for (const auto& [depth, object] : m_list)
        if (object.sprite)
            before.insert(object.sprite.get());
    const int frameBefore = m_frame;
    if (m_playing && frameCount() > 1) {
        if (m_frame + 1 < frameCount()) {
            applyFrame(m_frame + 1, true);
            ++m_frame;
        } else if (loop) {
            gotoFrame(0);
        } else {
            m_playing = false;
        }
    }
    if (m_frame == frameBefore + 1 || !m_playing)
        followStream(frameBefore); // jumps and loops went through gotoFrame
    std::vector<std::shared_ptr<TimelineInstance>> running;
    for (const auto& [depth, object] : m_list)
        if (object.sprite && before.count(object.sprite.get()))
            running.push_back(object.sprite);
    for (const auto& sprite : running)
        sprite->tick(true);
}

Placement* TimelineInstance::placement() {
    if (!m_parent)
        return nullptr;
    for (auto& [depth, object] : m_parent->m_list)
        if (object.sprite.get() == this)
            return &object.placement;
    return nullptr;
}

std::shared_ptr<TimelineInstance> TimelineInstance::child(const QString& name) const {
    for (const auto& [depth, object] : m_list)
        if (object.sprite && object.placement.name.compare(name, Qt::CaseInsensitive) == 0)
            return object.sprite;
    return nullptr;
}

} // namespace reelcase::swf
