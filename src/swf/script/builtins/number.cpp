#include "swf/script/builtins/builtins.h"

#include <cmath>
#include <limits>

namespace reelcase::swf::avm1::builtins {
namespace {

double numberOf(Vm& vm, const Value& v) {
    if (Object* o = objectOf(v); o && typeOf(o->primitive) == TypeNumber)
        return std::get<double>(o->primitive);
    return vm.toNumber(v);
}

Value numberCall(Vm& vm, const Value&, Args args) {
    return args.empty() ? 0.0 : vm.toNumber(args[0]);
}

Value numberConstruct(Vm& vm, const Value&, Args args) {
    Object* o = vm.heap().make<Object>(vm.protos.number);
    o->primitive = args.empty() ? 0.0 : vm.toNumber(args[0]);
    return o;
}

Value numberToStringMethod(Vm& vm, const Value& self, Args args) {
    const double d = numberOf(vm, self);
    const int radix = args.empty() || isVoid(args[0]) ? 10 : toInt32(vm.toNumber(args[0]));
    return numberToRadix(d, radix);
}

Value numberValueOf(Vm& vm, const Value& self, Args) {
    return numberOf(vm, self);
}

bool booleanOf(Vm& vm, const Value& v) {
    if (Object* o = objectOf(v); o && typeOf(o->primitive) == TypeBool)
        return std::get<bool>(o->primitive);
    return vm.toBoolean(v);
}

Value booleanCall(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return Undefined{}; // Boolean() as a function, with nothing to convert
    return vm.toBoolean(args[0]);
}

Value booleanConstruct(Vm& vm, const Value&, Args args) {
    Object* o = vm.heap().make<Object>(vm.protos.boolean);
    o->primitive = args.empty() ? false : vm.toBoolean(args[0]);
    return o;
}

Value booleanToString(Vm& vm, const Value& self, Args) {
    return booleanOf(vm, self) ? QStringLiteral("true") : QStringLiteral("false");
}

Value booleanValueOf(Vm& vm, const Value& self, Args) {
    return booleanOf(vm, self);
}

} // namespace

void installNumberAndBoolean(Vm& vm) {
    Object* proto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.number = proto;
    proto->primitive = 0.0;
    FunctionObject* ctor =
        vm.defineClass(QStringLiteral("Number"), numberCall, numberConstruct, proto);
    vm.method(proto, QStringLiteral("toString"), numberToStringMethod);
    vm.method(proto, QStringLiteral("valueOf"), numberValueOf);
    const std::uint8_t fixed = DontEnum | DontDelete | ReadOnly;
    ctor->put(QStringLiteral("MAX_VALUE"), std::numeric_limits<double>::max(), fixed);
    ctor->put(QStringLiteral("MIN_VALUE"), std::numeric_limits<double>::denorm_min(), fixed);
    ctor->put(QStringLiteral("NaN"), std::numeric_limits<double>::quiet_NaN(), fixed);
    ctor->put(QStringLiteral("NEGATIVE_INFINITY"), -std::numeric_limits<double>::infinity(), fixed);
    ctor->put(QStringLiteral("POSITIVE_INFINITY"), std::numeric_limits<double>::infinity(), fixed);

    Object* bproto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.boolean = bproto;
    bproto->primitive = false;
    vm.defineClass(QStringLiteral("Boolean"), booleanCall, booleanConstruct, bproto);
    vm.method(bproto, QStringLiteral("toString"), booleanToString);
    vm.method(bproto, QStringLiteral("valueOf"), booleanValueOf);
}

} // namespace reelcase::swf::avm1::builtins
