#pragma once

#include <QWidget>

namespace reelcase {

class FlashPlayerWidget;

// The player's movie on the whole screen: a window of its own that draws the same player
// ShowAll and hands the pointer and keys to it. Esc closes it; it deletes itself when
// closed.
class PlayerFullScreenView : public QWidget {
    Q_OBJECT
public:
    explicit PlayerFullScreenView(FlashPlayerWidget& owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    FlashPlayerWidget& m_owner;
};

} // namespace reelcase
