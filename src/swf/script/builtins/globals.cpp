#include "swf/script/builtins/builtins.h"

#include <cmath>
#include <limits>

namespace reelcase::swf::avm1::builtins {
namespace {
const double nan = std::numeric_limits<double>::quiet_NaN();

// A "0x" that opens the text makes it hex (a sign may follow it); otherwise spaces and a
// sign are skipped, and a text of nothing but a sign and octal digits after a 0 is octal.
Value parseIntFn(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return Undefined{};
    const QString text = vm.toString(args[0]);
    int radix = args.size() > 1 ? toInt32(vm.toNumber(args[1])) : 0;
    bool negative = false;
    QStringView s(text);
    auto takeSign = [&] {
        if (s.startsWith(u'-') || s.startsWith(u'+')) {
            negative = s[0] == u'-';
            s = s.mid(1);
            return true;
        }
        return false;
    };
    auto hexPrefix = [](QStringView t) {
        return t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    };
    if (hexPrefix(s)) {
        s = s.mid(2);
        if (radix == 0)
            radix = 16;
        takeSign();
    } else {
        if (radix == 0) {
            QStringView digits = s;
            if (digits.startsWith(u'-') || digits.startsWith(u'+'))
                digits = digits.mid(1);
            bool octal = digits.size() > 1 && digits[0] == u'0';
            for (QChar c : digits)
                octal = octal && c >= u'0' && c <= u'7';
            radix = octal ? 8 : 10;
        }
        while (!s.isEmpty() && s[0].isSpace())
            s = s.mid(1);
        if (takeSign() && hexPrefix(s))
            return nan;
    }
    if (radix < 2 || radix > 36)
        return nan;
    double value = 0;
    int digits = 0;
    for (QChar c : s) {
        const int d = digitValue(c);
        if (d < 0 || d >= radix)
            break;
        value = value * radix + d;
        ++digits;
    }
    if (!digits)
        return nan;
    return negative ? -value : value;
}

// The player's own reading: fraction digits added at falling scales (which shows in the
// last digits), dots after the first skipped but ending the exponent's chance, the
// exponent kept to 32 bits.
Value parseFloatFn(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return Undefined{};
    const QString s = vm.toString(args[0]);
    const qsizetype n = s.size();
    qsizetype i = 0;
    auto digit = [&](qsizetype at) { return at < n && s[at] >= u'0' && s[at] <= u'9'; };
    while (i < n && s[i].isSpace())
        ++i;
    const bool negative = i < n && s[i] == u'-';
    if (i < n && (s[i] == u'-' || s[i] == u'+'))
        ++i;
    double value = 0, scale = 1;
    int digits = 0, dots = 0;
    for (; i < n; ++i) {
        if (s[i] == u'.') {
            ++dots;
            continue;
        }
        if (!digit(i))
            break;
        const int d = s[i].unicode() - u'0';
        if (dots) {
            scale /= 10;
            value += d * scale;
        } else {
            value = value * 10 + d;
        }
        ++digits;
    }
    if (!digits)
        return nan;
    std::int32_t exponent = 0;
    if (dots < 2 && i < n && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        const bool negativeExponent = j < n && s[j] == u'-';
        if (j < n && (s[j] == u'-' || s[j] == u'+'))
            ++j;
        std::uint32_t e = 0;
        for (; digit(j); ++j)
            e = e * 10 + static_cast<std::uint32_t>(s[j].unicode() - u'0');
        exponent = static_cast<std::int32_t>(negativeExponent ? 0u - e : e);
    }
    if (exponent > 0)
        value *= std::pow(10.0, exponent);
    else if (exponent < 0)
        value /= std::pow(10.0, -static_cast<double>(exponent));
    return negative ? -value : value;
}

// A missing argument is NaN here, whatever the version makes of undefined.
Value isNaNFn(Vm& vm, const Value&, Args args) {
    return args.empty() || std::isnan(vm.toNumber(args[0]));
}

Value isFiniteFn(Vm& vm, const Value&, Args args) {
    return !args.empty() && std::isfinite(vm.toNumber(args[0]));
}

Value escapeFn(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return Undefined{};
    const QByteArray utf8 = vm.toString(args[0]).toUtf8();
    QString out;
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0)
            break;
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out += QLatin1Char(static_cast<char>(c));
        else
            out += QStringLiteral("%%1").arg(c, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

// A broken escape is dropped: "%" with what follows it, up to the first character that
// is not a hex digit.
Value unescapeFn(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return Undefined{};
    const QString s = vm.toString(args[0]);
    const qsizetype n = s.size();
    auto hex = [&](qsizetype at) { return at < n ? digitValue(s[at]) : -1; };
    QByteArray bytes;
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] == u'%') {
            const int high = hex(i + 1), low = hex(i + 2);
            if (high >= 0 && high < 16 && low >= 0 && low < 16)
                bytes.append(static_cast<char>(high * 16 + low));
            i += high < 0 || high >= 16 ? 1 : 2;
            continue;
        }
        bytes.append(s[i] == u'+' ? QByteArray(" ") : QString(s[i]).toUtf8());
    }
    return QString::fromUtf8(bytes);
}

