#include "swf/script/builtins/builtins.h"

namespace reelcase::swf::avm1::builtins {
namespace {

Value functionCall(Vm& vm, const Value& self, Args args) {
    Value thisValue = arg(args, 0);
    if (isVoid(thisValue))
        thisValue = Undefined{};
    return vm.call(self, thisValue, args.size() > 1 ? args.subspan(1) : Args{});
}

Value functionApply(Vm& vm, const Value& self, Args args) {
    std::vector<Value> list;
    if (Object* a = objectOf(arg(args, 1)))
        list = arrayElements(vm, a);
    return vm.call(self, arg(args, 0), list);
}

Value functionCtor(Vm& vm, const Value&, Args) {
    return vm.newObject();
}

} // namespace

void installFunction(Vm& vm) {
    Object* proto = vm.protos.function;
    vm.defineClass(QStringLiteral("Function"), functionCtor, nullptr, proto);
    vm.method(proto, QStringLiteral("call"), functionCall);
    vm.method(proto, QStringLiteral("apply"), functionApply);
}

} // namespace reelcase::swf::avm1::builtins
