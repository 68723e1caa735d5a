#pragma once

#include "swf/display/drag.h"
#include "swf/display/input_state.h"
#include "swf/format/timeline_def.h"
#include "swf/sound/event_voice.h"

#include <QRectF>

class QPainter;
class QTransform;

#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <unordered_set>

namespace reelcase::swf {

class Character;
struct ColorTransform;
class InputListener;
class ShapeDrawing;
class ScriptHost;
class SoundMixer;
class Movie;
class TimelineInstance;
struct DisplayObject;

// Frame actions waiting to run, each with the timeline it belongs to. Timelines that are
// gone by the time their turn comes are skipped.
struct PendingAction {
    std::weak_ptr<TimelineInstance> timeline;
    const QByteArray* code = nullptr; // null: the clip's load event, or its enterFrame
    bool enterFrame = false;
};

// Told about objects that appear on or leave any display list of the movie, so that a
// layer above (scripts) can keep state beside them without the display list knowing it.
class DisplayListener {
public:
    virtual ~DisplayListener() = default;
    // A sprite is made, before it shows its first frame (so before the clips in it are).
    virtual void clipCreated(TimelineInstance& parent, DisplayObject& object) {
        (void)parent;
        (void)object;
    }
    // After the object is instantiated (a sprite already shows its first frame).
    virtual void objectPlaced(TimelineInstance& parent, int depth, DisplayObject& object) = 0;
    // Just before the object leaves its parent's list.
    virtual void objectRemoved(TimelineInstance& parent, int depth, DisplayObject& object) = 0;
    // A frame queued init actions: they run before the frame's objects are constructed.
    virtual void initActionsQueued() {}
    // A place tag found its depth taken and was ignored.
    virtual void placeRefused(int depth) { (void)depth; }
};

// A character another file lends (ImportAssets), resolved when the movie starts.
struct ImportedCharacter {
    const Movie* movie = nullptr;
    std::uint16_t id = 0;
};

// What all timelines of one playing movie share.
struct PlayContext {
    const Movie* movie = nullptr;
    long long liveWeight = 0; // sprite instances alive and what they place (see limits.h)
    std::deque<PendingAction> actions = {};
    std::deque<PendingAction> initActions = {}; // DoInitAction, run before frame actions
    // DoInitAction runs once per sprite of each file.
    std::set<std::pair<const Movie*, int>> initializedSprites = {};
    qint64 elapsedMs = 0;                                 // the player's clock, for getTimer()
    std::uint64_t randomState = 0x2545F4914F6CDD1Dull;    // random() draws from this
    ScriptHost* host = nullptr;                           // trace output and the like; may be null
    SoundMixer* sound = nullptr;                          // where sounds start; may be null
    DisplayListener* listener = nullptr;                  // may be null
    InputListener* inputListener = nullptr;               // may be null
    std::uint64_t nextObjectId = 1;                       // display objects' ids, never reused
    std::uint64_t unnamedCount = 0;                       // the N of the last "instanceN"
    QHash<std::uint16_t, ImportedCharacter> imports = {}; // by the id the movie uses
    InputState input = {};                                // the user's pointer and keys
    DragState drag = {};                                  // the clip startDrag took
    // The roots by level (_level0 is the movie's own root), drawn from the lowest up.
    std::map<int, std::shared_ptr<TimelineInstance>> levels = {};
    // Paints a timeline (twips -> painter under matrix); the player lends its renderer so
    // scripts can draw clips into bitmaps. May be empty.
    std::function<void(const TimelineInstance&, QPainter&, const QTransform&,
                       const ColorTransform&)>
        drawTimeline = {};
    // A script gave the keyboard focus to a button: the player rolls it over, as Tab does.
    // May be empty.
    std::function<void(TimelineInstance& parent, DisplayObject& button)> focusGivenToButton = {};
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
    bool cacheAsBitmap = false;
    std::optional<QRgb> opaqueBackground; // filled behind the object's bounds
    // Twips of the object's own space shown at its origin; what lies outside is cut off.
    std::optional<QRectF> scrollRect;
};

// The object a script's setMask made this one's mask, found again by its id.
struct ScriptMask {
    std::weak_ptr<TimelineInstance> parent;
    std::uint64_t id = 0;
};

class Button;
enum class ButtonState : std::uint8_t;

// A button on a display list: the state it shows, as a list of the state's characters (so
// sprites in it run), and what scripts may change about it.
struct ButtonInstance {
    const Button* definition = nullptr;
    ButtonState state{};
    std::shared_ptr<TimelineInstance> parts; // never null
    bool enabled = true;
    bool useHandCursor = true;
    bool trackAsMenu = false;
};

// One object on a display list: its placement and its own instance of the character.
struct DisplayObject {
    Placement placement;
    const Character* character = nullptr;     // null: unknown id (draws nothing)
    std::shared_ptr<TimelineInstance> sprite; // for sprite characters
    std::shared_ptr<ButtonInstance> button;   // for button characters
    // A character made for this instance at run time (a text field whose text changed).
    std::shared_ptr<const Character> ownCharacter;
    std::shared_ptr<const std::vector<ClipAction>> clipActions;
    std::uint64_t id = 0; // unique within the play, never reused
    bool instantiated = false;
    bool placedByScript = false; // made or moved by a script: the timeline leaves it be
    bool madeByScript = false;
    int placedFrame = 0;           // the frame whose tag placed it (timeline objects)
    std::uint16_t placedRatio = 0; // the ratio that tag gave: with the character, who it is
    ScriptMask mask;               // id 0: none
    bool isScriptMask = false;     // another object's mask: not drawn itself

