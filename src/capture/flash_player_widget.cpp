#include "capture/flash_player_widget.h"

#include "capture/audio_output.h"
#include "capture/player_full_screen_view.h"
#include "capture/player_host.h"
#include "platform/background.h"
#include "platform/latest_write.h"
#include "platform/regular_file.h"
#include "platform/sound_setting.h"
#include "swf/sound/sound_mixer.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QWidgetAction>

#include <algorithm>
#include <atomic>
#include <memory>

namespace reelcase {

namespace {

constexpr double kMaxZoom = 64.0;

using LoadFlag = std::shared_ptr<std::atomic_bool>;

// Reads and parses a movie file; null when it is missing, not a regular file, too large,
// not a SWF, or superseded (superseded set) before it was parsed. Runs on a worker thread.
std::shared_ptr<const swf::Movie> readMovieFile(const QString& path, const LoadFlag& superseded) {
    FileLimits limits;
    limits.maxBytes = FlashPlayerWidget::kMaxMovieBytes;
    limits.cancelled = [superseded] { return superseded->load(); };
    const ReadResult file = readRegularFile(path, limits);
    if (!file.ok || superseded->load())
        return nullptr;
    return swf::parseMovie(file.bytes);
}

} // namespace

struct FlashPlayerWidget::Private {
    swf::Player player;
    QTimer clock;
    QString path;
    quint64 request = 0; // the latest setMovie(); earlier results are dropped
    // Set when the load under way is superseded or the widget goes, so that clicking
    // through a list queues no reads ahead of other work on the pool.
    LoadFlag superseded = std::make_shared<std::atomic_bool>(false);
    bool loading = false;
    bool playOnArrival = true; // "playing on load", cleared by stop() while loading
    swf::RenderOptions options;
    std::shared_ptr<const swf::Movie> movie;
    SoundSetting sound;
    std::unique_ptr<AudioOutput> output;
    QPointer<PlayerFullScreenView> fullScreen; // deletes itself when closed
    PlayerHost host;
};

// While the stream leads, the clock looks this often (ms) whether a frame is due.
constexpr int kSoundClockMs = 5;

FlashPlayerWidget::FlashPlayerWidget(QWidget* parent)
    : QWidget(parent)
    , d(std::make_unique<Private>()) {
    setObjectName(QStringLiteral("ShockwaveFlash1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled); // typed Chinese reaches the movie's text fields
    setMouseTracking(true);
    d->host.quit = [this] { stop(); };
    d->player.setHost(&d->host);
    d->player.setLooping(true);
    d->options.quality = swf::Quality::High;
    d->clock.setTimerType(Qt::PreciseTimer);
    connect(&d->clock, &QTimer::timeout, this, &FlashPlayerWidget::onFrameClock);
    d->sound = SoundSetting::read();
    applyVolume();
    d->output = std::make_unique<AudioOutput>(d->player.soundMixer());
}

FlashPlayerWidget::~FlashPlayerWidget() {
    *d->superseded = true;
    delete d->fullScreen;
}

void FlashPlayerWidget::setMovie(const QString& path) {
    const quint64 request = ++d->request;
    *d->superseded = true;
    d->superseded = std::make_shared<std::atomic_bool>(false);
    d->path = path;
    d->loading = true;
    d->playOnArrival = true;
    d->player.setMovie(nullptr);
    d->movie.reset();
    d->options.zoom = 1.0;
    updateClock();
    update();
    runInBackground(
        this, [path, superseded = d->superseded] { return readMovieFile(path, superseded); },
        [this, request](std::shared_ptr<const swf::Movie> movie) {
            onMovieParsed(request, std::move(movie));
        });
}

void FlashPlayerWidget::onMovieParsed(quint64 request, std::shared_ptr<const swf::Movie> movie) {
    if (request != d->request)
        return; // a later setMovie() owns the player now
    d->loading = false;
    const bool ok = movie != nullptr;
    d->movie = movie;
    d->player.setMovie(std::move(movie));
    if (ok && d->playOnArrival)
        d->player.play();
    else
        d->player.stop();
    updateClock();
    update();
    Q_EMIT movieLoaded(d->path, ok);
}

QString FlashPlayerWidget::movie() const {
    return d->path;
}

void FlashPlayerWidget::play() {
    if (d->loading)
        d->playOnArrival = true;
    else
        d->player.play();
}

void FlashPlayerWidget::stop() {
    d->playOnArrival = false;
    d->player.stop();
}

bool FlashPlayerWidget::isPlaying() const {
    return d->loading ? d->playOnArrival : d->player.isPlaying();
}

bool FlashPlayerWidget::isLoading() const {
    return d->loading;
}

void FlashPlayerWidget::setLooping(bool looping) {
    d->player.setLooping(looping);
}

bool FlashPlayerWidget::isLooping() const {
    return d->player.isLooping();
}

void FlashPlayerWidget::setQuality(swf::Quality quality) {
    d->options.quality = quality;
    update();
}

swf::Quality FlashPlayerWidget::quality() const {
    return d->options.quality;
}

void FlashPlayerWidget::zoomIn(const QPointF& widgetPos) {
    const QRectF stage = d->player.stageRect();
    if (!d->player.hasMovie() || stage.isEmpty() || d->options.zoom >= kMaxZoom)
        return;
    // The stage as ShowAll fits it at zoom 1; the point under widgetPos, as a fraction of
    // the stage, becomes the new centre.
    const QSizeF fitted = stage.size().scaled(size(), Qt::KeepAspectRatio);
    if (fitted.isEmpty())
        return;
    const QPointF offset = widgetPos - QRectF(rect()).center();
    const double zoom = d->options.zoom;
    const QPointF centre = d->options.zoomCentre + QPointF(offset.x() / (fitted.width() * zoom),
                                                           offset.y() / (fitted.height() * zoom));
    const double newZoom = std::min(zoom * 2, kMaxZoom);
    // Keep the view inside the stage.
    const double margin = 0.5 / newZoom;
    d->options.zoomCentre = {std::clamp(centre.x(), margin, 1 - margin),
                             std::clamp(centre.y(), margin, 1 - margin)};
    d->options.zoom = newZoom;
    update();
}

void FlashPlayerWidget::zoomOut() {
    if (d->options.zoom <= 1.0)
        return;
    d->options.zoom = std::max(d->options.zoom / 2, 1.0);
    const double margin = 0.5 / d->options.zoom;
    QPointF& centre = d->options.zoomCentre;
    centre = {std::clamp(centre.x(), margin, 1 - margin),
              std::clamp(centre.y(), margin, 1 - margin)};
    update();
}

void FlashPlayerWidget::showAll() {
    d->options.zoom = 1.0;
    d->options.zoomCentre = {0.5, 0.5};
    update();
}

double FlashPlayerWidget::zoom() const {
    return d->options.zoom;
}

void FlashPlayerWidget::setLinkOpener(std::function<void(const QUrl&)> openLink) {
    d->host.openLink = std::move(openLink);
}

const swf::RenderOptions& FlashPlayerWidget::renderOptions() const {
    return d->options;
}

swf::Player& FlashPlayerWidget::player() {
    return d->player;
}

const swf::Player& FlashPlayerWidget::player() const {
    return d->player;
}

void FlashPlayerWidget::updateClock() {
    if (!d->player.hasMovie()) {
        d->clock.stop();
        return;
    }
    // The clock keeps running while the main timeline is stopped: sprites and actions
    // may still move.
    d->clock.start(std::max(1, d->player.frameIntervalMs()));
}

void FlashPlayerWidget::onFrameClock() {
    if (d->player.advance() > 0) {
        updatePointerCursor();
        update();
        Q_EMIT frameAdvanced();
    }
    const int interval = d->player.soundLeads() ? kSoundClockMs : d->player.frameIntervalMs();
    if (d->clock.interval() != interval)
        d->clock.setInterval(interval);
}

void FlashPlayerWidget::setVolume(int volume) {
    d->sound.volume = std::clamp(volume, 0, 100);
    applyVolume();
    storeVolume();
}

int FlashPlayerWidget::volume() const {
    return d->sound.volume;
}

void FlashPlayerWidget::setMuted(bool muted) {
    d->sound.muted = muted;
    applyVolume();
    storeVolume();
}

bool FlashPlayerWidget::isMuted() const {
    return d->sound.muted;
}

void FlashPlayerWidget::applyVolume() {
    d->player.soundMixer()->setMasterVolume(d->sound.muted ? 0.0 : d->sound.volume / 100.0);
}

void FlashPlayerWidget::storeVolume() {
    const SoundSetting setting = d->sound;
    // Moving the slider stores many values at once; the last one must be the one kept.
    static const auto writes = std::make_shared<LatestWrite>();
    const quint64 ticket = writes->ticket();
    runInBackground(
        this,
        [setting, ticket, gate = writes] {
            bool ok = true;
            gate->runIfLatest(ticket, [&] { ok = SoundSetting::write(setting); });
            return ok;
        },
        [](bool) {});
}

std::shared_ptr<const swf::Movie> FlashPlayerWidget::loadedMovie() const {
    return d->movie;
}

void FlashPlayerWidget::showFullScreenView() {
    if (!d->fullScreen) {
        d->fullScreen = new PlayerFullScreenView(*this);
        // Covers the screen even where no window manager honours the full-screen state.
        if (QScreen* here = screen())
            d->fullScreen->setGeometry(here->geometry());
        d->fullScreen->showFullScreen();
    }
    d->fullScreen->activateWindow();
    d->fullScreen->setFocus();
}

QWidget* FlashPlayerWidget::fullScreenView() const {
    return d->fullScreen;
}

void FlashPlayerWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!d->player.hasMovie()) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    // The painter maps widget pixels to device pixels itself, so the stage is drawn at
    // full resolution on high-DPI screens.
    d->player.render(painter, QRectF(rect()), d->options);
}

std::unique_ptr<QMenu> FlashPlayerWidget::createContextMenu(const QPoint& widgetPos) {
    auto menu = std::make_unique<QMenu>(this);
    const bool loaded = d->player.hasMovie();

    // The movie's own items (its ContextMenu) come first.
    const std::vector<swf::CustomMenuItem> custom =
        loaded ? d->player.openContextMenu() : std::vector<swf::CustomMenuItem>();
    for (std::size_t i = 0; i < custom.size(); ++i) {
        if (custom[i].separatorBefore && i > 0)
            menu->addSeparator();
        QAction* item = menu->addAction(custom[i].caption);
        item->setObjectName(QStringLiteral("movieItem%1").arg(i));
        item->setEnabled(custom[i].enabled);
        connect(item, &QAction::triggered, this, [this, i] {
            d->player.chooseContextMenuItem(static_cast<int>(i));
            update();
        });
    }
    if (!custom.empty())
        menu->addSeparator();

    QAction* play = menu->addAction(QStringLiteral("播放"));
    play->setObjectName(QStringLiteral("play"));
    play->setCheckable(true);
    play->setChecked(isPlaying());
    play->setEnabled(loaded);
    connect(play, &QAction::triggered, this, [this](bool on) { on ? this->play() : stop(); });

    QAction* loop = menu->addAction(QStringLiteral("循环"));
    loop->setObjectName(QStringLiteral("loop"));
    loop->setCheckable(true);
    loop->setChecked(isLooping());
    connect(loop, &QAction::triggered, this, &FlashPlayerWidget::setLooping);

    menu->addSeparator();
    const auto step = [this](void (swf::Player::*move)()) {
        return [this, move] {
            (d->player.*move)();
            update();
        };
    };
    QAction* rewind = menu->addAction(QStringLiteral("倒带"), this, step(&swf::Player::rewind));
    rewind->setObjectName(QStringLiteral("rewind"));
    QAction* forward =
        menu->addAction(QStringLiteral("前进"), this, step(&swf::Player::stepForward));
    forward->setObjectName(QStringLiteral("forward"));
    QAction* back = menu->addAction(QStringLiteral("后退"), this, step(&swf::Player::stepBack));
    back->setObjectName(QStringLiteral("back"));
    const int frames = d->player.frameCount();
    const int frame = d->player.currentFrame();
    rewind->setEnabled(loaded && frames > 1);
    forward->setEnabled(loaded && frame + 1 < frames);
    back->setEnabled(loaded && frame > 0);

    menu->addSeparator();
    QAction* all = menu->addAction(QStringLiteral("全部显示"), this, &FlashPlayerWidget::showAll);
    all->setObjectName(QStringLiteral("showAll"));
    all->setCheckable(true);
    all->setChecked(zoom() <= 1.0);
    QAction* in = menu->addAction(QStringLiteral("放大"), this,
                                  [this, widgetPos] { zoomIn(QPointF(widgetPos)); });
    in->setObjectName(QStringLiteral("zoomIn"));
    in->setEnabled(loaded && zoom() < kMaxZoom);
    QAction* out = menu->addAction(QStringLiteral("缩小"), this, &FlashPlayerWidget::zoomOut);
    out->setObjectName(QStringLiteral("zoomOut"));
    out->setEnabled(zoom() > 1.0);

    QAction* fullScreen =
        menu->addAction(QStringLiteral("全屏"), this, &FlashPlayerWidget::showFullScreenView);
    fullScreen->setObjectName(QStringLiteral("fullScreen"));
    fullScreen->setEnabled(loaded && !d->fullScreen);

    menu->addSeparator();
    QMenu* qualityMenu = menu->addMenu(QStringLiteral("品质"));
    qualityMenu->menuAction()->setObjectName(QStringLiteral("quality"));
    auto* group = new QActionGroup(qualityMenu);
    group->setExclusive(true);
    const std::pair<const char16_t*, swf::Quality> levels[] = {
        {u"低", swf::Quality::Low}, {u"中", swf::Quality::Medium}, {u"高", swf::Quality::High}};
    for (const auto& [text, level] : levels) {
        QAction* action = qualityMenu->addAction(QString::fromUtf16(text));
        action->setCheckable(true);
        action->setChecked(quality() == level);
        action->setActionGroup(group);
        connect(action, &QAction::triggered, this, [this, level = level] { setQuality(level); });
    }

    QMenu* volumeMenu = menu->addMenu(QStringLiteral("音量"));
    volumeMenu->menuAction()->setObjectName(QStringLiteral("volume"));
    auto* sliderAction = new QWidgetAction(volumeMenu);
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(QStringLiteral("volumeSlider"));
    slider->setRange(0, 100);
    slider->setValue(volume());
    slider->setMinimumWidth(120);
    connect(slider, &QSlider::valueChanged, this, [this](int value) {
        d->sound.volume = value;
        applyVolume();
    });
    sliderAction->setDefaultWidget(slider);
    volumeMenu->addAction(sliderAction);
    QAction* mute = volumeMenu->addAction(QStringLiteral("静音"));
    mute->setObjectName(QStringLiteral("mute"));
    mute->setCheckable(true);
    mute->setChecked(isMuted());
    connect(mute, &QAction::triggered, this, &FlashPlayerWidget::setMuted);
    // The slider keeps the value as it is dragged; it is stored once the menu closes.
    connect(menu.get(), &QMenu::aboutToHide, this, [this, slider, start = volume()] {
        if (slider->value() != start)
            storeVolume();
    });

    QAction* saveSound =
        menu->addAction(QStringLiteral("保存声音"), this, &FlashPlayerWidget::saveSoundRequested);
    saveSound->setObjectName(QStringLiteral("saveSound"));
    saveSound->setEnabled(loaded);
    return menu;
}

void FlashPlayerWidget::contextMenuEvent(QContextMenuEvent* event) {
    const std::unique_ptr<QMenu> menu = createContextMenu(event->pos());
    menu->exec(event->globalPos());
    event->accept();
}

} // namespace reelcase
