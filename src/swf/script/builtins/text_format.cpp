#include "swf/script/builtins/builtins.h"

namespace reelcase::swf::avm1::builtins {
namespace {

// The constructor's arguments, in order; every other field starts null too.
const char* const fields[] = {
    "font",   "size",     "color",      "bold",          "italic", "underline", "url",
    "target", "align",    "leftMargin", "rightMargin",   "indent", "leading",   "blockIndent",
    "bullet", "tabStops", "kerning",    "letterSpacing", "display"};

Value textFormatCall(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    std::size_t i = 0;
    for (const char* name : fields) {
        const Value v = i < args.size() && !isVoid(args[i]) ? args[i] : Value(Null{});
        vm.setMember(self, QLatin1String(name), v);
        ++i;
    }
    return Undefined{};
}

} // namespace

void installTextFormat(Vm& vm) {
    Object* proto = vm.newObject();
    vm.defineClass(QStringLiteral("TextFormat"), textFormatCall, nullptr, proto);
}

} // namespace reelcase::swf::avm1::builtins
