#include "swf/player/player.h"
#include "swf/player/player_state.h"

#include "swf/player/host.h"
#include "swf/player/input_event.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/limits.h"
#include "swf/format/movie.h"
#include "swf/render/frame_renderer.h"
#include "swf/render/renderer.h"
#include "swf/script/builtins/selection.h"
#include "swf/script/movie_loads.h"
#include "swf/script/script_runtime.h"
#include "swf/script/vm.h"
#include "swf/sound/sound_decoder.h"
#include "swf/sound/sound_mixer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace reelcase::swf {

Player::Player()
    : m_state(std::make_unique<State>()) {}

void Player::setHost(Host* host) {
    m_state->host = host;
    m_state->context.host = host;
}

void Player::setScriptStepsPerFrame(int steps) {
    m_state->scriptStepsPerFrame = std::max(0, steps);
}

Player::~Player() {
    m_state->root.reset();
    m_state->context.levels.clear();
    m_state->context.listener = nullptr;
    m_state->mixer->setMovie(nullptr); // an output may hold the mixer a moment longer
    m_state->context.inputListener = nullptr;
}

namespace {

// Reads the files the movie imports characters from (through the host, beside the movie)
// and maps the ids it uses to theirs. A file that cannot be read lends nothing.
void resolveImportsInto(PlayContext& context, std::vector<std::shared_ptr<const Movie>>& files,
                        const Movie& movie, ScriptHost* host) {
    context.imports.clear();
    files.clear();
    QHash<QString, std::shared_ptr<const Movie>> byUrl;
    for (const Movie::Import& import : movie.imports) {
        if (!byUrl.contains(import.url)) {
            std::shared_ptr<const Movie> other;
            if (host && byUrl.size() < 16)
                if (auto bytes = host->loadFile(import.url))
                    other = parseMovie(*bytes);
            byUrl.insert(import.url, other);
            if (other)
                files.push_back(other);
        }
        const auto& other = byUrl.value(import.url);
        if (!other)
            continue;
        auto it = other->exports.constFind(import.name.toLower());
        if (it != other->exports.constEnd())
            context.imports.insert(import.id, ImportedCharacter{other.get(), *it});
    }
}

} // namespace

void Player::setMovie(std::shared_ptr<const Movie> movie) {
    State& s = *m_state;
    s.root.reset();
    s.context.levels.clear();
    s.context.listener = nullptr;
    s.context.inputListener = nullptr;
    s.inputScripts.reset();
    s.scripts.reset();
    s.renderer.reset(); // its caches are keyed by the old movie's definitions
    s.context.actions.clear();
    s.context.initActions.clear();
    s.context.initializedSprites.clear();
    s.context.elapsedMs = 0;
    s.context.randomState = PlayContext{}.randomState; // each play draws the same numbers
    s.movie = std::move(movie);
    s.context.movie = s.movie.get();
    s.context.sound = s.mixer.get();
    s.mixer->setMovie(s.movie);
    s.audioFramesRendered = 0;
    s.playing = false;
    s.firstActionsPending = false;
    s.buttons.reset();
    s.context.drag.stop();
    if (!s.movie)
        return;
    resolveImportsInto(s.context, s.imported, *s.movie, s.host);
    s.scripts =
        std::make_unique<ScriptRuntime>(s.context, s.host, s.movie->version, s.scriptStepsPerFrame);
    s.scripts->vm().movieLoads().setParser(
        [](const QByteArray& bytes) { return parseMovie(bytes); });
    s.context.drawTimeline = [&s](const TimelineInstance& timeline, QPainter& painter,
                                  const QTransform& matrix, const ColorTransform& cxform) {
        RenderContext context;
        context.dictionary = s.movie ? &s.movie->dictionary : nullptr;
        context.fonts = s.host;
        context.drawBudget = limits::maxDrawsPerFrame;
        renderTimeline(timeline, painter, matrix, cxform, context);
    };
    s.context.focusGivenToButton = [&s](TimelineInstance& parent, DisplayObject& button) {
        if (button.button)
            s.buttons.focusMoved({button.id, parent.weak_from_this(), button.button->trackAsMenu});
    };
    s.context.listener = s.scripts.get();
    s.inputScripts = std::make_unique<InputScripts>(s.scripts->vm());
    s.context.inputListener = s.inputScripts.get();
    s.root = std::make_shared<TimelineInstance>(s.movie->root, s.context, 0);
    s.scripts->setRoot(*s.root);
    s.root->enterFirstFrame();
    // Frame 1's actions run with the first tick, so that a stop() there wins over the
    // play() that follows loading.
    s.firstActionsPending = true;
    s.playing = true;
    s.followStream(-1);
}

