#include "capture/player_full_screen_view.h"

#include "capture/flash_player_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace reelcase {

PlayerFullScreenView::PlayerFullScreenView(FlashPlayerWidget& owner)
    : QWidget(nullptr, Qt::Window)
    , m_owner(owner) {
    setObjectName(QStringLiteral("FullScreenPlayer"));
    setWindowTitle(owner.window()->windowTitle());
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(owner.cursor());
    connect(&owner, &FlashPlayerWidget::frameAdvanced, this, qOverload<>(&QWidget::update));
}

void PlayerFullScreenView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_owner.player().hasMovie()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    m_owner.player().render(painter, QRectF(rect()), m_owner.renderOptions());
}

// Pointer events go through the owner with this window's rectangle as the view, so they
// land where the stage is drawn here.
void PlayerFullScreenView::mouseMoveEvent(QMouseEvent* event) {
    swf::InputEvent move;
    move.kind = swf::InputEvent::Kind::MouseMove;
    m_owner.sendInput(move, event->position(), QRectF(rect()));
}

void PlayerFullScreenView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    swf::InputEvent press;
    press.kind = swf::InputEvent::Kind::MouseDown;
    m_owner.sendInput(press, event->position(), QRectF(rect()));
}

void PlayerFullScreenView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    swf::InputEvent release;
    release.kind = swf::InputEvent::Kind::MouseUp;
    m_owner.sendInput(release, event->position(), QRectF(rect()));
}

void PlayerFullScreenView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    m_owner.keyPressEvent(event);
}

void PlayerFullScreenView::keyReleaseEvent(QKeyEvent* event) {
    m_owner.keyReleaseEvent(event);
}

} // namespace reelcase
