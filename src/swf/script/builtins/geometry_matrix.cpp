#include "swf/script/builtins/geometry.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins::geometry {
namespace {

const char* const fieldNames[] = {"a", "b", "c", "d", "tx", "ty"};

struct Affine {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};

Affine affineOf(Vm& vm, const Value& m) {
    return {num(vm, m, "a"), num(vm, m, "b"),  num(vm, m, "c"),
            num(vm, m, "d"), num(vm, m, "tx"), num(vm, m, "ty")};
}

void store(Vm& vm, const Value& self, const Affine& m) {
    Object* o = objectOf(self);
    if (!o)
        return;
    const double values[] = {m.a, m.b, m.c, m.d, m.tx, m.ty};
    for (int i = 0; i < 6; ++i)
        set(vm, o, fieldNames[i], values[i]);
}

// first, then second (points go through first).
Affine product(const Affine& first, const Affine& second) {
    return {first.a * second.a + first.b * second.c,
            first.a * second.b + first.b * second.d,
            first.c * second.a + first.d * second.c,
            first.c * second.b + first.d * second.d,
            first.tx * second.a + first.ty * second.c + second.tx,
            first.tx * second.b + first.ty * second.d + second.ty};
}

Value matrixCall(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    if (args.empty()) {
        store(vm, self, Affine{});
        return Undefined{};
    }
    for (std::size_t i = 0; i < 6; ++i)
        set(vm, o, fieldNames[i], arg(args, i));
    return Undefined{};
}

Value matrixToString(Vm& vm, const Value& self, Args) {
    QString s = QStringLiteral("(");
    for (int i = 0; i < 6; ++i) {
        if (i)
            s += QStringLiteral(", ");
        s += QLatin1String(fieldNames[i]) + QLatin1Char('=') +
             vm.toString(get(vm, self, fieldNames[i]));
    }
    return vm.makeString(s + QLatin1Char(')'));
}

Value matrixClone(Vm& vm, const Value& self, Args) {
    Object* m = vm.heap().make<Object>(classProto(vm, "Matrix"));
    for (const char* name : fieldNames)
        set(vm, m, name, get(vm, self, name));
    return m;
}

Value matrixIdentity(Vm& vm, const Value& self, Args) {
    store(vm, self, Affine{});
    return Undefined{};
}

Value matrixConcat(Vm& vm, const Value& self, Args args) {
    store(vm, self, product(affineOf(vm, self), affineOf(vm, arg(args, 0))));
    return Undefined{};
}

Value matrixInvert(Vm& vm, const Value& self, Args) {
    const Affine m = affineOf(vm, self);
    const double det = m.a * m.d - m.b * m.c;
    if (det == 0) {
        store(vm, self, Affine{});
        return Undefined{};
    }
    Affine r;
    r.a = m.d / det;
    r.b = -m.b / det;
    r.c = -m.c / det;
    r.d = m.a / det;
    r.tx = -(r.a * m.tx + r.c * m.ty);
    r.ty = -(r.b * m.tx + r.d * m.ty);
    store(vm, self, r);
    return Undefined{};
}

// Rotating, scaling and the boxes go through the object's own methods, as the player's
// do: on an object that only looks like a matrix they change nothing.
void concatWith(Vm& vm, const Value& self, const Affine& m) {
    Object* other = vm.heap().make<Object>(classProto(vm, "Matrix"));
    store(vm, other, m);
    const Value args[] = {other};
    vm.callMethod(self, QStringLiteral("concat"), args);
}

Value matrixRotate(Vm& vm, const Value& self, Args args) {
    const double angle = vm.toNumber(arg(args, 0));
    const double cosine = std::cos(angle), sine = std::sin(angle);
    concatWith(vm, self, {cosine, sine, -sine, cosine, 0, 0});
    return Undefined{};
}

Value matrixScale(Vm& vm, const Value& self, Args args) {
    concatWith(vm, self, {vm.toNumber(arg(args, 0)), 0, 0, vm.toNumber(arg(args, 1)), 0, 0});
    return Undefined{};
}

Value matrixTranslate(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self)) {
        set(vm, o, "tx", num(vm, self, "tx") + vm.toNumber(arg(args, 0)));
        set(vm, o, "ty", num(vm, self, "ty") + vm.toNumber(arg(args, 1)));
    }
    return Undefined{};
}

// Missing offsets are 0; given ones are kept as they are.
Value matrixCreateBox(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    vm.callMethod(self, QStringLiteral("identity"), {});
    const Value angle[] = {arg(args, 2)};
    vm.callMethod(self, QStringLiteral("rotate"), angle);
    const Value scales[] = {arg(args, 0), arg(args, 1)};
    vm.callMethod(self, QStringLiteral("scale"), scales);
    set(vm, o, "tx", args.size() > 3 ? args[3] : Value(0.0));
    set(vm, o, "ty", args.size() > 4 ? args[4] : Value(0.0));
    return Undefined{};
}

// A gradient's square is 1638.4 pixels wide, centred on its origin.
Value matrixCreateGradientBox(Vm& vm, const Value& self, Args args) {
    const double width = vm.toNumber(arg(args, 0)), height = vm.toNumber(arg(args, 1));
    const Value tx = args.size() > 3 ? args[3] : Value(0.0);
    const Value ty = args.size() > 4 ? args[4] : Value(0.0);
    const Value box[] = {width / 1638.4, height / 1638.4, args.size() > 2 ? args[2] : Value(0.0),
                         add(vm, tx, width / 2), add(vm, ty, height / 2)};
    vm.callMethod(self, QStringLiteral("createBox"), box);
    return Undefined{};
}

Value transformed(Vm& vm, const Value& self, Args args, bool withOffset) {
    const Affine m = affineOf(vm, self);
    const Value p = arg(args, 0);
    const double x = num(vm, p, "x"), y = num(vm, p, "y");
    double outX = m.a * x + m.c * y, outY = m.b * x + m.d * y;
    if (withOffset) {
        outX += m.tx;
        outY += m.ty;
    }
    return newPoint(vm, outX, outY);
}

Value matrixTransformPoint(Vm& vm, const Value& self, Args args) {
    return transformed(vm, self, args, true);
}

Value matrixDeltaTransformPoint(Vm& vm, const Value& self, Args args) {
    return transformed(vm, self, args, false);
}

} // namespace

void installMatrix(Vm& vm, Object* geom) {
    Object* proto = defineGeomClass(vm, geom, "Matrix", matrixCall);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"toString", matrixToString},
        {"clone", matrixClone},
        {"identity", matrixIdentity},
        {"concat", matrixConcat},
        {"invert", matrixInvert},
        {"rotate", matrixRotate},
        {"scale", matrixScale},
        {"translate", matrixTranslate},
        {"createBox", matrixCreateBox},
        {"createGradientBox", matrixCreateGradientBox},
        {"transformPoint", matrixTransformPoint},
        {"deltaTransformPoint", matrixDeltaTransformPoint}};
    for (const auto& [name, fn] : methods)
        member(vm, proto, name, fn);
}

} // namespace reelcase::swf::avm1::builtins::geometry
