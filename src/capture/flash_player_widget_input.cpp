// The user's pointer and keys, turned into the movie's input events.
#include "capture/flash_player_widget.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
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

// The editing command a key press stands for in a text field, if any.
std::optional<InputEvent::Control> textControl(QKeyEvent* event) {
    using Control = InputEvent::Control;
    const std::pair<QKeySequence::StandardKey, Control> shortcuts[] = {
        {QKeySequence::Copy, Control::Copy},
        {QKeySequence::Cut, Control::Cut},
        {QKeySequence::Paste, Control::Paste},
        {QKeySequence::SelectAll, Control::SelectAll},
    };
    for (const auto& [key, control] : shortcuts)
        if (event->matches(key))
            return control;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Control::Enter;
    case Qt::Key_Backspace:
        return Control::Backspace;
    case Qt::Key_Delete:
        return Control::Delete;
    case Qt::Key_Left:
        return Control::MoveLeft;
    case Qt::Key_Right:
        return Control::MoveRight;
    case Qt::Key_Home:
        return Control::MoveHome;
    case Qt::Key_End:
        return Control::MoveEnd;
    default:
        return std::nullopt;
    }
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
    const std::optional<InputEvent::Control> control = textControl(event);
    if (control)
        key.codepoint = 0; // Ctrl+C and the like type nothing
    if (key.keyCode == 0 && key.codepoint == 0 && !control) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (key.keyCode != 0 || key.codepoint != 0)
        sendInput(key);
    if (control) {
        InputEvent edit = ofKind(InputEvent::Kind::TextControl);
        edit.control = *control;
        sendInput(edit);
    } else if (key.codepoint != 0) {
        InputEvent typed = ofKind(InputEvent::Kind::TextInput);
        typed.codepoint = key.codepoint;
        sendInput(typed);
    }
    event->accept();
}

// Text an input method composed (Chinese, say) goes to the focused field as typed text.
void FlashPlayerWidget::inputMethodEvent(QInputMethodEvent* event) {
    for (const char32_t c : event->commitString().toUcs4()) {
        InputEvent typed = ofKind(InputEvent::Kind::TextInput);
        typed.codepoint = c;
        sendInput(typed);
    }
    event->accept();
}

QVariant FlashPlayerWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImEnabled)
        return true;
    return QWidget::inputMethodQuery(query);
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
