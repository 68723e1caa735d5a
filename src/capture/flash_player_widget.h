#pragma once

#include "platform/regular_file.h"
#include "swf/player/input_event.h"
#include "swf/player/player.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QMenu;

namespace reelcase {

// The player control of the main window (objectName "ShockwaveFlash1"): loads a .swf
// file by path, plays it on a frame clock at the movie's rate and draws it ShowAll.
// It starts with no movie, quality high, playing on load and looping, and offers a
// right-click menu (play, loop, rewind, forward, back, show all, zoom, quality, volume,
// save the sound). Sound plays on the default audio device, or silently on the system
// clock where there is none; the movie's stream sound decides which frame is due.
class FlashPlayerWidget : public QWidget {
    Q_OBJECT
public:
    // Files larger than this are not loaded (bytes).
    static constexpr qint64 kMaxMovieBytes = kMaxFileBytes;

    explicit FlashPlayerWidget(QWidget* parent = nullptr);
    ~FlashPlayerWidget() override;

    // Load movie: drops what it showed and reads the file off the UI thread. A file that
    // cannot be read or is not a SWF leaves the player empty, without a message. When
    // several loads overlap, the last one requested wins. The movie starts playing when
    // it arrives unless stop() was called after this.
    void setMovie(const QString& path);
    QString movie() const;
    // Play (Playing = true): starts, or starts again after stop; applies to a movie
    // still loading as soon as it arrives.
    void play();
    // Halts playback; the movie stays loaded. Safe with no movie.
    void stop();
    // True while the movie plays, or will play once the one loading arrives.
    bool isPlaying() const;
    bool isLoading() const;

    void setLooping(bool looping);
    bool isLooping() const;
    void setQuality(swf::Quality quality);
    swf::Quality quality() const;

    // Zoom into the stage; 1 shows all of it. Each step doubles or halves, from 1 to 64.
    // zoomIn keeps the stage point under widgetPos (widget pixels) centred.
    void zoomIn(const QPointF& widgetPos);
    void zoomOut();
    void showAll();
    double zoom() const;

    // Volume 0..100 and mute, applied at once and kept in the settings file (written off
    // the UI thread).
    void setVolume(int volume);
    int volume() const;
    void setMuted(bool muted);
    bool isMuted() const;

    // The movie now playing as parsed (null while loading or when empty).
    std::shared_ptr<const swf::Movie> loadedMovie() const;

    // The right-click menu as it would open at widgetPos: 播放, 循环, 倒带, 前进, 后退,
    // 全部显示, 放大, 缩小, the 品质 submenu (低, 中, 高), the 音量 submenu (a slider and
    // 静音) and 保存声音. Its actions act on this widget; the caller owns the menu.
    std::unique_ptr<QMenu> createContextMenu(const QPoint& widgetPos);

    // 全屏: the player alone on the whole screen, drawing and taking input like this
    // widget; Esc or closing it comes back. Null while not shown.
    void showFullScreenView();
    QWidget* fullScreenView() const;

    // Where the movie's web and mail links go (the window passes the desktop's browser);
    // without one they go nowhere.
    void setLinkOpener(std::function<void(const QUrl&)> openLink);

    swf::Player& player();
    const swf::Player& player() const;

Q_SIGNALS:
    // Fires on the UI thread when a setMovie() request has been settled: ok is false
    // when the file could not be read or parsed (the player is then empty). A request
    // overtaken by a later one is not reported.
    void movieLoaded(const QString& path, bool ok);
    // 保存声音 was chosen in the right-click menu.
    void saveSoundRequested();
    // A tick of the frame clock moved the movie on (views other than this one redraw).
    void frameAdvanced();

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The pointer and the keys go to the movie (flash_player_widget_input.cpp); keys only
    // while the player has the focus, so the window's shortcuts keep working elsewhere.
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    const swf::RenderOptions& renderOptions() const;
    // Hands one event to the player; pointer events carry a position in view, a rectangle
    // the stage is drawn into (this widget's, or the full-screen view's).
    void sendInput(swf::InputEvent event, const QPointF& pos = {}, const QRectF& view = {});
    // The pointing hand over the movie's active buttons, none where the movie hid it, the
    // default cursor elsewhere.
    void updatePointerCursor();
    friend class PlayerFullScreenView;
    void onMovieParsed(quint64 request, std::shared_ptr<const swf::Movie> movie);
    void onFrameClock();
    void updateClock();
    void applyVolume();
    void storeVolume();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace reelcase
