#include "swf/script/script_runtime.h"

#include "swf/format/movie.h"
#include "swf/script/builtins/bitmap_data.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/net_stream.h"
#include "swf/script/builtins/selection.h"
#include "swf/script/clip_object.h"
#include "swf/script/movie_loads.h"
#include "swf/script/text_field.h"
#include "swf/script/vm.h"
#include "swf/text/edit_text.h"

namespace reelcase::swf {

using namespace avm1;

namespace {
enum ClipEventFlag : std::uint32_t {
    EventLoad = 0x1,
    EventEnterFrame = 0x2,
    EventUnload = 0x4,
    EventInitialize = 0x200,
    EventConstruct = 0x40000,
};
} // namespace

// A load event waiting for the frame's scripts to finish.
struct ScriptRuntime::Event {
    std::weak_ptr<TimelineInstance> clip;
};

namespace {
avm1::Budgets budgetsWith(int stepsPerFrame) {
    avm1::Budgets budgets;
    if (stepsPerFrame > 0)
        budgets.stepsPerFrame = stepsPerFrame;
    return budgets;
}
} // namespace

ScriptRuntime::ScriptRuntime(PlayContext& context, ScriptHost* host, int swfVersion,
                             int stepsPerFrame)
    : m_context(context)
    , m_vm(std::make_unique<Vm>(context, host, swfVersion, budgetsWith(stepsPerFrame))) {}

ScriptRuntime::~ScriptRuntime() = default;

void ScriptRuntime::setRoot(TimelineInstance& root) {
    m_root = &root;
    m_context.levels[0] = root.shared_from_this();
    m_vm->setRoot(&root);
    m_vm->clipObject(root)->put(QStringLiteral("$version"), builtins::playerVersion());
    // The root's load event follows its first frame's scripts.
    auto e = std::make_unique<Event>();
    e->clip = root.weak_from_this();
    m_events.push_back(std::move(e));
}

void ScriptRuntime::runClipEvent(TimelineInstance& clip, const DisplayObject* entry,
                                 std::uint32_t flag, const QString& method) {
    if (entry && entry->clipActions)
        for (const ClipAction& action : *entry->clipActions)
            if (action.events & flag)
                m_vm->runBlock(clip, action.code);
    if (!method.isEmpty()) {
        ClipObject* o = m_vm->clipObject(clip);
        try {
            m_vm->callIfPresent(o, method);
        } catch (ScriptThrow&) {
        } catch (ScriptAbort&) {
        }
    }
}

void ScriptRuntime::newFrame() {
    m_vm->newFrame();
}

void ScriptRuntime::sendEnterFrame(TimelineInstance& clip) {
    if (m_vm->clipObject(clip)->unloaded || !onStage(clip))
        return; // removed since the event was queued
    runClipEvent(clip, clip.entry(), EventEnterFrame, QStringLiteral("onEnterFrame"));
}

std::vector<std::shared_ptr<TimelineInstance>> ScriptRuntime::clipsInEventOrder() {
    std::vector<std::shared_ptr<TimelineInstance>> out;
    if (!m_root)
        return out;
    // Depth first, children by falling depth, each clip after its children.
    struct Step {
        TimelineInstance* clip;
        bool expanded;
    };
    std::vector<Step> pending;
    for (const auto& [level, root] : m_context.levels)
        pending.push_back({root.get(), false});
    while (!pending.empty() && out.size() < 100'000) {
        Step step = pending.back();
        pending.pop_back();
        if (step.expanded) {
            if (!step.clip->isButtonState())
                out.push_back(step.clip->shared_from_this());
            continue;
        }
        pending.push_back({step.clip, true});
        for (const auto& [depth, object] : step.clip->displayList())
            if (const TimelineInstance* inner = object.children())
                pending.push_back({const_cast<TimelineInstance*>(inner), false});
    }
    return out;
}

void ScriptRuntime::input(InputKind kind) {
    static const std::pair<std::uint32_t, const char*> events[] = {{0x08, "onMouseMove"},
                                                                   {0x10, "onMouseDown"},
                                                                   {0x20, "onMouseUp"},
                                                                   {0x40, "onKeyDown"},
                                                                   {0x80, "onKeyUp"}};
    const auto& [flag, name] = events[static_cast<int>(kind)];
    const QString method = QLatin1String(name);
    const bool mouse =
        kind == InputKind::MouseMove || kind == InputKind::MouseDown || kind == InputKind::MouseUp;
    for (const auto& clip : clipsInEventOrder()) {
        TimelineInstance& c = *clip;
        if (!onStage(c))
            continue;
        // Clips hear mouse events as methods; keys only through onClipEvent and listeners.
        runClipEvent(c, c.entry(), flag, mouse ? method : QString());
    }
    Object* broadcaster = objectOf(m_vm->getMember(
        Value(m_vm->global), mouse ? QStringLiteral("Mouse") : QStringLiteral("Key")));
    if (broadcaster) {
        try {
            for (Object* listener : m_vm->listeners(broadcaster)) {
                // A clip that left the stage hears nothing, though the list still holds it.
                auto* clip = dynamic_cast<ClipObject*>(listener);
                if (!clip || (!clip->unloaded && clip->timeline()))
                    m_vm->callIfPresent(listener, method);
            }
        } catch (ScriptThrow&) {
        } catch (ScriptAbort&) {
        }
    }
    runPending();
}

void ScriptRuntime::runEvents() {
    std::vector<std::unique_ptr<Event>> events = std::move(m_events);
    m_events.clear();
    for (auto& e : events)
        if (auto clip = e->clip.lock())
            sendLoad(*clip);
}

void ScriptRuntime::runPending() {
    if (m_running)
        return; // a goto inside a script: the outer loop picks the new actions up
    m_running = true;
    runInitializeEvents(nullptr);
    for (int rounds = 0; rounds < 10'000; ++rounds) {
        if (!m_context.initActions.empty()) {
            PendingAction next = m_context.initActions.front();
            m_context.initActions.pop_front();
            if (auto timeline = next.timeline.lock())
                m_vm->runBlock(*timeline, *next.code);
            continue;
        }
        if (!m_constructs.empty()) {
            auto clip = m_constructs.front().lock();
            m_constructs.pop_front();
            const DisplayObject* entry = clip ? clip->entry() : nullptr;
            if (entry && clip->parent())
                construct(*clip, *entry);
            continue;
        }
        if (!m_context.actions.empty()) {
            PendingAction next = m_context.actions.front();
            m_context.actions.pop_front();
            if (auto timeline = next.timeline.lock()) {
                if (next.code)
                    m_vm->runBlock(*timeline, *next.code, nullptr, true);
                else if (next.enterFrame)
                    sendEnterFrame(*timeline);
                else
                    sendLoad(*timeline);
            }
            continue;
        }
        if (!m_events.empty()) {
            runEvents();
            continue;
        }
        // Loaded movies have run their first frame.
        if (m_vm->movieLoads().hasInits()) {
            m_vm->movieLoads().finish(*m_vm);
            continue;
        }
        if (m_vm->movieLoads().hasRequests() && m_vm->movieLoads().failEarly(*m_vm))
            continue;
        break;
    }
    m_context.actions.clear();
    m_context.initActions.clear();
    m_constructs.clear();
    m_queuedConstructs.clear();
    m_running = false;
    m_vm->runTimers(m_context.elapsedMs);
    builtins::deliverSoundEvents(*m_vm);
    builtins::advanceNetStreams(*m_vm);
    builtins::deliverDeferredBroadcasts(*m_vm);
    builtins::deliverLoads(*m_vm);
    updateBoundTextFields(*m_vm);
    builtins::showChangedBitmaps(*m_vm);
    builtins::showFocus(*m_vm);
    m_vm->collectIfDue();
}

bool ScriptRuntime::onStage(const TimelineInstance& clip) const {
    if (clip.parent())
        return true;
    for (const auto& [level, root] : m_context.levels)
        if (root.get() == &clip)
            return true;
    return false;
}

void ScriptRuntime::frameBegins() {
    m_vm->movieLoads().frameBegins();
}

void ScriptRuntime::startLoads() {
    MovieLoads& loads = m_vm->movieLoads();
    if (!loads.hasDue())
        return;
    loads.start(*m_vm);
    auto it = m_context.levels.find(0);
    if (it != m_context.levels.end() && it->second.get() != m_root)
        setRoot(*it->second);
}

void ScriptRuntime::initActionsQueued() {
    while (!m_context.initActions.empty()) {
        PendingAction next = m_context.initActions.front();
        m_context.initActions.pop_front();
        if (auto timeline = next.timeline.lock())
            m_vm->runBlock(*timeline, *next.code);
    }
}

void ScriptRuntime::placeRefused(int depth) {
    // The player reports this in its trace output as well, though not for SWF 6 files.
    if (m_vm->version() >= 7)
        m_vm->trace(QStringLiteral("Warning: Failed to place object at depth %1.").arg(depth));
}

// A clip's initialize event, and its place among the clips to construct, come before those
// of the clips its first frame places; the events run once the whole clip is made.
void ScriptRuntime::clipCreated(TimelineInstance& parent, DisplayObject& object) {
    if (!object.sprite)
        return;
    if (!object.madeByScript) {
        m_constructs.push_back(object.sprite);
        m_queuedConstructs.insert(object.id);
    }
    // The id is in the file of the timeline that placed it.
    if (Object* ctor =
            m_vm->registeredClasses.value({parent.movie(), object.placement.characterId}))
        if (Object* proto = objectOf(m_vm->getMember(Value(ctor), QStringLiteral("prototype"))))
            m_vm->clipObject(*object.sprite)->proto = proto;
    m_initializing.push_back({object.sprite, object.clipActions});
}

// Once the outermost clip made is on its list, with all it holds (null: whatever waits).
void ScriptRuntime::runInitializeEvents(const TimelineInstance* placed) {
    if (m_initializing.empty())
        return;
    const auto outermost = m_initializing.front().clip.lock();
    if (placed && outermost && outermost.get() != placed)
        return;
    auto pending = std::move(m_initializing);
    m_initializing.clear();
    for (const auto& [weak, actions] : pending) {
        auto clip = weak.lock();
        if (clip && actions)
            for (const ClipAction& action : *actions)
                if (action.events & EventInitialize)
                    m_vm->runBlock(*clip, action.code);
    }
}

void ScriptRuntime::objectPlaced(TimelineInstance& parent, int depth, DisplayObject& object) {
    (void)depth;
    if (!object.sprite) {
        // A text field may be bound to a variable, so it needs its object named or not.
        if (object.placement.name.isEmpty() && !dynamic_cast<const EditText*>(object.character))
            return;
        m_vm->displayObjectFor(parent, object);
        return;
    }
    ClipObject* clip = m_vm->clipObject(*object.sprite);
    // The id is in the file of the timeline that placed it.
    Object* ctor = m_vm->registeredClasses.value({parent.movie(), object.placement.characterId});
    if (ctor) {
        if (Object* proto = objectOf(m_vm->getMember(Value(ctor), QStringLiteral("prototype"))))
            clip->proto = proto;
    }
    if (Object* init = m_vm->pendingInit) {
        m_vm->pendingInit = nullptr;
        for (const Property& p : init->properties())
            if (!(p.flags & DontEnum))
                m_vm->setMember(Value(clip), p.name, p.value);
    }
    runInitializeEvents(object.sprite.get());
    if (object.sprite->showsLoadedMovie())
        return; // the clip was constructed when it was made; its contents changed
    if (!object.madeByScript) {
        // Timeline clips are constructed once the frame's tags are done, before its scripts.
        if (m_queuedConstructs.erase(object.id) == 0)
            m_constructs.push_back(object.sprite);
        return;
    }
    construct(*object.sprite, object);
    if (!m_running) {
        sendLoad(*object.sprite);
        return;
    }
    auto e = std::make_unique<Event>();
    e->clip = object.sprite;
    m_events.push_back(std::move(e));
}

void ScriptRuntime::construct(TimelineInstance& clip, const DisplayObject& entry) {
    ClipObject* o = m_vm->clipObject(clip);
    // The id is in the file of the timeline that placed it.
    Object* ctor =
        clip.parent()
            ? m_vm->registeredClasses.value({clip.parent()->movie(), entry.placement.characterId})
            : nullptr;
    // The frame's init actions may have registered the class after the clip was placed.
    if (ctor)
        if (Object* proto = objectOf(m_vm->getMember(Value(ctor), QStringLiteral("prototype"))))
            o->proto = proto;
    if (entry.clipActions)
        for (const ClipAction& action : *entry.clipActions)
            if (action.events & EventConstruct)
                m_vm->runBlock(clip, action.code);
    if (ctor) {
        // As for objects made with new: the clip knows the class that built it.
        o->put(QStringLiteral("__constructor__"), Value(ctor), DontEnum);
        if (m_vm->version() < 7)
            o->put(QStringLiteral("constructor"), Value(ctor), DontEnum);
        try {
            m_vm->call(Value(ctor), Value(o), {}, o->proto); // super() goes above it
        } catch (ScriptThrow&) {
        } catch (ScriptAbort&) {
        }
    }
    try {
        m_vm->callIfPresent(o, QStringLiteral("onConstruct"));
    } catch (ScriptThrow& thrown) {
        // The player reports it and goes on with the script that made the clip.
        m_vm->trace(QStringLiteral("Warning: Uncaught exception, ") + m_vm->toString(thrown.value));
    } catch (ScriptAbort&) {
    }
}

void ScriptRuntime::sendLoad(TimelineInstance& clip) {
    ClipObject* o = m_vm->clipObject(clip);
    if (o->loaded || o->unloaded || !onStage(clip))
        return;
    o->loaded = true;
    runClipEvent(clip, clip.entry(), EventLoad, QStringLiteral("onLoad"));
}

void ScriptRuntime::objectRemoved(TimelineInstance& parent, int depth, DisplayObject& object) {
    (void)parent;
    (void)depth;
    builtins::focusLeaving(*m_vm, object);
    if (object.sprite)
        unload(*object.sprite, object);
    else if (object.button)
        unloadInner(*object.button->parts);
}

// The clips a list holds, those its buttons show included, unload before it does.
void ScriptRuntime::unloadInner(TimelineInstance& list) {
    // Collected first: the handlers may change the list.
    std::vector<std::shared_ptr<TimelineInstance>> inner;
    for (const auto& [depth, object] : list.displayList())
        if (object.instantiated && object.children())
            inner.push_back(object.sprite ? object.sprite : object.button->parts);
    for (const auto& child : inner) {
        if (child->parent() != &list)
            continue;
        if (child->isButtonState())
            unloadInner(*child);
        else if (const DisplayObject* e = child->entry())
            unload(*child, *e);
    }
}

// The clips inside go first; each still has its path while its handlers run.
void ScriptRuntime::unload(TimelineInstance& clip, const DisplayObject& entry) {
    unloadInner(clip);
    ClipObject* o = m_vm->clipObject(clip);
    if (o->unloaded)
        return;
    o->unloaded = true;
    runClipEvent(clip, &entry, EventUnload, QStringLiteral("onUnload"));
}

} // namespace reelcase::swf