bool Player::hasMovie() const {
    return m_state->movie != nullptr;
}

int Player::version() const {
    return m_state->movie ? m_state->movie->version : 0;
}

double Player::frameRate() const {
    return m_state->movie ? m_state->movie->frameRate : 0;
}

int Player::frameIntervalMs() const {
    const double rate = frameRate();
    if (rate <= 0.01)
        return 83; // a rate of 0 means "as fast as possible" to old players; 12 fps is sane
    return std::clamp(static_cast<int>(std::lround(1000.0 / rate)), 8, 1000);
}

int Player::frameCount() const {
    return m_state->root ? m_state->root->frameCount() : 0;
}

QRectF Player::stageRect() const {
    if (!m_state->movie)
        return {};
    const QRectF& s = m_state->movie->stage;
    return QRectF(s.x() / 20.0, s.y() / 20.0, s.width() / 20.0, s.height() / 20.0);
}

QColor Player::backgroundColor() const {
    return m_state->movie ? m_state->movie->background : QColor(Qt::white);
}

void Player::play() {
    if (m_state->root) {
        m_state->playing = true;
        m_state->root->play();
    }
}

void Player::stop() {
    m_state->playing = false;
    if (m_state->root) {
        m_state->root->stop();
        m_state->mixer->stopStream(&m_state->movie->root);
    }
}

bool Player::isPlaying() const {
    return m_state->root && m_state->root->isPlaying();
}

void Player::setLooping(bool looping) {
    m_state->looping = looping;
}

bool Player::isLooping() const {
    return m_state->looping;
}

void Player::tick() {
    State& s = *m_state;
    if (!s.root)
        return;
    runFirstFrameActions();
    s.scripts->frameBegins();
    const int before = s.root->currentFrame();
    s.context.elapsedMs += frameIntervalMs();
    s.scripts->newFrame();
    s.root->tick(s.looping);
    s.tickLevels();
    s.runActions();
    s.scripts->startLoads();
    s.root = s.context.levels.at(0);
    s.runActions();
    s.followStream(before);
    s.context.drag.follow(s.context.input);
    // Objects may have come or gone under a pointer that stood still.
    if (s.buttons.moved(s.root.get(), false))
        s.runActions();
}

void Player::runFirstFrameActions() {
    State& s = *m_state;
    if (s.root && s.firstActionsPending) {
        s.firstActionsPending = false;
        s.runActions();
    }
}

int Player::currentFrame() const {
    return m_state->root ? m_state->root->currentFrame() : 0;
}

void Player::gotoFrame(int frame) {
    State& s = *m_state;
    if (!s.root)
        return;
    const bool playing = s.root->isPlaying();
    const int before = s.root->currentFrame();
    s.firstActionsPending = false;
    s.context.actions.clear();
    s.root->gotoFrame(frame);
    s.runActions();
    if (playing)
        s.root->play();
    else
        s.root->stop();
    // A goto is a jump for the stream even when it lands on the next frame.
    if (s.root->currentFrame() != before)
        s.followStream(-1);
}

void Player::rewind() {
    stop();
    gotoFrame(0);
}

void Player::stepForward() {
    stop();
    gotoFrame(currentFrame() + 1);
    playStepSound();
}

void Player::stepBack() {
    stop();
    gotoFrame(currentFrame() - 1);
    playStepSound();
}

// A single step plays the stream's block of the frame it shows, as a scrub.
void Player::playStepSound() {
    State& s = *m_state;
    if (s.root && s.movie->root.stream && s.hasBlock(currentFrame()))
        s.mixer->startStream(&s.movie->root, s.movie->root, currentFrame(), 1,
                             s.root->soundOwners());
}

const std::shared_ptr<SoundMixer>& Player::soundMixer() const {
    return m_state->mixer;
}

bool Player::soundLeads() const {
    const State& s = *m_state;
    return s.root && s.root->isPlaying() && s.movie->root.stream &&
           s.mixer->streamFrameHeard(&s.movie->root).has_value();
}

