#include "swf/script/builtins/builtins.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

QString self(Vm& vm, const Value& v) {
    if (Object* o = objectOf(v); o && typeOf(o->primitive) == TypeString)
        return std::get<QString>(o->primitive);
    return vm.toString(v);
}

// Positions are 32-bit integers (4294967297 is 1); only undefined takes the default, null
// is 0.
int integerArg(Vm& vm, Args args, std::size_t i, int fallback) {
    if (i >= args.size() || typeOf(args[i]) == TypeUndefined)
        return fallback;
    return toInt32(vm.toNumber(args[i]));
}

Value stringCall(Vm& vm, const Value&, Args args) {
    return args.empty() ? QString() : vm.toString(args[0]);
}

Value stringConstruct(Vm& vm, const Value&, Args args) {
    Object* o = vm.heap().make<Object>(vm.protos.string);
    o->primitive = args.empty() ? QString() : vm.toString(args[0]);
    o->put(QStringLiteral("length"), static_cast<double>(std::get<QString>(o->primitive).size()),
           DontEnum | DontDelete | ReadOnly);
    return o;
}

Value toStringMethod(Vm& vm, const Value& v, Args) {
    return self(vm, v);
}

Value charAt(Vm& vm, const Value& v, Args args) {
    const QString s = self(vm, v);
    const int i = integerArg(vm, args, 0, 0);
    return i >= 0 && i < s.size() ? QString(s[i]) : QString();
}

Value charCodeAt(Vm& vm, const Value& v, Args args) {
    const QString s = self(vm, v);
    const int i = integerArg(vm, args, 0, 0);
    if (i >= s.size() && vm.version() < 6)
        return 0.0; // SWF 5 answers 0 past the end
    return i >= 0 && i < s.size() ? static_cast<double>(s[i].unicode())
                                  : std::numeric_limits<double>::quiet_NaN();
}

Value indexOf(Vm& vm, const Value& v, Args args) {
    if (args.empty())
        return Undefined{}; // not even a position to start from
    const QString s = self(vm, v);
    const QString needle = vm.toString(arg(args, 0));
    const int from = std::max(0, integerArg(vm, args, 1, 0));
    if (from > s.size())
        return -1.0;
    return static_cast<double>(s.indexOf(needle, from));
}

Value lastIndexOf(Vm& vm, const Value& v, Args args) {
    if (args.empty())
        return Undefined{};
    const QString s = self(vm, v);
    const QString needle = vm.toString(arg(args, 0));
    int from = integerArg(vm, args, 1, static_cast<int>(s.size()));
    if (from < 0)
        return -1.0;
    return static_cast<double>(
        s.lastIndexOf(needle, std::min<int>(from, static_cast<int>(s.size()))));
}

Value substr(Vm& vm, const Value& v, Args args) {
    if (args.empty())
        return Undefined{};
    const QString s = self(vm, v);
    const int n = static_cast<int>(s.size());
    int from = integerArg(vm, args, 0, 0);
    if (from < 0)
        from = std::max(0, n + from);
    from = std::min(from, n);
    int count = integerArg(vm, args, 1, n - from);
    if (count < 0)
        count = std::max(0, n - from + count);
    count = std::min(count, n - from);
    return s.mid(from, count);
}

Value substring(Vm& vm, const Value& v, Args args) {
    if (args.empty())
        return Undefined{};
    const QString s = self(vm, v);
    const int n = static_cast<int>(s.size());
    int from = std::clamp(integerArg(vm, args, 0, 0), 0, n);
    int to = std::clamp(integerArg(vm, args, 1, n), 0, n);
    if (from > to)
        std::swap(from, to);
    return s.mid(from, to - from);
}

Value slice(Vm& vm, const Value& v, Args args) {
    if (args.empty())
        return Undefined{};
    const QString s = self(vm, v);
    const int n = static_cast<int>(s.size());
    int from = integerArg(vm, args, 0, 0);
    int to = integerArg(vm, args, 1, n);
    if (from < 0)
        from = std::max(0, n + from);
    if (to < 0)
        to = std::max(0, n + to);
    from = std::min(from, n);
    to = std::min(to, n);
    return from < to ? s.mid(from, to - from) : QString();
}

Value split(Vm& vm, const Value& v, Args args) {
    const QString s = self(vm, v);
    std::vector<Value> parts;
    // No separator: the whole string, though SWF 5 cuts at commas.
    if (isVoid(arg(args, 0)) && vm.version() >= 6) {
        parts.push_back(s);
        return vm.newArray(parts);
    }
    const QString separator = isVoid(arg(args, 0)) ? QStringLiteral(",") : vm.toString(args[0]);
    // A limit given is a count (null and negatives give nothing); undefined is none.
    const bool limited = args.size() > 1 && typeOf(args[1]) != TypeUndefined;
    const int limit = limited ? std::max(0, integerArg(vm, args, 1, 0)) : -1;
    if (separator.isEmpty() && vm.version() < 6) {
        parts.push_back(s); // SWF 5 does not cut into characters
    } else if (separator.isEmpty()) {
        for (QChar c : s)
            parts.push_back(QString(c));
    } else if (!s.isEmpty() || vm.version() < 6) {
        for (const QString& p : s.split(separator))
            parts.push_back(p);
    } else {
        parts.push_back(QString());
    }
    if (limit >= 0 && static_cast<int>(parts.size()) > limit)
        parts.resize(static_cast<size_t>(limit));
    return vm.newArray(parts);
}

Value toUpperCase(Vm& vm, const Value& v, Args) {
    return self(vm, v).toUpper();
}

Value toLowerCase(Vm& vm, const Value& v, Args) {
    return self(vm, v).toLower();
}

Value concat(Vm& vm, const Value& v, Args args) {
    QString s = self(vm, v);
    for (const Value& a : args) {
        s += vm.toString(a);
        if (s.size() > maxStringLength)
            vm.abortScript();
    }
    return s;
}

Value fromCharCode(Vm& vm, const Value&, Args args) {
    QString s;
    for (const Value& a : args) {
        const int c = toInt32(vm.toNumber(a)) & 0xFFFF;
        if (!c)
            break; // the player's strings end at a zero
        s += QChar(c);
    }
    return s;
}

} // namespace

void installString(Vm& vm) {
    Object* proto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.string = proto;
    FunctionObject* ctor =
        vm.defineClass(QStringLiteral("String"), stringCall, stringConstruct, proto);
    vm.method(ctor, QStringLiteral("fromCharCode"), fromCharCode);
    vm.method(proto, QStringLiteral("toString"), toStringMethod);
    vm.method(proto, QStringLiteral("valueOf"), toStringMethod);
    vm.method(proto, QStringLiteral("charAt"), charAt);
    vm.method(proto, QStringLiteral("charCodeAt"), charCodeAt);
    vm.method(proto, QStringLiteral("indexOf"), indexOf);
    vm.method(proto, QStringLiteral("lastIndexOf"), lastIndexOf);
    vm.method(proto, QStringLiteral("substr"), substr);
    vm.method(proto, QStringLiteral("substring"), substring);
    vm.method(proto, QStringLiteral("slice"), slice);
    vm.method(proto, QStringLiteral("split"), split);
    vm.method(proto, QStringLiteral("toUpperCase"), toUpperCase);
    vm.method(proto, QStringLiteral("toLowerCase"), toLowerCase);
    vm.method(proto, QStringLiteral("concat"), concat);
}

} // namespace reelcase::swf::avm1::builtins
