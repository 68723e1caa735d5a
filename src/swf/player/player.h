#pragma once

#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QString>
#include <QTransform>

#include "swf/display/input_listener.h"
#include "swf/display/input_state.h"
#include "swf/format/load_error.h"
#include "swf/format/quality.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace reelcase::swf {

class Host;
class Movie;
class SoundMixer;
struct InputEvent;

// Parses a whole SWF file held in memory. Safe to call on any thread; never throws.
// Returns null and fills error on a file that is not a SWF or cannot be read.
std::shared_ptr<const Movie> parseMovie(const QByteArray& bytes, LoadError* error = nullptr);

struct RenderOptions {
    Quality quality = Quality::High;
    double zoom = 1.0;            // 1 shows the whole stage (ShowAll); larger zooms into it
    QPointF zoomCentre{0.5, 0.5}; // the stage point, as a fraction of the stage, kept centred
    bool sealSharedEdges = true;  // paint over the seams between adjacent fills (cheap)
    // Speed-ups; off only to measure or check them. These two leave the picture as it is:
    bool redrawChangedOnly = true; // keep the last frame, draw again only where it changed
    bool parallelTiles = true;     // large redraws in two bands on two threads
    // Characters drawn again unchanged come from a kept picture of them (edges may round
    // a level differently where fills overlap).
    bool rasterCache = true;
};

// Stage twips -> target coordinates as render() draws them (ShowAll, zoom around the centre).
QTransform stageToTarget(const QRectF& stage, const QRectF& target, const RenderOptions& options);

// One movie being played: the timeline state and its drawing. Lives on the UI thread.
class Player {
public:
    Player();
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // The program around the player (trace output, URLs, files beside the movie, fonts).
    // Not owned; must outlive the player or be reset. Null: scripts' requests go nowhere.
    void setHost(Host* host);

    // Actions a frame's scripts may run before they are stopped, for the movies set after
    // this (0: the engine's default). Tools that play many hostile files lower it.
    void setScriptStepsPerFrame(int steps);

    // Drops the current movie and starts the new one at frame 1 (null empties the player).
    void setMovie(std::shared_ptr<const Movie> movie);
    bool hasMovie() const;

    int version() const;
    double frameRate() const;    // frames per second as the file says (0 when empty)
    int frameIntervalMs() const; // the clock's period, sensibly clamped
    int frameCount() const;
    QRectF stageRect() const; // in stage pixels (twips / 20)
    QColor backgroundColor() const;

    void play();
    void stop();
    bool isPlaying() const;
    void setLooping(bool looping);
    bool isLooping() const;

    // One tick of the frame clock: advances the timeline when playing (and always
    // advances running sprites and actions as the movie requires).
    void tick();
    // Runs frame 1's actions now when they have not run yet (the first tick() runs them
    // otherwise). For hosts that count frame 1 as a frame played before the first tick.
    void runFirstFrameActions();
    int currentFrame() const;  // 0-based
    void gotoFrame(int frame); // rebuilds the display list; keeps the playing state
    void rewind();             // frame 0, stopped
    void stepForward();        // one frame on, stopped
    void stepBack();           // one frame back, stopped

    // The movie's sounds mixed into one signal; the program's audio output pulls it on its
    // own thread and the script layer starts and shapes sounds through it.
    const std::shared_ptr<SoundMixer>& soundMixer() const;
    // One step of the clock on screen. While the main timeline's stream sounds, the heard
    // sound decides which frame is due: several ticks when drawing fell behind, none while
    // the picture is ahead. Otherwise one tick. Returns the ticks run.
    int advance();
    // True while the stream leads: the caller should call advance() more often than the
    // frame interval so that frames follow the sound closely.
    bool soundLeads() const;
    // Offline sound on the frame clock alone (no device), interleaved stereo 16-bit at
    // 44.1 kHz. mixFrameAudio() appends the sound of the frame now shown (one frame
    // interval; the intervals add up to the exact time, so frame k's sounds start at
    // (k - 1) / rate). renderAudio() plays frames frames, mixing each then ticking.
    void mixFrameAudio(std::vector<std::int16_t>& out);
    std::vector<std::int16_t> renderAudio(int frames);
    // The user's pointer and keys, in stage pixels and the movie's key codes.
    void handleInput(const InputEvent& event);
    const InputState& inputState() const;
    // The pointer is over an active button: the host shows the pointing hand.
    bool showsHandCursor() const;
    // The right-click menu opens: the movie's own items for it (scripts run first).
    std::vector<CustomMenuItem> openContextMenu();
    // The user chose the movie's item at index (of those openContextMenu() listed).
    void chooseContextMenuItem(int index);
    // The stage point (stage pixels) under a point of a target drawn by render() with the
    // same options; nothing when no movie is loaded.
    std::optional<QPointF> stagePoint(const QPointF& targetPoint, const QRectF& target,
                                      const RenderOptions& options = {}) const;

    // Draws the current frame fitted into target (ShowAll: aspect kept, centred, the
    // bands outside the stage in the background colour).
    void render(QPainter& painter, const QRectF& target, const RenderOptions& options = {}) const;

private:
    void playStepSound();
    // Keyboard focus (focus.cpp): the focused clip or button hears each key before the Key
    // listeners do (focusHearsKey); then Tab moves the focus and Enter or Space press the
    // focused object unless a button's key condition took the key (focusKey). Typed text
    // and editing commands go to the focused text field. True when scripts may have queued
    // actions.
    bool focusHearsKey(const InputEvent& event);
    bool focusKey(const InputEvent& event, bool keyTaken);
    bool focusTextInput(const InputEvent& event);
    void focusPointerDown();
    // The focus goes nowhere (the player lost the keyboard while Tab held a button).
    void focusDropped();
    void drawFocusRectangle(QPainter& painter, const QTransform& toTarget) const;

    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace reelcase::swf
