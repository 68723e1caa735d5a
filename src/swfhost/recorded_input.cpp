#include "swfhost/recorded_input.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <utility>

namespace reelcase::swfhost {

namespace {

constexpr qsizetype kMaxEvents = 1'000'000;

using Type = InputEvent::Type;

constexpr std::array<std::pair<const char*, Type>, 11> kTypes{{
    {"MouseMove", Type::MouseMove},
    {"MouseDown", Type::MouseDown},
    {"MouseUp", Type::MouseUp},
    {"MouseWheel", Type::MouseWheel},
    {"KeyDown", Type::KeyDown},
    {"KeyUp", Type::KeyUp},
    {"TextInput", Type::TextInput},
    {"TextControl", Type::TextControl},
    {"SetClipboardText", Type::SetClipboardText},
    {"FocusGained", Type::FocusGained},
    {"FocusLost", Type::FocusLost},
}};

bool readPos(const QJsonValue& value, QPointF* pos) {
    const QJsonArray a = value.toArray();
    if (a.size() != 2 || !a[0].isDouble() || !a[1].isDouble())
        return false;
    *pos = QPointF(a[0].toDouble(), a[1].toDouble());
    return true;
}

bool readButton(const QJsonValue& value, InputEvent::Button* button) {
    const QString name = value.toString();
    if (name == u"Left")
        *button = InputEvent::Button::Left;
    else if (name == u"Middle")
        *button = InputEvent::Button::Middle;
    else if (name == u"Right")
        *button = InputEvent::Button::Right;
    else
        return false;
    return true;
}

// A named key ("Tab") or {"Char": "a"} / {"Numpad": "1"}.
bool readKey(const QJsonValue& value, InputEvent* event) {
    if (value.isString()) {
        event->key = value.toString();
        event->keyKind = InputEvent::KeyKind::Named;
        return !event->key.isEmpty();
    }
    const QJsonObject o = value.toObject();
    if (o.size() != 1)
        return false;
    if (o.contains(u"Char"))
        event->keyKind = InputEvent::KeyKind::Char;
    else if (o.contains(u"Numpad"))
        event->keyKind = InputEvent::KeyKind::Numpad;
    else
        return false;
    event->key = o.begin().value().toString();
    return event->key.size() >= 1;
}

// A character given as a one-character string or as its number.
bool readCodepoint(const QJsonValue& value, char32_t* codepoint) {
    if (value.isDouble()) {
        const double n = value.toDouble();
        if (!(n >= 0 && n <= 0x10FFFF) || n != static_cast<double>(static_cast<int>(n)))
            return false;
        *codepoint = static_cast<char32_t>(n);
        return true;
    }
    const QList<uint> ucs4 = value.toString().toUcs4();
    if (ucs4.size() != 1)
        return false;
    *codepoint = ucs4.front();
    return true;
}

// Reads one event's fields; returns the name of the field at fault, or empty.
QString readFields(const QJsonObject& o, InputEvent* e) {
    switch (e->type) {
    case Type::MouseMove:
        if (!readPos(o.value(u"pos"), &e->pos))
            return QStringLiteral("pos");
        if (o.contains(u"btn") && !readButton(o.value(u"btn"), &e->button))
            return QStringLiteral("btn");
        return {};
    case Type::MouseDown:
    case Type::MouseUp:
        if (!readPos(o.value(u"pos"), &e->pos))
            return QStringLiteral("pos");
        if (!readButton(o.value(u"btn"), &e->button))
            return QStringLiteral("btn");
        return {};
    case Type::MouseWheel:
        if (!o.value(u"lines").isDouble())
            return QStringLiteral("lines");
        e->lines = o.value(u"lines").toDouble();
        return {};
    case Type::KeyDown:
    case Type::KeyUp:
        return readKey(o.value(u"key"), e) ? QString() : QStringLiteral("key");
    case Type::TextInput:
        return readCodepoint(o.value(u"codepoint"), &e->codepoint) ? QString()
                                                                   : QStringLiteral("codepoint");
    case Type::TextControl:
        e->text = o.value(u"code").toString();
        return e->text.isEmpty() ? QStringLiteral("code") : QString();
    case Type::SetClipboardText:
        if (!o.value(u"text").isString())
            return QStringLiteral("text");
        e->text = o.value(u"text").toString();
        return {};
    case Type::FocusGained:
    case Type::FocusLost:
        return {};
    }
    return {};
}

} // namespace

int RecordedInput::eventCount() const {
    int count = 0;
    for (const auto& batch : batches)
        count += static_cast<int>(batch.size());
    return count;
}

std::optional<RecordedInput> parseRecordedInput(const QByteArray& json, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull()) {
        *error = QStringLiteral("not JSON: %1 (at byte %2)")
                     .arg(parseError.errorString())
                     .arg(parseError.offset);
        return std::nullopt;
    }
    if (!doc.isArray()) {
        *error = QStringLiteral("not a list of events");
        return std::nullopt;
    }
    const QJsonArray events = doc.array();
    if (events.size() > kMaxEvents) {
        *error = QStringLiteral("more than %1 events").arg(kMaxEvents);
        return std::nullopt;
    }
    RecordedInput input;
    input.batches.emplace_back();
    for (qsizetype i = 0; i < events.size(); ++i) {
        const QJsonObject o = events[i].toObject();
        const QString type = o.value(u"type").toString();
        if (type == u"Wait") {
            input.batches.emplace_back();
            continue;
        }
        InputEvent event;
        bool known = false;
        for (const auto& [name, value] : kTypes) {
            if (type == QLatin1String(name)) {
                event.type = value;
                known = true;
            }
        }
        if (!known) {
            *error = QStringLiteral("event %1: unknown type \"%2\"").arg(i + 1).arg(type);
            return std::nullopt;
        }
        const QString fault = readFields(o, &event);
        if (!fault.isEmpty()) {
            *error = QStringLiteral("event %1 (%2): missing or invalid \"%3\"")
                         .arg(i + 1)
                         .arg(type, fault);
            return std::nullopt;
        }
        input.batches.back().push_back(std::move(event));
    }
    return input;
}

} // namespace reelcase::swfhost