int Player::advance() {
    State& s = *m_state;
    if (!s.root)
        return 0;
    if (!soundLeads()) {
        tick();
        return 1;
    }
    // Catching up runs the frames without drawing them; a few per call keep the window
    // responsive, the next call goes on.
    constexpr int kMostTicksPerCall = 8;
    int ticks = 0;
    while (ticks < kMostTicksPerCall && soundLeads()) {
        const std::optional<double> heard = s.mixer->streamFrameHeard(&s.movie->root);
        if (!heard || currentFrame() >= static_cast<int>(*heard))
            break;
        tick();
        ++ticks;
    }
    return ticks;
}

void Player::mixFrameAudio(std::vector<std::int16_t>& out) {
    State& s = *m_state;
    if (!s.root)
        return;
    const double rate = soundFrameRate(frameRate());
    const auto edge = [rate](std::int64_t frame) {
        return static_cast<std::int64_t>(std::llround(double(frame) * kMixRate / rate));
    };
    const std::int64_t n = edge(s.audioFramesRendered + 1) - edge(s.audioFramesRendered);
    ++s.audioFramesRendered;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n) * 2);
    s.mixer->mix(out.data() + at, static_cast<int>(n));
}

std::vector<std::int16_t> Player::renderAudio(int frames) {
    std::vector<std::int16_t> out;
    runFirstFrameActions(); // a sound frame 1's script starts belongs to frame 1
    for (int i = 0; i < frames && m_state->root; ++i) {
        mixFrameAudio(out);
        tick();
    }
    return out;
}

QTransform stageToTarget(const QRectF& stage, const QRectF& target, const RenderOptions& options) {
    const double fit = std::min(target.width() / stage.width(), target.height() / stage.height());
    const double zoom = std::max(1.0, options.zoom);
    const double scale = fit * zoom; // target pixels per twip
    // The stage point kept at the centre of the target.
    const QPointF focus(stage.left() + stage.width() * (zoom > 1 ? options.zoomCentre.x() : 0.5),
                        stage.top() + stage.height() * (zoom > 1 ? options.zoomCentre.y() : 0.5));
    QTransform toTarget;
    toTarget.translate(target.center().x(), target.center().y());
    toTarget.scale(scale, scale);
    toTarget.translate(-focus.x(), -focus.y());
    return toTarget;
}

std::optional<QPointF> Player::stagePoint(const QPointF& targetPoint, const QRectF& target,
                                          const RenderOptions& options) const {
    if (!m_state->movie || target.isEmpty() || m_state->movie->stage.isEmpty())
        return std::nullopt;
    bool invertible = false;
    const QTransform toTarget = stageToTarget(m_state->movie->stage, target, options);
    const QTransform toStage = toTarget.inverted(&invertible);
    if (!invertible)
        return std::nullopt;
    m_state->context.input.stageToDevice = toTarget;
    return toStage.map(targetPoint) / 20.0;
}

const InputState& Player::inputState() const {
    return m_state->context.input;
}

void Player::render(QPainter& painter, const QRectF& target, const RenderOptions& options) const {
    State& s = *m_state;
    FrameScene scene;
    scene.target = target;
    scene.background = backgroundColor();
    if (s.movie && s.root && !target.isEmpty()) {
        scene.stage = s.movie->stage; // twips
        scene.toTarget = stageToTarget(scene.stage, target, options);
        scene.root = s.root.get();
        for (const auto& [level, root] : s.context.levels)
            if (level > 0)
                scene.levels.push_back(root.get());
    }
    scene.context.dictionary = s.movie ? &s.movie->dictionary : nullptr;
    scene.context.quality = options.quality;
    scene.context.sealSharedEdges = options.sealSharedEdges;
    scene.context.fonts = s.host;
    scene.context.rasterCache = options.rasterCache;
    scene.redrawChangedOnly = options.redrawChangedOnly;
    scene.parallelTiles = options.parallelTiles;
    s.renderer.render(painter, scene);
    if (s.scripts && scene.root)
        drawFocusRectangle(painter, scene.toTarget);
}

void Player::drawFocusRectangle(QPainter& painter, const QTransform& toTarget) const {
    const std::optional<QRectF> box = avm1::builtins::focusRectangle(m_state->scripts->vm());
    if (!box)
        return;
    // Over everything, two pixels wide astride the object's edge, outside the kept frame.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor(0xFF, 0xFF, 0x00), 2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(toTarget.mapRect(*box).toRect());
    painter.restore();
}

} // namespace reelcase::swf
