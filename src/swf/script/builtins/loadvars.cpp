#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/data_load.h"

namespace reelcase::swf::avm1::builtins {
namespace {

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

Value decode(Vm& vm, const Value& self, Args args) {
    if (args.empty())
        return false;
    if (objectOf(self))
        decodeVariables(vm, self, vm.toString(args[0]));
    return Undefined{};
}

Value toString(Vm& vm, const Value& self, Args) {
    Object* o = objectOf(self);
    return o ? Value(encodeVariables(vm, o)) : Value(QString());
}

// The player's own onData: decode what came, then tell onLoad.
Value onData(Vm& vm, const Value& self, Args args) {
    const Value text = arg(args, 0);
    Value ok(false);
    if (!isVoid(text)) {
        const Value source[] = {text};
        vm.callMethod(self, QStringLiteral("decode"), source);
        vm.setMember(self, QStringLiteral("loaded"), true);
        ok = true;
    }
    vm.callMethod(self, QStringLiteral("onLoad"), std::span<const Value>(&ok, 1));
    return Undefined{};
}

} // namespace

void installLoadVars(Vm& vm) {
    Object* proto = vm.newObject();
    vm.defineClass(QStringLiteral("LoadVars"), nothing, nullptr, proto);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"decode", decode},
        {"toString", toString},
        {"onData", onData},
    };
    for (const auto& [name, fn] : methods)
        vm.method(proto, QLatin1String(name), fn);
    installLoadMethods(vm, proto);
}

} // namespace reelcase::swf::avm1::builtins
