#pragma once

#include "swf/display/input_state.h"
#include "swf/format/timeline_def.h"
#include "swf/script/avm1_value.h"

#include <deque>
#include <map>
#include <memory>

namespace reelcase::swf {

class Character;
class ScriptHost;
class SoundMixer;
class Movie;
class TimelineInstance;

// Frame actions waiting to run, each with the timeline it belongs to. Timelines that are
// gone by the time their turn comes are skipped.
struct PendingAction {
    std::weak_ptr<TimelineInstance> timeline;
    const QByteArray* code = nullptr;
};

// What all timelines of one playing movie share.
struct PlayContext {
    const Movie* movie = nullptr;
    long long liveWeight = 0; // sprite instances alive and what they place (see limits.h)
    std::deque<PendingAction> actions = {};
    avm1::Heap heap = {};                              // objects frame scripts create
    qint64 elapsedMs = 0;                              // the player's clock, for getTimer()
    std::uint64_t randomState = 0x2545F4914F6CDD1Dull; // random() draws from this
    ScriptHost* host = nullptr;                        // trace output and the like; may be null
    SoundMixer* sound = nullptr;                       // where frames start sounds; may be null
    InputState input = {};                             // the user's pointer and keys
};

// The placement of one object on a display list (what the PlaceObject tags set).
struct Placement {
    std::uint16_t characterId = 0;
    QTransform matrix;
    ColorTransform cxform;
    std::uint16_t ratio = 0;
    QString name;
    std::uint16_t clipDepth = 0;
    BlendMode blendMode = BlendMode::Normal;
    bool visible = true;
    std::shared_ptr<const FilterList> filters; // null: none
};

struct DisplayObject {
    Placement placement;
    const Character* character = nullptr;     // null: unknown id (draws nothing)
    std::shared_ptr<TimelineInstance> sprite; // for sprite characters
    bool instantiated = false;
};

// A running timeline (the root or a placed sprite): current frame, playing state and the
// display list by depth.
class TimelineInstance : public std::enable_shared_from_this<TimelineInstance> {
public:
    TimelineInstance(const TimelineDef& def, PlayContext& context, int nesting);
    ~TimelineInstance();
    TimelineInstance(const TimelineInstance&) = delete;
    TimelineInstance& operator=(const TimelineInstance&) = delete;

    // Shows frame 0 (call once, right after construction).
    void enterFirstFrame();
    // One tick: moves this timeline on when playing (wrapping at the end when loop is set,
    // else stopping there), then ticks the sprites that were already on its display list.
    void tick(bool loop = true);
    // Jumps to frame (clamped); going back rebuilds from frame 0, going forward applies
    // the frames in between. Queues the target frame's actions.
    void gotoFrame(int frame);

    int currentFrame() const { return m_frame; }
    int frameCount() const { return m_def.frameCount(); }
    bool isPlaying() const { return m_playing; }
    void play() { m_playing = true; }
    void stop() { m_playing = false; }
    const TimelineDef& definition() const { return m_def; }
    const std::map<int, DisplayObject>& displayList() const { return m_list; }
    // The sprite placed under this name on the display list, or null.
    std::shared_ptr<TimelineInstance> child(const QString& name) const;
    TimelineInstance* parent() const { return m_parent; }
    // This timeline's own placement on its parent's display list (null for the root).
    Placement* placement();
    // The script variables of this timeline.
    avm1::Variables& variables() { return m_variables; }

private:
    void applyFrame(int frame, bool queueActions);
    void instantiate(DisplayObject& object);
    void queueActions(int frame);
    void followStream(int before);

    const TimelineDef& m_def;
    PlayContext& m_context;
    int m_nesting = 0;
    int m_frame = 0;
    bool m_playing = true;
    TimelineInstance* m_parent = nullptr;
    std::map<int, DisplayObject> m_list;
    avm1::Variables m_variables;
};

} // namespace reelcase::swf
