#include "swf/script/builtins/builtins.h"

namespace reelcase::swf::avm1::builtins {
namespace {

Value errorCall(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    if (!args.empty() && !isVoid(args[0]))
        o->put(QStringLiteral("message"), args[0]);
    return Undefined{};
}

Value errorToString(Vm& vm, const Value& self, Args) {
    return vm.toString(vm.getMember(self, QStringLiteral("message")));
}

} // namespace

void installError(Vm& vm) {
    Object* proto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.error = proto;
    vm.defineClass(QStringLiteral("Error"), errorCall, nullptr, proto);
    proto->put(QStringLiteral("message"), QStringLiteral("Error"), DontEnum);
    proto->put(QStringLiteral("name"), QStringLiteral("Error"), DontEnum);
    vm.method(proto, QStringLiteral("toString"), errorToString);
}

} // namespace reelcase::swf::avm1::builtins