    // The display list drawn in place of the character: a sprite's or a button's state.
    const TimelineInstance* children() const;
};

// A running timeline (the root or a placed sprite): current frame, playing state and the
// display list by depth. Depths are the tags' depths; scripts see them 16384 lower.
class TimelineInstance : public std::enable_shared_from_this<TimelineInstance> {
public:
    // movie: the file the timeline comes from (null: the context's movie).
    TimelineInstance(const TimelineDef& def, PlayContext& context, int nesting,
                     const Movie* movie = nullptr);
    ~TimelineInstance();
    TimelineInstance(const TimelineInstance&) = delete;
    TimelineInstance& operator=(const TimelineInstance&) = delete;

    // Shows frame 0 (call once, right after construction).
    void enterFirstFrame();
    // One tick: moves this timeline and every one already below it on when playing, the
    // newest first (wrapping at the end; this one stops there unless loop is set).
    void tick(bool loop = true);
    // Jumps to frame (clamped); going back rebuilds from frame 0, going forward applies
    // the frames in between. Queues the target frame's actions.
    void gotoFrame(int frame);

    int currentFrame() const { return m_frame; }
    bool removed() const { return m_detached; } // taken off the stage
    int frameCount() const { return m_def.frameCount(); }
    bool isPlaying() const { return m_playing; }
    void play() { m_playing = true; }
    void stop() { m_playing = false; }
    const TimelineDef& definition() const { return m_def; }
    const std::map<int, DisplayObject>& displayList() const { return m_list; }
    DisplayObject* objectAt(int depth);
    // The object placed under this name on the display list (the first by depth), or null.
    DisplayObject* childObject(const QString& name, bool caseSensitive = false);
    // The sprite placed under this name on the display list, or null.
    std::shared_ptr<TimelineInstance> child(const QString& name) const;
    TimelineInstance* parent() const { return m_parent; }
    // This timeline's own entry on its parent's display list (null for the root); for a
    // button's state list, the button.
    DisplayObject* entry();
    Placement* placement();
    std::uint64_t id() const { return m_id; }
    // This clip's id and its parents', innermost first: whose Sound objects shape its sounds.
    SoundOwners soundOwners() const;
    int nesting() const { return m_nesting; }
    // A button's list of what its state shows: no clip of its own, but its clips are.
    bool isButtonState() const { return m_buttonState; }
    PlayContext& context() const { return m_context; }

