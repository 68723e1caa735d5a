#include "swf/script/builtins/builtins.h"

namespace reelcase::swf::avm1::builtins {
namespace {

// Sound objects keep their settings; playing them is the sound layer's part.
Value soundCall(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self))
        o->put(QStringLiteral("target"), arg(args, 0), DontEnum);
    (void)vm;
    return Undefined{};
}

Value getVolume(Vm& vm, const Value& self, Args) {
    const Value v = vm.getMember(self, QStringLiteral("__volume"));
    return isVoid(v) ? Value(100.0) : v;
}

Value setVolume(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self))
        o->put(QStringLiteral("__volume"), vm.toNumber(arg(args, 0)), DontEnum);
    return Undefined{};
}

Value getPan(Vm& vm, const Value& self, Args) {
    const Value v = vm.getMember(self, QStringLiteral("__pan"));
    return isVoid(v) ? Value(0.0) : v;
}

Value setPan(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self))
        o->put(QStringLiteral("__pan"), vm.toNumber(arg(args, 0)), DontEnum);
    return Undefined{};
}

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

} // namespace

void installSound(Vm& vm) {
    Object* proto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.sound = proto;
    vm.defineClass(QStringLiteral("Sound"), soundCall, nullptr, proto);
    vm.method(proto, QStringLiteral("getVolume"), getVolume);
    vm.method(proto, QStringLiteral("setVolume"), setVolume);
    vm.method(proto, QStringLiteral("getPan"), getPan);
    vm.method(proto, QStringLiteral("setPan"), setPan);
    for (const char* name : {"attachSound", "start", "stop", "loadSound", "setTransform"})
        vm.method(proto, QLatin1String(name), nothing);
}

} // namespace reelcase::swf::avm1::builtins
