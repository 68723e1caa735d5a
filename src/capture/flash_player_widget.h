#pragma once

#include "swf/player.h"

#include <QTimer>
#include <QWidget>

namespace reelcase {

// The player control of the main window (objectName "ShockwaveFlash1"): loads a .swf
// file by path, plays it on a frame clock at the movie's rate and draws it ShowAll.
// It starts with no movie, quality high, playing on load and looping, and offers a
// right-click menu (play, loop, rewind, forward, back, show all, zoom, quality).
class FlashPlayerWidget : public QWidget {
    Q_OBJECT
public:
    explicit FlashPlayerWidget(QWidget* parent = nullptr);
    ~FlashPlayerWidget() override;

    // Load movie: drops what it showed and reads the file off the UI thread. A file that
    // cannot be read or is not a SWF leaves the player empty, without a message.
    void setMovie(const QString& path);
    QString movie() const;
    // Play (Playing = true): starts, or starts again after stop; applies to a movie
    // still loading as soon as it arrives.
    void play();
    // Halts playback; the movie stays loaded. Safe with no movie.
    void stop();
    bool isPlaying() const;

    swf::Player& player();
    const swf::Player& player() const;

Q_SIGNALS:
    // Fires on the UI thread when a setMovie() request has been settled: ok is false
    // when the file could not be read or parsed (the player is then empty).
    void movieLoaded(const QString& path, bool ok);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace reelcase
