#include "swf/script/builtins/geometry.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace geometry {

namespace {

// valueOf's answer; an object that stays an object adds as NaN.
Value addend(Vm& vm, const Value& v) {
    if (!objectOf(v))
        return v;
    const Value r = vm.callMethod(v, QStringLiteral("valueOf"), {});
    return objectOf(r) ? Value(std::nan("")) : r;
}

} // namespace

Value add(Vm& vm, const Value& a, const Value& b) {
    const Value x = addend(vm, a), y = addend(vm, b);
    if (typeOf(x) == TypeString || typeOf(y) == TypeString)
        return vm.makeString(vm.toString(x) + vm.toString(y));
    return vm.toNumber(x) + vm.toNumber(y);
}

Object* classConstructor(Vm& vm, const char* name) {
    Object* geom = objectOf(vm.getMember(vm.getMember(Value(vm.global), "flash"), "geom"));
    return geom ? objectOf(vm.getMember(Value(geom), QLatin1String(name))) : nullptr;
}

Object* classProto(Vm& vm, const char* name) {
    Object* ctor = classConstructor(vm, name);
    return ctor ? objectOf(vm.getMember(Value(ctor), "prototype")) : nullptr;
}

bool isInstance(Vm& vm, const Value& v, const char* name) {
    Object* ctor = classConstructor(vm, name);
    return ctor && objectOf(v) && vm.instanceOf(v, ctor);
}

Object* newPoint(Vm& vm, const Value& x, const Value& y) {
    Object* p = vm.heap().make<Object>(classProto(vm, "Point"));
    set(vm, p, "x", x);
    set(vm, p, "y", y);
    return p;
}

Object* newRectangle(Vm& vm, const Value& x, const Value& y, const Value& w, const Value& h) {
    Object* r = vm.heap().make<Object>(classProto(vm, "Rectangle"));
    set(vm, r, "x", x);
    set(vm, r, "y", y);
    set(vm, r, "width", w);
    set(vm, r, "height", h);
    return r;
}

Object* defineGeomClass(Vm& vm, Object* geom, const char* name, NativeFunction call,
                        NativeFunction construct) {
    Object* proto = vm.newObject();
    FunctionObject* ctor = vm.newNative(call, construct);
    ctor->put(QStringLiteral("prototype"), proto, DontEnum | DontDelete);
    proto->put(QStringLiteral("constructor"), ctor, DontEnum);
    geom->put(QLatin1String(name), ctor);
    return proto;
}

void member(Vm& vm, Object* proto, const char* name, NativeFunction fn) {
    proto->put(QLatin1String(name), vm.newNative(fn));
}

void accessor(Vm& vm, Object* proto, const char* name, NativeFunction getter, NativeFunction setter,
              std::uint16_t flags) {
    Property& p = proto->put(QLatin1String(name), Undefined{}, flags);
    p.getter = vm.newNative(getter);
    if (setter)
        p.setter = vm.newNative(setter);
}

