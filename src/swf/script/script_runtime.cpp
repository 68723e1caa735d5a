#include "swf/script/script_runtime.h"

#include "swf/format/movie.h"
#include "swf/script/builtins/builtins.h"
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
    std::uint32_t flag = 0;
    QString method;
};

ScriptRuntime::ScriptRuntime(PlayContext& context, ScriptHost* host, int swfVersion)
    : m_context(context)
    , m_vm(std::make_unique<Vm>(context, host, swfVersion)) {}

ScriptRuntime::~ScriptRuntime() = default;

void ScriptRuntime::setRoot(TimelineInstance& root) {
    m_root = &root;
    m_context.levels[0] = root.shared_from_this();
    m_vm->setRoot(&root);
    m_vm->clipObject(root)->put(QStringLiteral("$version"), builtins::playerVersion());
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

void ScriptRuntime::enterFrame() {
    m_vm->newFrame();
    if (!m_root)
        return;
    for (const auto& clip : clipsInEventOrder()) {
        TimelineInstance& c = *clip;
        if (!onStage(c))
            continue; // removed by an earlier handler
        runClipEvent(c, c.entry(), EventEnterFrame, QStringLiteral("onEnterFrame"));
    }
    m_vm->collectIfDue();
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
            out.push_back(step.clip->shared_from_this());
            continue;
        }
        pending.push_back({step.clip, true});
        for (const auto& [depth, object] : step.clip->displayList())
            if (object.sprite)
                pending.push_back({object.sprite.get(), false});
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
    for (auto& e : events) {
        auto clip = e->clip.lock();
        if (!clip || !onStage(*clip))
            continue;
        runClipEvent(*clip, clip->entry(), e->flag, e->method);
    }
}

void ScriptRuntime::runPending() {
    if (m_running)
        return; // a goto inside a script: the outer loop picks the new actions up
    m_running = true;
    for (int rounds = 0; rounds < 10'000; ++rounds) {
        if (!m_context.initActions.empty()) {
            PendingAction next = m_context.initActions.front();
            m_context.initActions.pop_front();
            if (auto timeline = next.timeline.lock())
                m_vm->runBlock(*timeline, *next.code);
            continue;
        }
        if (!m_context.actions.empty()) {
            PendingAction next = m_context.actions.front();
            m_context.actions.pop_front();
            if (auto timeline = next.timeline.lock())
                m_vm->runBlock(*timeline, *next.code);
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
    m_running = false;
    m_vm->runTimers(m_context.elapsedMs);
    builtins::deliverSoundEvents(*m_vm);
    builtins::deliverDeferredBroadcasts(*m_vm);
    builtins::deliverLoads(*m_vm);
    updateBoundTextFields(*m_vm);
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
    const bool byScript = object.placedByScript;
    if (object.clipActions)
        for (const ClipAction& action : *object.clipActions)
            if (action.events & (EventInitialize | EventConstruct))
                m_vm->runBlock(*object.sprite, action.code);
    try {
        if (ctor)
            m_vm->call(Value(ctor), Value(clip), {}, clip->proto); // super() goes above it
        else
            m_vm->callIfPresent(clip, QStringLiteral("onConstruct"));
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
    auto e = std::make_unique<Event>();
    e->clip = object.sprite;
    e->flag = EventLoad;
    e->method = QStringLiteral("onLoad");
    if (byScript && !m_running) {
        runClipEvent(*object.sprite, &object, EventLoad, e->method);
        return;
    }
    m_events.push_back(std::move(e));
}

void ScriptRuntime::objectRemoved(TimelineInstance& parent, int depth, DisplayObject& object) {
    (void)parent;
    (void)depth;
    builtins::focusLeaving(*m_vm, object);
    if (!object.sprite)
        return;
    ClipObject* clip = m_vm->clipObject(*object.sprite);
    clip->unloaded = true;
    runClipEvent(*object.sprite, &object, EventUnload, QStringLiteral("onUnload"));
}

} // namespace reelcase::swf
