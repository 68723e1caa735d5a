#include "swf/script/avm1_value.h"

#include <cmath>
#include <limits>

namespace reelcase::swf::avm1 {

Object* Heap::create() {
    if (m_objects.size() >= static_cast<std::size_t>(maxObjects))
        return nullptr;
    m_objects.push_back(std::make_unique<Object>());
    return m_objects.back().get();
}

Object* Heap::builtin(const QString& name) {
    if (Object* o = m_builtins.value(name))
        return o;
    Object* o = create();
    if (o) {
        o->builtin = name;
        m_builtins.insert(name, o);
    }
    return o;
}

QString numberToString(double d) {
    if (std::isnan(d))
        return QStringLiteral("NaN");
    if (std::isinf(d))
        return d > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (d == 0)
        return QStringLiteral("0");
    if (std::abs(d) < 1e15 && d == std::trunc(d))
        return QString::number(static_cast<qint64>(d));
    QString s = QString::number(d, 'g', 15);
    // Qt writes "1e+21" / "1e-07"; scripts expect "1e+21" / "1e-7".
    const int e = s.indexOf(QLatin1Char('e'));
    if (e >= 0 && e + 2 < s.size() && s[e + 2] == QLatin1Char('0'))
        s.remove(e + 2, 1);
    return s;
}

double toNumber(const Value& v, int version) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (std::holds_alternative<Undefined>(v) || std::holds_alternative<Null>(v))
        return version >= 7 ? nan : 0;
    if (const bool* b = std::get_if<bool>(&v))
        return *b ? 1 : 0;
    if (const double* d = std::get_if<double>(&v))
        return *d;
    if (const QString* s = std::get_if<QString>(&v)) {
        const QString t = s->trimmed();
        if (t.isEmpty())
            return version >= 5 ? nan : 0;
        bool ok = false;
        double d = 0;
        if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            d = static_cast<double>(t.mid(2).toLongLong(&ok, 16));
        else
            d = t.toDouble(&ok);
        if (ok)
            return d;
        return version >= 5 ? nan : 0;
    }
    return nan; // clips, objects
}

QString toString(const Value& v, int version) {
    if (std::holds_alternative<Undefined>(v))
        return version >= 7 ? QStringLiteral("undefined") : QString();
    if (std::holds_alternative<Null>(v))
        return QStringLiteral("null");
    if (const bool* b = std::get_if<bool>(&v)) {
        if (version < 5)
            return *b ? QStringLiteral("1") : QStringLiteral("0");
        return *b ? QStringLiteral("true") : QStringLiteral("false");
    }
    if (const double* d = std::get_if<double>(&v))
        return numberToString(*d);
    if (const QString* s = std::get_if<QString>(&v))
        return *s;
    if (std::holds_alternative<ClipRef>(v))
        return QString(); // the caller asks for the target path where it matters
    const Object* o = std::get<Object*>(v);
    if (o && o->isArray) {
        QStringList parts;
        for (const Value& e : o->elements)
            parts << (std::holds_alternative<Object*>(e) ? QString() : toString(e, version));
        return parts.join(QLatin1Char(','));
    }
    if (o && o->function)
        return QStringLiteral("[type Function]");
    return QStringLiteral("[object Object]");
}

bool toBoolean(const Value& v, int version) {
    if (std::holds_alternative<Undefined>(v) || std::holds_alternative<Null>(v))
        return false;
    if (const bool* b = std::get_if<bool>(&v))
        return *b;
    if (const double* d = std::get_if<double>(&v))
        return *d != 0 && !std::isnan(*d);
    if (const QString* s = std::get_if<QString>(&v)) {
        // Before SWF 7 a string is true when it reads as a non-zero number.
        if (version >= 7)
            return !s->isEmpty();
        const double d = toNumber(v, version);
        return d != 0 && !std::isnan(d);
    }
    if (std::holds_alternative<ClipRef>(v))
        return !std::get<ClipRef>(v).expired();
    return std::get<Object*>(v) != nullptr;
}

QString typeOf(const Value& v) {
    switch (v.index()) {
    case 0:
        return QStringLiteral("undefined");
    case 1:
        return QStringLiteral("null");
    case 2:
        return QStringLiteral("boolean");
    case 3:
        return QStringLiteral("number");
    case 4:
        return QStringLiteral("string");
    case 5:
        return QStringLiteral("movieclip");
    default: {
        const Object* o = std::get<Object*>(v);
        return o && o->function ? QStringLiteral("function") : QStringLiteral("object");
    }
    }
}

bool strictEquals(const Value& a, const Value& b) {
    if (a.index() != b.index())
        return false;
    switch (a.index()) {
    case 0:
    case 1:
        return true;
    case 2:
        return std::get<bool>(a) == std::get<bool>(b);
    case 3:
        return std::get<double>(a) == std::get<double>(b);
    case 4:
        return std::get<QString>(a) == std::get<QString>(b);
    case 5: {
        const auto clip = clipOf(a);
        return clip && clip == clipOf(b);
    }
    default:
        return std::get<Object*>(a) == std::get<Object*>(b);
    }
}

bool looseEquals(const Value& a, const Value& b, int version) {
    const bool aVoid = std::holds_alternative<Undefined>(a) || std::holds_alternative<Null>(a);
    const bool bVoid = std::holds_alternative<Undefined>(b) || std::holds_alternative<Null>(b);
    if (aVoid || bVoid)
        return aVoid && bVoid;
    if (a.index() == b.index())
        return strictEquals(a, b);
    const bool aPrim = a.index() <= 4, bPrim = b.index() <= 4;
    if (aPrim && bPrim)
        return toNumber(a, version) == toNumber(b, version);
    if (aPrim != bPrim) // an object against a primitive: compare as strings
        return toString(a, version) == toString(b, version);
    return false;
}

std::int32_t toInt32(double d) {
    if (!std::isfinite(d))
        return 0;
    const double m = std::fmod(std::trunc(d), 4294967296.0);
    const auto u =
        static_cast<std::uint32_t>(static_cast<std::int64_t>(m < 0 ? m + 4294967296.0 : m));
    return static_cast<std::int32_t>(u);
}

std::shared_ptr<TimelineInstance> clipOf(const Value& v) {
    if (const auto* c = std::get_if<ClipRef>(&v))
        return c->lock();
    return nullptr;
}

QString nameKey(const QString& name, int version) {
    return version >= 7 ? name : name.toLower();
}

} // namespace reelcase::swf::avm1