namespace {

Value pointCall(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    set(vm, o, "x", args.empty() ? Value(0.0) : args[0]);
    set(vm, o, "y", args.empty() ? Value(0.0) : arg(args, 1));
    return Undefined{};
}

Value pointToString(Vm& vm, const Value& self, Args) {
    return QStringLiteral("(x=%1, y=%2)")
        .arg(vm.toString(get(vm, self, "x")), vm.toString(get(vm, self, "y")));
}

Value pointAdd(Vm& vm, const Value& self, Args args) {
    const Value other = arg(args, 0);
    return newPoint(vm, add(vm, get(vm, self, "x"), get(vm, other, "x")),
                    add(vm, get(vm, self, "y"), get(vm, other, "y")));
}

Value pointSubtract(Vm& vm, const Value& self, Args args) {
    const Value other = arg(args, 0);
    return newPoint(vm, num(vm, self, "x") - num(vm, other, "x"),
                    num(vm, self, "y") - num(vm, other, "y"));
}

Value pointClone(Vm& vm, const Value& self, Args) {
    return newPoint(vm, get(vm, self, "x"), get(vm, self, "y"));
}

Value pointEquals(Vm& vm, const Value& self, Args args) {
    const Value other = arg(args, 0);
    if (!isInstance(vm, other, "Point"))
        return false;
    return vm.looseEquals(get(vm, self, "x"), get(vm, other, "x")) &&
           vm.looseEquals(get(vm, self, "y"), get(vm, other, "y"));
}

// Not hypot: Flash's length of (Infinity, NaN) is NaN.
double lengthOf(double x, double y) {
    return std::sqrt(x * x + y * y);
}

Value pointLength(Vm& vm, const Value& self, Args) {
    return lengthOf(num(vm, self, "x"), num(vm, self, "y"));
}

Value pointNormalize(Vm& vm, const Value& self, Args args) {
    const double x = num(vm, self, "x"), y = num(vm, self, "y");
    const double length = lengthOf(x, y);
    const double wanted = vm.toNumber(arg(args, 0));
    if (Object* o = objectOf(self); o && length > 0) {
        set(vm, o, "x", x * (wanted / length));
        set(vm, o, "y", y * (wanted / length));
    }
    return Undefined{};
}

Value pointOffset(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self)) {
        set(vm, o, "x", add(vm, get(vm, self, "x"), arg(args, 0)));
        set(vm, o, "y", add(vm, get(vm, self, "y"), arg(args, 1)));
    }
    return Undefined{};
}

// Flash asks the first point for the difference, so a plain object gives undefined.
Value pointDistance(Vm& vm, const Value&, Args args) {
    const Value a = arg(args, 0);
    if (!objectOf(a))
        return Undefined{};
    const Value b[] = {arg(args, 1)};
    const Value difference = vm.callMethod(a, QStringLiteral("subtract"), b);
    return get(vm, difference, "length");
}

Value pointInterpolate(Vm& vm, const Value&, Args args) {
    const Value a = arg(args, 0), b = arg(args, 1);
    const double f = vm.toNumber(arg(args, 2));
    return newPoint(vm, add(vm, get(vm, b, "x"), (num(vm, a, "x") - num(vm, b, "x")) * f),
                    add(vm, get(vm, b, "y"), (num(vm, a, "y") - num(vm, b, "y")) * f));
}

Value pointPolar(Vm& vm, const Value&, Args args) {
    const double length = vm.toNumber(arg(args, 0)), angle = vm.toNumber(arg(args, 1));
    return newPoint(vm, length * std::cos(angle), length * std::sin(angle));
}

} // namespace

void installPoint(Vm& vm, Object* geom) {
    Object* point = defineGeomClass(vm, geom, "Point", pointCall);
    Object* ctor = classConstructor(vm, "Point");
    member(vm, point, "toString", pointToString);
    member(vm, point, "add", pointAdd);
    member(vm, point, "subtract", pointSubtract);
    member(vm, point, "clone", pointClone);
    member(vm, point, "equals", pointEquals);
    member(vm, point, "normalize", pointNormalize);
    member(vm, point, "offset", pointOffset);
    accessor(vm, point, "length", pointLength);
    vm.method(ctor, QStringLiteral("distance"), pointDistance);
    vm.method(ctor, QStringLiteral("interpolate"), pointInterpolate);
    vm.method(ctor, QStringLiteral("polar"), pointPolar);
}

} // namespace geometry

void installGeometry(Vm& vm) {
    Object* flash = objectOf(vm.getMember(Value(vm.global), QStringLiteral("flash")));
    if (!flash) {
        flash = vm.newObject();
        vm.global->put(QStringLiteral("flash"), flash, DontEnum);
    }
    Object* geom = vm.newObject();
    flash->put(QStringLiteral("geom"), geom);
    geometry::installPoint(vm, geom);
    geometry::installRectangle(vm, geom);
    geometry::installMatrix(vm, geom);
    geometry::installColorTransform(vm, geom);
    geometry::installTransform(vm, geom);
}

} // namespace reelcase::swf::avm1::builtins