    // Script-made objects: a character (or, with none, an empty clip) at depth, replacing
    // what was there. Null when the character is unknown or the movie is too large.
    DisplayObject* placeCharacter(std::uint16_t characterId, const QString& name, int depth);
    DisplayObject* placeEmptyClip(const QString& name, int depth);
    // An object of a character made at run time (a script's text field).
    DisplayObject* placeOwn(std::shared_ptr<const Character> character, const QString& name,
                            int depth, const QTransform& matrix);
    // The clip at depth shows another file's main timeline from its first frame (loadMovie):
    // a new instance in the same place, with the same name, id and clip events.
    DisplayObject* loadMovieAt(int depth, std::shared_ptr<const Movie> movie);
    // The file this timeline comes from, and one it keeps alive (a loaded movie's root).
    const Movie* movie() const { return m_movie; }
    void keepMovie(std::shared_ptr<const Movie> movie) { m_ownMovie = std::move(movie); }
    bool showsLoadedMovie() const { return m_ownMovie != nullptr; }
    // A level's new root stands for the one it replaces (references to it stay good).
    void takeIdOf(const TimelineInstance& replaced) { m_id = replaced.m_id; }
    // A copy of the object at depth (same character, placement and clip actions).
    DisplayObject* duplicate(int fromDepth, const QString& name, int depth);
    void removeAt(int depth);
    // Swaps the objects at two depths (or moves one to an empty depth).
    void swapDepths(int a, int b);
    // Shows a button's state on the button's parts list.
    static void showButtonState(ButtonInstance& button, ButtonState state);
    // The area the display list covers, in this timeline's coordinates.
    QRectF bounds() const;
    // What scripts draw on the clip (moveTo, lineTo ...); drawingChanged() shows it, as an
    // object below every depth, so it is drawn, hit and measured as the clip's shapes are.
    ShapeDrawing& drawing();
    void drawingChanged();
    static constexpr int drawingDepth = std::numeric_limits<int>::min();

private:
    void applyFrame(int frame, bool withActions);
    void applyCommands(std::map<int, DisplayObject>& list, int frame, bool live, bool withActions);
    void instantiate(int depth, DisplayObject& object);
    void makeButton(DisplayObject& object, const Button& definition);
    // Instantiates what is not yet, but for the depths in later.
    void instantiatePending(const std::unordered_set<int>& later = {});
    void queueCommand(const FrameCommand& command);
    void erase(std::map<int, DisplayObject>::iterator it);
    // The character an id names for this timeline, and the file it comes from.
    const Character* characterFor(std::uint16_t id, const Movie** from) const;
    DisplayObject* insertNew(int depth, DisplayObject object);
    void followStream(int before);
    void advance(bool loop);
    bool isUnder(const TimelineInstance& top) const;
    static void detach(DisplayObject& object);

    std::shared_ptr<const Movie> m_ownMovie; // first: outlives what refers into it
    const TimelineDef& m_def;
    PlayContext& m_context;
    const Movie* m_movie = nullptr;
    int m_nesting = 0;
    int m_frame = 0;
    bool m_playing = true;
    std::uint64_t m_id = 0;
    TimelineInstance* m_parent = nullptr;
    bool m_detached = false; // taken off its parent's list
    bool m_buttonState = false;
    std::map<int, DisplayObject> m_list;
    std::unique_ptr<ShapeDrawing> m_drawing;
};

// Every clip from root down (root included), children before their parents, the last
// placed first: the order clip events run in.
std::vector<std::shared_ptr<TimelineInstance>> clipsOnStage(TimelineInstance& root);

// Bounds of one display object in its parent's coordinates.
QRectF objectBounds(const DisplayObject& object);

// Maps an object's content into its own space: a scroll window shows its area at the origin.
QTransform contentOffset(const DisplayObject& object);

} // namespace reelcase::swf
