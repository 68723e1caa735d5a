#include "swf/script/builtins/builtins.h"

namespace reelcase::swf::avm1::builtins {
namespace {

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

// A class the player has that this one does not implement yet: a constructor with a
// prototype, so that scripts testing for it find it and scripts using it go on.
void placeholderClass(Vm& vm, Object* on, const QString& name) {
    if (on->find(name))
        return;
    Object* proto = vm.newObject();
    FunctionObject* f = vm.newNative(nothing);
    f->put(QStringLiteral("prototype"), proto, DontEnum | DontDelete);
    proto->put(QStringLiteral("constructor"), f, DontEnum);
    on->put(name, f, DontEnum);
}

Object* package(Vm& vm, Object* on, const QString& name) {
    if (Property* p = on->find(name); p && objectOf(p->value))
        return objectOf(p->value);
    Object* o = vm.newObject();
    on->put(name, o, DontEnum);
    return o;
}

} // namespace

void installPlaceholders(Vm& vm) {
    Object* g = vm.global;
    for (const char* name : {"Date"})
        placeholderClass(vm, g, QLatin1String(name));
    if (vm.version() < 8)
        return;
    Object* flash = package(vm, g, QStringLiteral("flash"));
    const std::pair<const char*, std::vector<const char*>> packages[] = {
        {"display", {"BitmapData"}},
        {"external", {"ExternalInterface"}},
        {"filters",
         {"BevelFilter", "BitmapFilter", "BlurFilter", "ColorMatrixFilter", "ConvolutionFilter",
          "DisplacementMapFilter", "DropShadowFilter", "GlowFilter", "GradientBevelFilter",
          "GradientGlowFilter"}},
        {"geom", {"ColorTransform", "Matrix", "Point", "Rectangle", "Transform"}},
        {"net", {"FileReference", "FileReferenceList"}},
        {"text", {"TextRenderer"}}};
    for (const auto& [name, classes] : packages) {
        Object* p = package(vm, flash, QLatin1String(name));
        for (const char* c : classes)
            placeholderClass(vm, p, QLatin1String(c));
    }
}

} // namespace reelcase::swf::avm1::builtins