Value startTimer(Vm& vm, Args args, bool repeat) {
    if (args.empty())
        return Undefined{};
    Object* first = objectOf(args[0]);
    if (first && first->kind() == Kind::Function) {
        if (args.size() < 2)
            return Undefined{}; // no period, no timer
        const double ms = vm.toNumber(arg(args, 1));
        return static_cast<double>(vm.addTimer(
            Undefined{}, args[0], QString(),
            std::vector<Value>(args.begin() + std::min<std::size_t>(2, args.size()), args.end()),
            std::isfinite(ms) ? static_cast<qint64>(ms) : 0, repeat));
    }
    if (first && args.size() >= 3) {
        const double ms = vm.toNumber(args[2]);
        return static_cast<double>(vm.addTimer(args[0], Undefined{}, vm.toString(args[1]),
                                               std::vector<Value>(args.begin() + 3, args.end()),
                                               std::isfinite(ms) ? static_cast<qint64>(ms) : 0,
                                               repeat));
    }
    return Undefined{};
}

Value setIntervalFn(Vm& vm, const Value&, Args args) {
    return startTimer(vm, args, true);
}

Value setTimeoutFn(Vm& vm, const Value&, Args args) {
    return startTimer(vm, args, false);
}

Value clearTimerFn(Vm& vm, const Value&, Args args) {
    vm.clearTimer(toInt32(vm.toNumber(arg(args, 0))));
    return Undefined{};
}

Value intFn(Vm& vm, const Value&, Args args) {
    return static_cast<double>(toInt32(vm.toNumber(arg(args, 0))));
}

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

} // namespace

void installGlobals(Vm& vm) {
    Object* g = vm.global;
    vm.method(g, QStringLiteral("parseInt"), parseIntFn);
    vm.method(g, QStringLiteral("parseFloat"), parseFloatFn);
    vm.method(g, QStringLiteral("isNaN"), isNaNFn);
    vm.method(g, QStringLiteral("isFinite"), isFiniteFn);
    vm.method(g, QStringLiteral("escape"), escapeFn);
    vm.method(g, QStringLiteral("unescape"), unescapeFn);
    vm.method(g, QStringLiteral("setInterval"), setIntervalFn);
    vm.method(g, QStringLiteral("setTimeout"), setTimeoutFn);
    vm.method(g, QStringLiteral("clearInterval"), clearTimerFn);
    vm.method(g, QStringLiteral("clearTimeout"), clearTimerFn);
    vm.method(g, QStringLiteral("updateAfterEvent"), nothing);
    vm.method(g, QStringLiteral("int"), intFn);
    g->put(QStringLiteral("NaN"), nan, DontEnum);
    g->put(QStringLiteral("Infinity"), std::numeric_limits<double>::infinity(), DontEnum);
}

} // namespace reelcase::swf::avm1::builtins
