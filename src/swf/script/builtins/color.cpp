#include "swf/script/builtins/builtins.h"

#include "swf/display/timeline_instance.h"
#include "swf/script/clip_object.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

// The colour transform of the clip a Color object targets, or null.
ColorTransform* transformOf(Vm& vm, const Value& self) {
    const Value target = vm.getMember(self, QStringLiteral("target"));
    auto* handle = dynamic_cast<DisplayHandle*>(objectOf(target));
    if (!handle) {
        // A path names the clip.
        const QString path = vm.toString(target);
        if (!vm.root())
            return nullptr;
        Object* at = vm.clipObject(*vm.root());
        for (const QString& part : path.split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
            if (part == QLatin1String("_root") || part == QLatin1String("_level0"))
                continue;
            at = objectOf(vm.getMember(Value(at), part));
            if (!at)
                return nullptr;
        }
        handle = dynamic_cast<DisplayHandle*>(at);
    }
    DisplayObject* e = handle ? handle->entry() : nullptr;
    return e ? &e->placement.cxform : nullptr;
}

Value colorCall(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self))
        o->put(QStringLiteral("target"), arg(args, 0), DontEnum | DontDelete | ReadOnly);
    (void)vm;
    return Undefined{};
}

Value setRGB(Vm& vm, const Value& self, Args args) {
    ColorTransform* cx = transformOf(vm, self);
    if (!cx || args.empty())
        return Undefined{};
    const std::uint32_t rgb = toUint32(vm.toNumber(args[0]));
    cx->rMult = cx->gMult = cx->bMult = 0;
    cx->rAdd = (rgb >> 16) & 0xFF;
    cx->gAdd = (rgb >> 8) & 0xFF;
    cx->bAdd = rgb & 0xFF;
    return Undefined{};
}

Value getRGB(Vm& vm, const Value& self, Args) {
    ColorTransform* cx = transformOf(vm, self);
    if (!cx)
        return Undefined{};
    const int r = static_cast<int>(cx->rAdd), g = static_cast<int>(cx->gAdd),
              b = static_cast<int>(cx->bAdd);
    return static_cast<double>((r << 16) | (g << 8) | b);
}

Value getTransform(Vm& vm, const Value& self, Args) {
    ColorTransform* cx = transformOf(vm, self);
    if (!cx)
        return Undefined{};
    Object* o = vm.newObject();
    const std::pair<const char*, double> fields[] = {
        {"ra", cx->rMult * 100}, {"rb", cx->rAdd}, {"ga", cx->gMult * 100}, {"gb", cx->gAdd},
        {"ba", cx->bMult * 100}, {"bb", cx->bAdd}, {"aa", cx->aMult * 100}, {"ab", cx->aAdd}};
    for (const auto& [name, value] : fields)
        o->put(QLatin1String(name), value);
    return o;
}

Value setTransform(Vm& vm, const Value& self, Args args) {
    ColorTransform* cx = transformOf(vm, self);
    Object* t = objectOf(arg(args, 0));
    if (!cx || !t)
        return Undefined{};
    const std::pair<const char*, double ColorTransform::*> fields[] = {
        {"ra", &ColorTransform::rMult}, {"rb", &ColorTransform::rAdd},
        {"ga", &ColorTransform::gMult}, {"gb", &ColorTransform::gAdd},
        {"ba", &ColorTransform::bMult}, {"bb", &ColorTransform::bAdd},
        {"aa", &ColorTransform::aMult}, {"ab", &ColorTransform::aAdd}};
    for (const auto& [name, member] : fields) {
        if (!t->find(QLatin1String(name))) // inherited fields do not count
            continue;
        const double v = vm.toNumber(vm.getMember(Value(t), QLatin1String(name)));
        // The player keeps 8.8 fixed-point multipliers and whole offsets in 16 bits.
        const bool multiplier = name[1] == 'a';
        const auto bits = static_cast<std::int16_t>(toInt32(multiplier ? v * 256 / 100 : v));
        cx->*member = multiplier ? bits / 256.0 : bits;
    }
    return Undefined{};
}

} // namespace

void installColor(Vm& vm) {
    Object* proto = vm.newObject();
    vm.defineClass(QStringLiteral("Color"), colorCall, nullptr, proto);
    vm.method(proto, QStringLiteral("setRGB"), setRGB);
    vm.method(proto, QStringLiteral("getRGB"), getRGB);
    vm.method(proto, QStringLiteral("getTransform"), getTransform);
    vm.method(proto, QStringLiteral("setTransform"), setTransform);
}

} // namespace reelcase::swf::avm1::builtins
