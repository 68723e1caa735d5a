#include "swf/script/builtins/builtins.h"

#include <cmath>
#include <limits>

namespace reelcase::swf::avm1::builtins {
namespace {
const double nan = std::numeric_limits<double>::quiet_NaN();

Value parseIntFn(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return Undefined{};
    QString s = vm.toString(args[0]).trimmed();
    int radix = args.size() > 1 ? toInt32(vm.toNumber(args[1])) : 0;
    bool negative = false;
    if (s.startsWith(QLatin1Char('-')) || s.startsWith(QLatin1Char('+'))) {
        negative = s[0] == QLatin1Char('-');
        s = s.mid(1);
    }
    if ((radix == 0 || radix == 16) &&
        (s.startsWith(QLatin1String("0x")) || s.startsWith(QLatin1String("0X")))) {
        s = s.mid(2);
        radix = 16;
    } else if (radix == 0 && s.startsWith(QLatin1Char('0')) && s.size() > 1) {
        // A leading zero reads as octal when every digit is one.
        bool octal = true;
        for (QChar c : s)
            if (c < QLatin1Char('0') || c > QLatin1Char('7'))
                octal = false;
        radix = octal ? 8 : 10;
    }
    if (radix == 0)
        radix = 10;
    if (radix < 2 || radix > 36)
        return nan;
    double value = 0;
    int digits = 0;
    for (QChar c : s) {
        int d = -1;
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9')
            d = u - '0';
        else if (u >= 'a' && u <= 'z')
            d = u - 'a' + 10;
        else if (u >= 'A' && u <= 'Z')
            d = u - 'A' + 10;
        if (d < 0 || d >= radix)
            break;
        value = value * radix + d;
        ++digits;
    }
    if (!digits)
        return nan;
    return negative ? -value : value;
}

Value parseFloatFn(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return Undefined{};
    const QString s = vm.toString(args[0]).trimmed();
    // The longest prefix that reads as a decimal number.
    int i = 0;
    const int n = static_cast<int>(s.size());
    if (i < n && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        ++i;
    int mantissa = 0;
    while (i < n && s[i].isDigit()) {
        ++i;
        ++mantissa;
    }
    if (i < n && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && s[i].isDigit()) {
            ++i;
            ++mantissa;
        }
    }
    if (!mantissa)
        return nan;
    if (i < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        int j = i + 1;
        if (j < n && (s[j] == QLatin1Char('-') || s[j] == QLatin1Char('+')))
            ++j;
        int expDigits = 0;
        while (j < n && s[j].isDigit()) {
            ++j;
            ++expDigits;
        }
        if (expDigits)
            i = j;
    }
    return s.left(i).toDouble();
}

Value isNaNFn(Vm& vm, const Value&, Args args) {
    return std::isnan(vm.toNumber(arg(args, 0)));
}

Value isFiniteFn(Vm& vm, const Value&, Args args) {
    return std::isfinite(vm.toNumber(arg(args, 0)));
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

Value unescapeFn(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return Undefined{};
    const QString s = vm.toString(args[0]);
    QByteArray bytes;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('%') && i + 2 < s.size() + 0 + 1 && i + 2 <= s.size() - 1 + 1) {
            bool ok = false;
            const int v = s.mid(i + 1, 2).toInt(&ok, 16);
            if (ok && s.mid(i + 1, 2).size() == 2) {
                bytes.append(static_cast<char>(v));
                i += 2;
                continue;
            }
        }
        bytes.append(s[i] == QLatin1Char('+') ? QByteArray(" ") : QString(s[i]).toUtf8());
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
