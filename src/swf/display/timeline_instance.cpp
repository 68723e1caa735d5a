#include "swf/display/timeline_instance.h"

#include "swf/display/button.h"
#include "swf/display/sprite.h"
#include "swf/format/limits.h"
#include "swf/format/movie.h"
#include "swf/shapes/shape_drawing.h"
#include "swf/sound/sound_mixer.h"
#include "swf/text/edit_text.h"

#include <algorithm>
#include <limits>

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
    if (c.cacheAsBitmap)
        p.cacheAsBitmap = *c.cacheAsBitmap;
    if (c.opaqueBackground)
        p.opaqueBackground = *c.opaqueBackground;
}

constexpr int scriptDepthZero = 16384; // the tags' depth of scripts' depth 0

// The character of clips made by createEmptyMovieClip: one empty frame.
const Sprite& emptySprite() {
    static const Sprite sprite = [] {
        TimelineDef d;
        d.frames.resize(1);
        return Sprite(std::move(d));
    }();
    return sprite;
}

const TimelineDef& emptyTimeline() {
    return *emptySprite().timeline();
}

} // namespace

TimelineInstance::TimelineInstance(const TimelineDef& def, PlayContext& context, int nesting,
                                   const Movie* movie)
    : m_def(def)
    , m_context(context)
    , m_movie(movie ? movie : context.movie)
    , m_nesting(nesting)
    , m_id(context.nextObjectId++) {
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

void TimelineInstance::erase(std::map<int, DisplayObject>::iterator it) {
    // The listener may run scripts; the entry stays put until it returns.
    const std::uint64_t id = it->second.id;
    const int depth = it->first;
    if (m_context.listener && it->second.instantiated)
        m_context.listener->objectRemoved(*this, depth, it->second);
    auto again = m_list.find(depth);
    if (again != m_list.end() && again->second.id == id) {
        detach(again->second);
        m_list.erase(again);
    }
}

void TimelineInstance::detach(DisplayObject& object) {
    if (object.sprite)
        object.sprite->m_detached = true;
    if (object.button)
        object.button->parts->m_detached = true;
}

// Applies one frame's place and remove commands. Objects whose character changes are
// instantiated again. live: the list shown (its listener hears of removals).
void TimelineInstance::applyCommands(std::map<int, DisplayObject>& list, int frame, bool live,
                                     bool withActions) {
    for (const FrameCommand& command : m_def.frames[static_cast<size_t>(frame)].commands) {
        if (!std::holds_alternative<PlaceCommand>(command) &&
            !std::holds_alternative<RemoveCommand>(command)) {
            if (live && withActions)
                queueCommand(command);
            continue;
        }
        if (const auto* rm = std::get_if<RemoveCommand>(&command)) {
            auto it = list.find(rm->depth);
            if (it == list.end())
                continue;
            if (live)
                erase(it);
            else
                list.erase(it);
            continue;
        }
        const auto* c = std::get_if<PlaceCommand>(&command);
        if (!c)
            continue;
        auto it = list.find(c->depth);
        if (c->move && it != list.end()) {
            DisplayObject& o = it->second;
            if (o.placedByScript)
                continue;
            const bool replaced = c->characterId && *c->characterId != o.placement.characterId;
            if (replaced) {
                detach(o);
                o.placement.characterId = *c->characterId;
                o.character = nullptr;
                o.sprite.reset();
                o.button.reset();
                o.ownCharacter.reset();
                o.instantiated = false;
                o.placedFrame = frame;
                o.placedRatio = c->ratio.value_or(0);
            }
            applyFields(o.placement, *c);
            if (replaced && live)
                instantiate(c->depth, o);
            continue;
        }
        if (!c->characterId)
            continue;
        // A depth already taken keeps its object.
        if (it != list.end()) {
            if (live && m_context.listener)
                m_context.listener->placeRefused(c->depth);
            continue;
        }
        DisplayObject o;
        o.placement.characterId = *c->characterId;
        o.clipActions = c->clipActions;
        o.placedFrame = frame;
        o.placedRatio = c->ratio.value_or(0);
        applyFields(o.placement, *c);
        DisplayObject& placed = list[c->depth] = std::move(o);
        // Placed as the tags come: its first frame's scripts queue before later tags' ones.
        if (live)
            instantiate(c->depth, placed);
    }
}

const Character* TimelineInstance::characterFor(std::uint16_t id, const Movie** from) const {
    *from = m_movie;
    if (const Character* c = m_movie->dictionary.character(id))
        return c;
    if (m_movie != m_context.movie)
        return nullptr;
    auto it = m_context.imports.constFind(id);
    if (it == m_context.imports.constEnd())
        return nullptr;
    *from = it->movie;
    return it->movie->dictionary.character(it->id);
}

void TimelineInstance::instantiate(int depth, DisplayObject& o) {
    o.instantiated = true;
    o.id = m_context.nextObjectId++;
    const Movie* source = m_movie;
    o.character =
        o.ownCharacter ? o.ownCharacter.get() : characterFor(o.placement.characterId, &source);
    // Objects scripts can address get a name when the file gives none; shapes stay unnamed.
    if (o.placement.name.isEmpty() && o.character &&
        (o.character->timeline() || dynamic_cast<const Button*>(o.character) ||
         dynamic_cast<const EditText*>(o.character)))
        o.placement.name = QStringLiteral("instance%1").arg(++m_context.unnamedCount);
    if (o.character) {
        const TimelineDef* def = o.character->timeline();
        if (def && m_nesting + 1 < limits::maxSpriteNesting &&
            m_context.liveWeight + 1 + def->placeCount <= limits::maxDisplayObjects) {
            o.sprite = std::make_shared<TimelineInstance>(*def, m_context, m_nesting + 1, source);
            o.sprite->m_parent = this;
            o.sprite->m_id = o.id;
            // Its load event comes before its first frame's scripts.
            m_context.actions.push_back({o.sprite, nullptr});
            if (m_context.listener)
                m_context.listener->clipCreated(*this, o);
            o.sprite->enterFirstFrame();
        } else if (const auto* button = dynamic_cast<const Button*>(o.character)) {
            makeButton(o, *button);
        }
    }
    if (m_context.listener)
        m_context.listener->objectPlaced(*this, depth, o);
}

// Instantiating may run scripts that change the list: walk it by depth, afresh each time.
void TimelineInstance::instantiatePending(const std::unordered_set<int>& later) {
    for (int depth = std::numeric_limits<int>::min();;) {
        auto it = m_list.lower_bound(depth);
        while (it != m_list.end() && (it->second.instantiated || later.count(it->first)))
            ++it;
        if (it == m_list.end())
            break;
        depth = it->first;
        instantiate(it->first, it->second);
    }
}

void TimelineInstance::makeButton(DisplayObject& o, const Button& definition) {
    if (m_nesting + 1 >= limits::maxSpriteNesting ||
        m_context.liveWeight + 1 > limits::maxDisplayObjects)
        return; // drawn by the definition, in its up state
    auto b = std::make_shared<ButtonInstance>();
    b->definition = &definition;
    b->trackAsMenu = definition.trackAsMenu();
    b->parts = std::make_shared<TimelineInstance>(emptyTimeline(), m_context, m_nesting + 1);
    b->parts->m_parent = this;
    b->parts->m_buttonState = true;
    b->parts->enterFirstFrame();
    o.button = b;
    showButtonState(*b, ButtonState::Up);
}

void TimelineInstance::showButtonState(ButtonInstance& b, ButtonState state) {
    b.state = state;
    TimelineInstance& list = *b.parts;
    const int flag = stateFlag(state);
    const auto& parts = b.definition->parts();
    auto shownAt = [&](int depth) -> const Button::Part* {
        for (const Button::Part& p : parts)
            if (p.depth == depth && (p.states & flag))
                return &p;
        return nullptr;
    };
    // Characters the new state shows as well stay (a sprite in them keeps playing).
    std::vector<int> gone;
    for (const auto& [depth, object] : list.m_list) {
        const Button::Part* p = shownAt(depth);
        if (!p || p->characterId != object.placement.characterId)
            gone.push_back(depth);
    }
    for (int depth : gone)
        list.removeAt(depth);
    for (const Button::Part& p : parts) {
        if (!(p.states & flag) || shownAt(p.depth) != &p)
            continue;
        DisplayObject* o = list.objectAt(p.depth);
        if (!o) {
            if (!list.m_context.movie->dictionary.character(p.characterId))
                continue;
            DisplayObject fresh;
            fresh.placement.characterId = p.characterId;
            fresh.placement.matrix = p.matrix;
            fresh.placement.cxform = p.cxform;
            fresh.placement.blendMode = p.blendMode;
            list.insertNew(p.depth, std::move(fresh));
            continue;
        }
        o->placement.matrix = p.matrix;
        o->placement.cxform = p.cxform;
        o->placement.blendMode = p.blendMode;
    }
}

const TimelineInstance* DisplayObject::children() const {
    if (sprite)
        return sprite.get();
    return button ? button->parts.get() : nullptr;
}

// The frame a timeline arrives at (not those a goto passes over) queues its actions and
// starts its event sounds; init actions run at once.
void TimelineInstance::queueCommand(const FrameCommand& command) {
    if (const auto* a = std::get_if<ActionCommand>(&command)) {
        if (a->initSprite < 0) {
            m_context.actions.push_back({weak_from_this(), &a->code});
        } else if (m_context.initializedSprites.insert({m_movie, a->initSprite}).second) {
            m_context.initActions.push_back({weak_from_this(), &a->code});
            if (m_context.listener)
                m_context.listener->initActionsQueued();
        }
    } else if (const auto* s = std::get_if<StartSoundCommand>(&command); s && m_context.sound) {
        m_context.sound->startFrameSound(*s, soundOwners());
    }
}

void TimelineInstance::applyFrame(int frame, bool withActions) {
    applyCommands(m_list, frame, true, withActions);
    instantiatePending();
}

// A sprite's stream keeps with its frames as the main timeline's does with the player's
// (the player looks after the main timeline's itself).
void TimelineInstance::followStream(int before) {
    if (m_parent && m_def.stream && m_context.sound)
        m_context.sound->followTimeline(this, m_def, before, m_frame, m_playing, soundOwners());
}

SoundOwners TimelineInstance::soundOwners() const {
    SoundOwners owners;
    for (const TimelineInstance* t = this; t; t = t->m_parent)
        owners.push_back(static_cast<SoundOwner>(t->m_id));
    return owners;
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
    // Back: replay from frame 0, keeping the objects that the target frame still shows (the
    // same character with the same ratio at the depth: a sprite there keeps playing rather
    // than starting over, and keeps its name), those scripts moved if they were placed by
    // then, and script-made ones at script depths.
    std::map<int, DisplayObject> rebuilt;
    for (int f = 0; f <= frame; ++f)
        applyCommands(rebuilt, f, false, false);
    std::vector<int> gone;
    for (auto& [depth, object] : m_list) {
        auto now = rebuilt.find(depth);
        bool kept = false;
        if (object.madeByScript)
            kept = depth >= scriptDepthZero;
        else if (object.placedByScript) // a timeline object a script moved elsewhere
            kept = object.placedFrame <= frame;
        else
            kept = now != rebuilt.end() && object.instantiated &&
                   now->second.placedRatio == object.placedRatio &&
                   now->second.placement.characterId == object.placement.characterId;
        if (!kept)
            gone.push_back(depth);
    }
    for (int depth : gone)
        if (auto it = m_list.find(depth); it != m_list.end())
            erase(it);
    for (auto& [depth, object] : rebuilt) {
        auto old = m_list.find(depth);
        if (old == m_list.end()) {
            m_list.emplace(depth, std::move(object));
        } else if (!old->second.placedByScript) {
            // The same object stays; the timeline's placement of it is restored.
            const QString name = old->second.placement.name;
            old->second.placement = object.placement;
            old->second.placement.name = name;
            old->second.placedFrame = object.placedFrame;
        }
    }
    m_frame = frame;
    // What earlier frames placed comes first, then the target frame's tags in their order.
    const auto& commands = m_def.frames[static_cast<size_t>(frame)].commands;
    std::unordered_set<int> placedHere;
    for (const FrameCommand& command : commands)
        if (const auto* c = std::get_if<PlaceCommand>(&command))
            placedHere.insert(c->depth);
    instantiatePending(placedHere);
    for (const FrameCommand& command : commands) {
        if (const auto* c = std::get_if<PlaceCommand>(&command)) {
            if (auto it = m_list.find(c->depth); it != m_list.end() && !it->second.instantiated)
                instantiate(c->depth, it->second);
        } else if (!std::holds_alternative<RemoveCommand>(command)) {
            queueCommand(command);
        }
    }
    instantiatePending();
    followStream(-1);
}

void TimelineInstance::tick(bool loop) {
    // Every timeline already on the stage moves on, the most recently made first (the order
    // the player keeps them in, so a child's frame script runs before its parent's); those
    // this tick places show their first frame now and move on next time.
    std::vector<std::shared_ptr<TimelineInstance>> running;
    std::vector<TimelineInstance*> pending{this};
    while (!pending.empty() && running.size() < 100'000) {
        TimelineInstance* t = pending.back();
        pending.pop_back();
        running.push_back(t->shared_from_this());
        for (const auto& [depth, object] : t->m_list)
            if (const TimelineInstance* inner = object.children())
                pending.push_back(const_cast<TimelineInstance*>(inner));
    }
    std::sort(running.begin(), running.end(),
              [](const auto& a, const auto& b) { return a->m_id > b->m_id; });
    // Each clip's enterFrame is queued just before its frame's scripts; a clip that a later
    // timeline's tags remove before the queue runs hears nothing.
    for (const auto& t : running) {
        if (t.get() != this && !t->isUnder(*this))
            continue;
        if (!t->m_buttonState)
            m_context.actions.push_back({t, nullptr, true});
        t->advance(t.get() == this ? loop : true);
    }
}

// Still on a display list that leads up to top (scripts may have removed it meanwhile).
bool TimelineInstance::isUnder(const TimelineInstance& top) const {
    const TimelineInstance* at = this;
    for (int level = 0; at && at != &top && level <= limits::maxSpriteNesting; ++level)
        at = at->m_detached ? nullptr : at->m_parent;
    return at == &top;
}

void TimelineInstance::advance(bool loop) {
    const int frameBefore = m_frame;
    if (m_playing && frameCount() > 1) {
        if (m_frame + 1 < frameCount()) {
            ++m_frame;
            applyFrame(m_frame, true);
        } else if (loop && m_def.complete) {
            gotoFrame(0);
        } else if (!loop) {
            m_playing = false;
        }
        // Else it waits on its last frame for frames still to load, which never come.
    }
    if (m_frame == frameBefore + 1 || !m_playing)
        followStream(frameBefore); // jumps and loops went through gotoFrame
}

DisplayObject* TimelineInstance::objectAt(int depth) {
    auto it = m_list.find(depth);
    return it == m_list.end() ? nullptr : &it->second;
}

DisplayObject* TimelineInstance::entry() {
    if (!m_parent)
        return nullptr;
    // A button's state list stands for the button: paths and matrices go through it.
    for (auto& [depth, object] : m_parent->m_list)
        if (object.sprite.get() == this || (object.button && object.button->parts.get() == this))
            return &object;
    return nullptr;
}

Placement* TimelineInstance::placement() {
    DisplayObject* e = entry();
    return e ? &e->placement : nullptr;
}

DisplayObject* TimelineInstance::childObject(const QString& name, bool caseSensitive) {
    const auto cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (auto& [depth, object] : m_list)
        if (object.instantiated && object.placement.name.compare(name, cs) == 0)
            return &object;
    return nullptr;
}

std::shared_ptr<TimelineInstance> TimelineInstance::child(const QString& name) const {
    for (const auto& [depth, object] : m_list)
        if (object.sprite && object.placement.name.compare(name, Qt::CaseInsensitive) == 0)
            return object.sprite;
    return nullptr;
}

DisplayObject* TimelineInstance::insertNew(int depth, DisplayObject object) {
    if (auto it = m_list.find(depth); it != m_list.end())
        erase(it);
    object.placedByScript = true;
    object.madeByScript = true;
    auto [it, added] = m_list.insert_or_assign(depth, std::move(object));
    DisplayObject& o = it->second;
    const std::uint64_t id = m_context.nextObjectId;
    instantiate(depth, o);
    // The listener may have removed it again.
    auto now = m_list.find(depth);
    return now != m_list.end() && now->second.id == id ? &now->second : nullptr;
}

DisplayObject* TimelineInstance::placeCharacter(std::uint16_t characterId, const QString& name,
                                                int depth) {
    const Movie* source = nullptr;
    if (!characterFor(characterId, &source))
        return nullptr;
    DisplayObject o;
    o.placement.characterId = characterId;
    o.placement.name = name;
    return insertNew(depth, std::move(o));
}

DisplayObject* TimelineInstance::placeOwn(std::shared_ptr<const Character> character,
                                          const QString& name, int depth,
                                          const QTransform& matrix) {
    DisplayObject o;
    o.placement.name = name;
    o.placement.matrix = matrix;
    o.ownCharacter = std::move(character);
    return insertNew(depth, std::move(o));
}

DisplayObject* TimelineInstance::placeEmptyClip(const QString& name, int depth) {
    if (m_nesting + 1 >= limits::maxSpriteNesting ||
        m_context.liveWeight + 1 > limits::maxDisplayObjects)
        return nullptr;
    if (auto it = m_list.find(depth); it != m_list.end())
        erase(it);
    DisplayObject o;
    o.placement.name = name;
    o.placedByScript = true;
    o.madeByScript = true;
    o.instantiated = true;
    o.character = &emptySprite(); // drawn and hit like any sprite
    o.id = m_context.nextObjectId++;
    o.sprite = std::make_shared<TimelineInstance>(emptyTimeline(), m_context, m_nesting + 1);
    o.sprite->m_parent = this;
    o.sprite->m_id = o.id;
    o.sprite->enterFirstFrame();
    const std::uint64_t id = o.id;
    DisplayObject& placed = m_list.insert_or_assign(depth, std::move(o)).first->second;
    if (m_context.listener)
        m_context.listener->objectPlaced(*this, depth, placed);
    auto now = m_list.find(depth);
    return now != m_list.end() && now->second.id == id ? &now->second : nullptr;
}

DisplayObject* TimelineInstance::loadMovieAt(int depth, std::shared_ptr<const Movie> movie) {
    auto it = m_list.find(depth);
    if (!movie || it == m_list.end() || !it->second.sprite ||
        m_nesting + 1 >= limits::maxSpriteNesting ||
        m_context.liveWeight + 1 + movie->root.placeCount > limits::maxDisplayObjects)
        return nullptr;
    DisplayObject o;
    o.placement = it->second.placement;
    o.placement.characterId = 0;
    o.clipActions = it->second.clipActions;
    // The same id: references to the clip find it showing the new movie.
    o.id = it->second.id;
    erase(it);
    o.placedByScript = true;
    o.instantiated = true;
    o.character = &emptySprite(); // drawn and hit as a sprite: its list is the new movie's
    o.sprite =
        std::make_shared<TimelineInstance>(movie->root, m_context, m_nesting + 1, movie.get());
    o.sprite->keepMovie(movie);
    o.sprite->m_parent = this;
    o.sprite->m_id = o.id;
    const std::uint64_t id = o.id;
    const std::shared_ptr<TimelineInstance> sprite = o.sprite;
    m_list.insert_or_assign(depth, std::move(o));
    // The clip's load event comes again, before the new movie's first frame's scripts.
    m_context.actions.push_back({sprite, nullptr});
    sprite->enterFirstFrame();
    auto now = m_list.find(depth);
    if (now == m_list.end() || now->second.id != id)
        return nullptr;
    if (m_context.listener)
        m_context.listener->objectPlaced(*this, depth, now->second);
    now = m_list.find(depth);
    return now != m_list.end() && now->second.id == id ? &now->second : nullptr;
}

DisplayObject* TimelineInstance::duplicate(int fromDepth, const QString& name, int depth) {
    DisplayObject* from = objectAt(fromDepth);
    if (!from)
        return nullptr;
    DisplayObject o;
    o.placement = from->placement;
    o.placement.name = name;
    o.clipActions = from->clipActions;
    o.ownCharacter = from->ownCharacter;
    if (!from->character && !from->sprite)
        return nullptr;
    if (from->sprite && &from->sprite->m_def == &emptyTimeline())
        return placeEmptyClip(name, depth);
    return insertNew(depth, std::move(o));
}

void TimelineInstance::removeAt(int depth) {
    if (auto it = m_list.find(depth); it != m_list.end())
        erase(it);
}

void TimelineInstance::swapDepths(int a, int b) {
    if (a == b)
        return;
    auto ia = m_list.find(a);
    if (ia == m_list.end())
        return;
    DisplayObject moving = std::move(ia->second);
    m_list.erase(ia);
    moving.placedByScript = true;
    auto ib = m_list.find(b);
    if (ib != m_list.end()) {
        DisplayObject other = std::move(ib->second);
        other.placedByScript = true;
        m_list.erase(ib);
        m_list.emplace(a, std::move(other));
    }
    m_list.emplace(b, std::move(moving));
}

ShapeDrawing& TimelineInstance::drawing() {
    if (!m_drawing)
        m_drawing = std::make_unique<ShapeDrawing>();
    return *m_drawing;
}

void TimelineInstance::drawingChanged() {
    std::shared_ptr<const Character> shown = m_drawing ? m_drawing->character() : nullptr;
    auto it = m_list.find(drawingDepth);
    if (!shown) {
        if (it != m_list.end())
            erase(it);
    } else if (it != m_list.end()) {
        it->second.character = shown.get();
        it->second.ownCharacter = std::move(shown);
    } else {
        placeOwn(std::move(shown), QString(), drawingDepth, QTransform());
    }
}

QRectF TimelineInstance::bounds() const {
    QRectF out;
    for (const auto& [depth, object] : m_list) {
        const QRectF b = objectBounds(object);
        if (b.isNull())
            continue;
        out = out.isNull() ? b : out.united(b);
    }
    return out;
}

QRectF objectBounds(const DisplayObject& object) {
    QRectF own;
    if (const TimelineInstance* inner = object.children()) {
        if (inner->nesting() < limits::maxSpriteNesting)
            own = inner->bounds();
    } else if (object.character) {
        own = object.character->bounds();
    }
    if (const auto& scroll = object.placement.scrollRect)
        own = QRectF(QPointF(0, 0), scroll->size()); // the window, wherever the content is
    if (own.isNull())
        return {};
    return object.placement.matrix.mapRect(own);
}

QTransform contentOffset(const DisplayObject& o) {
    if (const auto& scroll = o.placement.scrollRect)
        return QTransform::fromTranslate(-scroll->x(), -scroll->y());
    return {};
}

std::vector<std::shared_ptr<TimelineInstance>> clipsOnStage(TimelineInstance& root) {
    std::vector<std::shared_ptr<TimelineInstance>> clips;
    std::vector<TimelineInstance*> pending{&root};
    while (!pending.empty() && clips.size() < 100'000) {
        TimelineInstance* c = pending.back();
        pending.pop_back();
        if (!c->isButtonState())
            clips.push_back(c->shared_from_this());
        for (const auto& [depth, object] : c->displayList())
            if (const TimelineInstance* inner = object.children())
                pending.push_back(const_cast<TimelineInstance*>(inner));
    }
    std::reverse(clips.begin(), clips.end());
    return clips;
}

} // namespace reelcase::swf
