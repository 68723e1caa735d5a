#include "swf/script/builtins/builtins.h"
#include "swf/script/vm.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins {

namespace {

// Where the player's numbered natives live: a table, the first index, and the names in
// index order on their holder (an empty name leaves its number unused).
enum class Holder { Global, ObjectProto, DateProto, DateClass, Math, StringProto, StringClass };
struct NativeRange {
    int table;
    int first;
    Holder holder;
    const char* names;
};
constexpr NativeRange nativeRanges[] = {
    {100, 0, Holder::Global, "escape,unescape,parseInt,parseFloat,trace,updateAfterEvent"},
    {101, 0, Holder::ObjectProto,
     "watch,unwatch,addProperty,valueOf,toString,hasOwnProperty,isPrototypeOf,"
     "isPropertyEnumerable"},
    {103, 0, Holder::DateProto,
     "getFullYear,getYear,getMonth,getDate,getDay,getHours,getMinutes,getSeconds,"
     "getMilliseconds,setFullYear,setMonth,setDate,setHours,setMinutes,setSeconds,"
     "setMilliseconds,getTime,setTime,getTimezoneOffset,toString,setYear"},
    {103, 128, Holder::DateProto,
     "getUTCFullYear,getUTCYear,getUTCMonth,getUTCDate,getUTCDay,getUTCHours,getUTCMinutes,"
     "getUTCSeconds,getUTCMilliseconds,setUTCFullYear,setUTCMonth,setUTCDate,setUTCHours,"
     "setUTCMinutes,setUTCSeconds,setUTCMilliseconds"},
    {103, 257, Holder::DateClass, "UTC"},
    {200, 0, Holder::Math,
     "abs,min,max,sin,cos,atan2,tan,exp,log,sqrt,round,random,floor,ceil,atan,asin,acos,pow"},
    {200, 18, Holder::Global, "isNaN,isFinite"},
    {251, 1, Holder::StringProto,
     "valueOf,toString,toUpperCase,toLowerCase,charAt,charCodeAt,concat,indexOf,lastIndexOf,"
     "slice,substring,split,substr"},
    {251, 14, Holder::StringClass, "fromCharCode"},
};

Object* objectNamed(Object* on, const char* name) {
    const Property* p = on ? on->find(QLatin1String(name)) : nullptr;
    return p ? objectOf(p->value) : nullptr;
}

Object* holderObject(Vm& vm, Holder h) {
    switch (h) {
    case Holder::Global:
        return vm.global;
    case Holder::ObjectProto:
        return vm.protos.object;
    case Holder::DateProto:
        return vm.protos.date;
    case Holder::DateClass:
        return objectNamed(vm.global, "Date");
    case Holder::Math:
        return objectNamed(vm.global, "Math");
    case Holder::StringProto:
        return vm.protos.string;
    case Holder::StringClass:
        return objectNamed(vm.global, "String");
    }
    return nullptr;
}

Value traceNative(Vm& vm, const Value&, Args args) {
    const Value v = arg(args, 0);
    vm.trace(typeOf(v) == TypeUndefined ? QStringLiteral("undefined") : vm.toString(v));
    return Undefined{};
}

// A Math number the player has no function for still reads two numbers.
Value mathNothing(Vm& vm, const Value&, Args args) {
    for (std::size_t i = 0; i < std::min<std::size_t>(args.size(), 2); ++i)
        vm.toNumber(args[i]);
    return std::nan("");
}

// Numbers are read as int32 (so 2^32 + 4 is 4, NaN is 0); no native has a number past
// 16 bits.
Value nativeFunction(Vm& vm, double tableNumber, double indexNumber) {
    const int table = toInt32(tableNumber), index = toInt32(indexNumber);
    if (table == 100 && index == 4)
        return vm.newNative(traceNative);
    for (const NativeRange& r : nativeRanges) {
        if (r.table != table || index < r.first)
            continue;
        const QStringList names = QString::fromLatin1(r.names).split(QLatin1Char(','));
        if (index - r.first >= names.size())
            continue;
        const QString& name = names[index - r.first];
        Object* on = holderObject(vm, r.holder);
        const Property* p = on && !name.isEmpty() ? on->find(name) : nullptr;
        return p ? p->value : Value(Undefined{});
    }
    if (table == 200)
        return vm.newNative(mathNothing);
    return Undefined{};
}

// ASnative(table, index).
Value asNative(Vm& vm, const Value&, Args args) {
    if (args.size() != 2)
        return Undefined{};
    const Value table = arg(args, 0), index = arg(args, 1);
    return nativeFunction(vm, vm.toNumber(table), vm.toNumber(index));
}

// ASSetNative and ASSetNativeAccessor(object, table, "name,name,...", first): each name
// (an empty one too) takes the next numbers, step apart.
template <typename Put> Value setNatives(Vm& vm, Args args, int step, Put put) {
    Object* o = objectOf(arg(args, 0));
    if (!o)
        return Undefined{};
    const double table = vm.toNumber(arg(args, 1));
    const QStringList names = vm.toString(arg(args, 2)).split(QLatin1Char(','));
    double index = std::trunc(vm.toNumber(arg(args, 3)));
    for (const QString& name : names) {
        if (!name.isEmpty())
            put(o, name, table, index);
        index += step;
    }
    return Undefined{};
}

Value asSetNative(Vm& vm, const Value&, Args args) {
    return setNatives(vm, args, 1, [&vm](Object* o, const QString& name, double t, double i) {
        o->put(name, nativeFunction(vm, t, i));
    });
}

// Each name gets a getter and the setter numbered after it.
Value asSetNativeAccessor(Vm& vm, const Value&, Args args) {
    return setNatives(vm, args, 2, [&vm](Object* o, const QString& name, double t, double i) {
        Property& p = o->put(name, Undefined{});
        p.getter = objectOf(nativeFunction(vm, t, i));
        p.setter = p.getter ? objectOf(nativeFunction(vm, t, i + 1)) : nullptr;
    });
}

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

// ASconstructor(table, index): Date's own class by its number; any other number gives a
// class of its own that makes plain objects.
Value asConstructor(Vm& vm, const Value&, Args args) {
    if (args.size() != 2)
        return Undefined{};
    const double table = vm.toNumber(args[0]), index = vm.toNumber(args[1]);
    if (table == 103 && index == 256)
        if (const Property* date = vm.global->find(QStringLiteral("Date")))
            return date->value;
    if (!std::isfinite(table) || !std::isfinite(index))
        return Undefined{};
    return vm.defineClass(QString(), nothing, nullptr, vm.newObject());
}

} // namespace

void installNativeIds(Vm& vm) {
    vm.method(vm.global, QStringLiteral("ASnative"), asNative);
    vm.method(vm.global, QStringLiteral("ASSetNative"), asSetNative);
    vm.method(vm.global, QStringLiteral("ASSetNativeAccessor"), asSetNativeAccessor);
    vm.method(vm.global, QStringLiteral("ASconstructor"), asConstructor);
}

} // namespace reelcase::swf::avm1::builtins
