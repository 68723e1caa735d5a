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
    if (!std::isfinite(d)) {
        // The player's integer of NaN or an infinity is the lowest one, which it negates
        // to itself: the remainders stay negative and their digits fall below '0'.
        std::int32_t n = std::numeric_limits<std::int32_t>::min();
        QString out;
        do {
            out.prepend(QChar(static_cast<char16_t>('0' + n % radix)));
            n /= radix;
        } while (n);
        return QLatin1Char('-') + out;
    }
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
bool isSpace(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || (u >= '\t' && u <= '\r');
}

// Digits in the given radix from the start of s, the value kept to 32 bits as the player
// does; false when s is empty or holds anything else.
bool readWrapped(QStringView s, int radix, std::uint32_t& out) {
    if (s.isEmpty())
        return false;
    out = 0;
    for (QChar c : s) {
        const int d = digitValue(c);
        if (d < 0 || d >= radix)
            return false;
        out = out * static_cast<std::uint32_t>(radix) + static_cast<std::uint32_t>(d);
    }
    return true;
}

// The length of the decimal number at the start of s ([sign] digits [. digits]
// [e [sign] digits]), or 0.
qsizetype decimalLength(QStringView s) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto digit = [&](qsizetype at) { return at < n && s[at] >= u'0' && s[at] <= u'9'; };
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    int mantissa = 0;
    for (; digit(i); ++i)
        ++mantissa;
    if (i < n && s[i] == u'.')
        for (++i; digit(i); ++i)
            ++mantissa;
    if (!mantissa)
        return 0;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (s[j] == u'+' || s[j] == u'-'))
            ++j;
        if (digit(j)) {
            while (digit(j))
                ++j;
            i = j;
        }
    }
    return i;
}

} // namespace

int digitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'z')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'Z')
        return u - 'A' + 10;
    return -1;
}

double stringToNumber(const QString& s, int version) {
    const double fail = version >= 5 ? std::numeric_limits<double>::quiet_NaN() : 0;
    const QStringView all(s);
    if (version < 5) { // the number the string starts with ("100ABC" is 100), else 0
        qsizetype start = 0;
        while (start < all.size() && isSpace(all[start]))
            ++start;
        const QStringView rest = all.mid(start);
        const qsizetype length = decimalLength(rest);
        return length ? rest.left(length).toDouble() : 0;
    }
    // Hex ("0x-10" too) and octal are read from the very first character, to 32 bits.
    if (version >= 6 && all.size() > 2 && all[0] == u'0' && (all[1] == u'x' || all[1] == u'X')) {
        QStringView digits = all.mid(2);
        const bool negative = digits.startsWith(u'-');
        if (negative || digits.startsWith(u'+'))
            digits = digits.mid(1);
        std::uint32_t u = 0;
        if (!readWrapped(digits, 16, u))
            return fail;
        const double v = static_cast<std::int32_t>(u);
        return negative ? -v : v;
    }
    if (version >= 6) {
        QStringView digits = all;
        const bool negative = digits.startsWith(u'-');
        if (negative || digits.startsWith(u'+'))
            digits = digits.mid(1);
        std::uint32_t u = 0;
        if (digits.size() > 1 && digits[0] == u'0' && readWrapped(digits, 8, u)) {
            const double v = static_cast<std::int32_t>(u);
            return negative ? -v : v;
        }
    }
    // Decimal after leading white space; anything after the number fails.
    qsizetype start = 0;
    while (start < all.size() && isSpace(all[start]))
        ++start;
    const QStringView rest = all.mid(start);
    if (rest.isEmpty() || decimalLength(rest) != rest.size())
        return fail;
    return rest.toDouble();
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
