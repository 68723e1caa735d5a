#pragma once

#include "swf/display/timeline_instance.h"

#include <memory>
#include <unordered_set>

namespace reelcase::swf {

namespace avm1 {
class Vm;
class Object;
} // namespace avm1

// The scripts of one playing movie: the virtual machine, the order in which frame scripts,
// init actions, clip events and timers run, and the script objects of display objects.
class ScriptRuntime : public DisplayListener {
public:
    // stepsPerFrame: actions a frame's scripts may run before they are stopped (0: the
    // virtual machine's default).
    ScriptRuntime(PlayContext& context, ScriptHost* host, int swfVersion, int stepsPerFrame = 0);
    ~ScriptRuntime() override;

    void setRoot(TimelineInstance& root);
    // Before the timelines move on.
    void newFrame();
    // After they did (or after a goto): init actions, enterFrame events and frame actions
    // in the order the timelines queued them, load events, then the timers that are due.
    void runPending();
    avm1::Vm& vm() { return *m_vm; }
    // Loads scripts asked for before a frame are carried out when its actions have run
    // (startLoads); the new movies' first frames are queued. Level 0 may be a new root.
    void frameBegins();
    void startLoads();
    TimelineInstance* root() const { return m_root; }
    // The pointer moved or a button went down or up; a key went down or up. Clip events and
    // listeners hear of it, then the actions they queued run.
    enum class InputKind { MouseMove, MouseDown, MouseUp, KeyDown, KeyUp };
    void input(InputKind kind);

    void clipCreated(TimelineInstance& parent, DisplayObject& object) override;
    void objectPlaced(TimelineInstance& parent, int depth, DisplayObject& object) override;
    void objectRemoved(TimelineInstance& parent, int depth, DisplayObject& object) override;
    void initActionsQueued() override;
    void placeRefused(int depth) override;

private:
    struct Event;
    void runClipEvent(TimelineInstance& clip, const DisplayObject* entry, std::uint32_t flag,
                      const QString& method);
    void runEvents();
    void unload(TimelineInstance& clip, const DisplayObject& entry);
    void unloadInner(TimelineInstance& list);
    // The construct events, the registered class's constructor and onConstruct.
    void construct(TimelineInstance& clip, const DisplayObject& entry);
    void sendLoad(TimelineInstance& clip);
    void runInitializeEvents(const TimelineInstance* placed);
    void sendEnterFrame(TimelineInstance& clip);
    // Every clip on the stage in the order events reach them: the topmost first, children
    // before their parents.
    std::vector<std::shared_ptr<TimelineInstance>> clipsInEventOrder();
    // On a display list, or the root of a level.
    bool onStage(const TimelineInstance& clip) const;

    PlayContext& m_context;
    std::unique_ptr<avm1::Vm> m_vm;
    std::vector<std::unique_ptr<Event>> m_events;
    std::deque<std::weak_ptr<TimelineInstance>> m_constructs; // timeline clips, in placing order
    std::unordered_set<std::uint64_t> m_queuedConstructs;     // ids queued before they showed
    struct Initializing {
        std::weak_ptr<TimelineInstance> clip;
        std::shared_ptr<const std::vector<ClipAction>> actions;
    };
    std::vector<Initializing> m_initializing; // clips being made, outermost first
    TimelineInstance* m_root = nullptr;
    bool m_running = false;
};

} // namespace reelcase::swf
