// The user's pointer and keys, turned into the movie's input events.
#include "capture/flash_player_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace reelcase {

namespace {

using swf::InputEvent;

std::optional<InputEvent::Button> movieButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return InputEvent::Button::Left;
    case Qt::MiddleButton:
        return InputEvent::Button::Middle;
    default:
        return std::nullopt; // the right button opens the player's menu
    }
}

InputEvent ofKind(InputEvent::Kind kind) {
    InputEvent event;
    event.kind = kind;
    return event;
}

} // namespace

void FlashPlayerWidget::sendInput(InputEvent event, const QPointF& pos, const QRectF& view) {
    if (!player().hasMovie())
        return;
    const QRectF target = view.isEmpty() ? QRectF(rect()) : view;
    if (const auto point = player().stagePoint(pos, target, renderOptions()))
        event.position = *point;
    player().handleInput(event);
    updatePointerCursor();
    update(); // a button changes its look, or its script the frame
}

void FlashPlayerWidget::updatePointerCursor() {
    const std::optional<Qt::CursorShape> shape =
        player().inputState().pointerHidden ? std::optional(Qt::BlankCursor)
        : player().showsHandCursor()        ? std::optional(Qt::PointingHandCursor)
                                            : std::nullopt;
    if (shape && cursor().shape() != *shape)
        setCursor(*shape);
    else if (!shape && testAttribute(Qt::WA_SetCursor))
        unsetCursor();
}

void FlashPlayerWidget::mouseMoveEvent(QMouseEvent* event) {
    sendInput(ofKind(InputEvent::Kind::MouseMove), event->position());
    QWidget::mouseMoveEvent(event);
}

void FlashPlayerWidget::mousePressEvent(QMouseEvent* event) {
    if (const auto button = movieButton(event->button())) {
        InputEvent press = ofKind(InputEvent::Kind::MouseDown);
        press.button = *button;
        sendInput(press, event->position());
    }
    QWidget::mousePressEvent(event);
}

void FlashPlayerWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (const auto button = movieButton(event->button())) {
        InputEvent release = ofKind(InputEvent::Kind::MouseUp);
        release.button = *button;
        sendInput(release, event->position());
    }
    QWidget::mouseReleaseEvent(event);
}

void FlashPlayerWidget::wheelEvent(QWheelEvent* event) {
    InputEvent wheel = ofKind(InputEvent::Kind::MouseWheel);
    wheel.wheelLines = event->angleDelta().y() / 40; // 120 per notch, three lines a notch
    if (wheel.wheelLines != 0)
        sendInput(wheel, event->position());
    event->accept();
}

void FlashPlayerWidget::leaveEvent(QEvent* event) {
    sendInput(ofKind(InputEvent::Kind::MouseLeave));
    QWidget::leaveEvent(event);
}

void FlashPlayerWidget::keyPressEvent(QKeyEvent* event) {
    InputEvent key = ofKind(InputEvent::Kind::KeyDown);
    key.keyCode = swf::movieKeyCode(event->key(), event->modifiers() & Qt::KeypadModifier);
    const QString text = event->text();
    if (!text.isEmpty() && text.front().isPrint())
        key.codepoint = text.toUcs4().value(0);
    if (key.keyCode == 0 && key.codepoint == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    sendInput(key);
    if (key.codepoint != 0) {
        InputEvent typed = ofKind(InputEvent::Kind::TextInput);
        typed.codepoint = key.codepoint;
        sendInput(typed);
    }
    event->accept();
}

void FlashPlayerWidget::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat())
        return;
    InputEvent key = ofKind(InputEvent::Kind::KeyUp);
    key.keyCode = swf::movieKeyCode(event->key(), event->modifiers() & Qt::KeypadModifier);
    if (key.keyCode == 0) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    sendInput(key);
    event->accept();
}

void FlashPlayerWidget::focusInEvent(QFocusEvent* event) {
    sendInput(ofKind(InputEvent::Kind::FocusGained));
    QWidget::focusInEvent(event);
}

void FlashPlayerWidget::focusOutEvent(QFocusEvent* event) {
    sendInput(ofKind(InputEvent::Kind::FocusLost));
    QWidget::focusOutEvent(event);
}

} // namespace reelcase
