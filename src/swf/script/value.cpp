#include "swf/script/value.h"

#include <cmath>
#include <limits>

namespace reelcase::swf::avm1 {

QString numberToString(double d) {
    if (std::isnan(d))
        return QStringLiteral("NaN");
    if (std::isinf(d))
        return d > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (d == 0)
        return QStringLiteral("0");
    if (std::abs(d) < 1e15 && d == std::trunc(d))
        return QString::number(static_cast<qint64>(d));
    // Digits and exponent at 15 significant digits.
    const QString e = QString::number(std::abs(d), 'e', 14); // d.dddddddddddddde+XX
    const int at = e.indexOf(QLatin1Char('e'));
    QString digits = e.left(at);
    digits.remove(QLatin1Char('.'));
    const int exponent = e.mid(at + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    QString out = d < 0 ? QStringLiteral("-") : QString();
    if (exponent >= 15 || exponent < -5) {
        out += digits.left(1);
        if (digits.size() > 1)
            out += QLatin1Char('.') + digits.mid(1);
        out += QLatin1Char('e') + QString(exponent > 0 ? QStringLiteral("+") : QString()) +
               QString::number(exponent);
    } else if (exponent < 0) {
        out += QStringLiteral("0.") + QString(-exponent - 1, QLatin1Char('0')) + digits;
    } else if (digits.size() <= exponent + 1) {
        out += digits + QString(exponent + 1 - digits.size(), QLatin1Char('0'));
    } else {
        out += digits.left(exponent + 1) + QLatin1Char('.') + digits.mid(exponent + 1);
    }
    return out;
}

QString numberToRadix(double d, int radix) {
    if (radix == 10 || radix < 2 || radix > 36)
        return numberToString(d);
    if (!std::isfinite(d))
        return numberToString(d);
    const std::int32_t n = toInt32(d);
    const bool negative = n < 0;
    std::uint32_t u = negative ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(n))
                               : static_cast<std::uint32_t>(n);
    QString out;
    do {
        const int digit = static_cast<int>(u % static_cast<std::uint32_t>(radix));
        out.prepend(QLatin1Char(static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10)));
        u /= static_cast<std::uint32_t>(radix);
    } while (u);
    return negative ? QLatin1Char('-') + out : out;
}

namespace {
// SWF 4 reads the number a string starts with ("100ABC" is 100) and 0 when there is none.
double leadingNumber(const QString& t) {
    int i = 0;
    const int n = static_cast<int>(t.size());
    auto digits = [&] {
        const int from = i;
        while (i < n && t[i].isDigit() && t[i].unicode() < 128)
            ++i;
        return i - from;
    };
    if (i < n && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        ++i;
    int count = digits();
    if (i < n && t[i] == QLatin1Char('.')) {
        ++i;
        count += digits();
    }
    if (count == 0)
        return 0;
    int end = i;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
            ++i;
        if (digits() > 0)
            end = i;
    }
    return t.left(end).toDouble();
}
} // namespace

double stringToNumber(const QString& s, int version) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double fail = version >= 5 ? nan : 0;
    QString t = s.trimmed();
    if (t.isEmpty())
        return fail;
    if (version < 5)
        return leadingNumber(t);
    if (version >= 6 && t.size() > 2 && t[0] == QLatin1Char('0') &&
        (t[1] == QLatin1Char('x') || t[1] == QLatin1Char('X'))) {
        bool ok = false;
        const qlonglong v = t.mid(2).toLongLong(&ok, 16);
        return ok ? static_cast<double>(static_cast<std::int32_t>(v)) : fail;
    }
    if (t == QLatin1String("Infinity") || t == QLatin1String("+Infinity"))
        return fail; // the player does not read these back
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (ok && !std::isinf(d) && !t.contains(QLatin1String("nan"), Qt::CaseInsensitive))
        return d;
    if (ok)
        return d;
    return fail;
}

std::int32_t toInt32(double d) {
    if (!std::isfinite(d))
        return 0;
    const double m = std::fmod(std::trunc(d), 4294967296.0);
    const auto u =
        static_cast<std::uint32_t>(static_cast<std::int64_t>(m < 0 ? m + 4294967296.0 : m));
    return static_cast<std::int32_t>(u);
}

QChar foldNameChar(QChar c) {
    const char16_t u = c.unicode();
    if (u < 128)
        return (u >= 'A' && u <= 'Z') ? QChar(static_cast<char16_t>(u + 32)) : c;
    if (c.unicodeVersion() > QChar::Unicode_3_2)
        return c;
    const QChar lower = c.toLower();
    return lower.unicodeVersion() > QChar::Unicode_3_2 ? c : lower;
}

QString foldName(const QString& name) {
    QString out = name;
    for (QChar& c : out)
        c = foldNameChar(c);
    return out;
}

bool sameNameFolded(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    const QChar* x = a.constData();
    const QChar* y = b.constData();
    for (qsizetype i = 0; i < a.size(); ++i)
        if (x[i] != y[i] && foldNameChar(x[i]) != foldNameChar(y[i]))
            return false;
    return true;
}

} // namespace reelcase::swf::avm1
