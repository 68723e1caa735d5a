#include "swf/script/builtins/builtins.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

Value get(Vm& vm, const Value& o, const char* name) {
    return vm.getMember(o, QLatin1String(name));
}

void set(Vm& vm, Object* o, const char* name, const Value& v) {
    vm.setMember(Value(o), QLatin1String(name), v);
}

double num(Vm& vm, const Value& o, const char* name) {
    return vm.toNumber(get(vm, o, name));
}

Object* classProto(Vm& vm, const char* name) {
    Object* geom = objectOf(vm.getMember(vm.getMember(Value(vm.global), "flash"), "geom"));
    return geom
               ? objectOf(vm.getMember(vm.getMember(Value(geom), QLatin1String(name)), "prototype"))
               : nullptr;
}

Object* newPoint(Vm& vm, const Value& x, const Value& y) {
    Object* p = vm.heap().make<Object>(classProto(vm, "Point"));
    set(vm, p, "x", x);
    set(vm, p, "y", y);
    return p;
}

Value pointCall(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    if (args.empty()) {
        set(vm, o, "x", 0.0);
        set(vm, o, "y", 0.0);
    } else {
        set(vm, o, "x", args[0]);
        set(vm, o, "y", arg(args, 1));
    }
    return Undefined{};
}

Value pointToString(Vm& vm, const Value& self, Args) {
    return QStringLiteral("(x=%1, y=%2)")
        .arg(vm.toString(get(vm, self, "x")), vm.toString(get(vm, self, "y")));
}

Value pointAdd(Vm& vm, const Value& self, Args args) {
    const Value other = arg(args, 0);
    return newPoint(vm, vm.toNumber(get(vm, self, "x")) + vm.toNumber(get(vm, other, "x")),
                    vm.toNumber(get(vm, self, "y")) + vm.toNumber(get(vm, other, "y")));
}

Value pointSubtract(Vm& vm, const Value& self, Args args) {
    const Value other = arg(args, 0);
    return newPoint(vm, vm.toNumber(get(vm, self, "x")) - vm.toNumber(get(vm, other, "x")),
                    vm.toNumber(get(vm, self, "y")) - vm.toNumber(get(vm, other, "y")));
}

Value pointClone(Vm& vm, const Value& self, Args) {
    return newPoint(vm, get(vm, self, "x"), get(vm, self, "y"));
}

Value pointEquals(Vm& vm, const Value& self, Args args) {
    Object* other = objectOf(arg(args, 0));
    if (!other)
        return false;
    return vm.looseEquals(get(vm, self, "x"), get(vm, Value(other), "x")) &&
           vm.looseEquals(get(vm, self, "y"), get(vm, Value(other), "y"));
}

Value pointLengthGetter(Vm& vm, const Value& self, Args) {
    return std::hypot(num(vm, self, "x"), num(vm, self, "y"));
}

Value pointNormalize(Vm& vm, const Value& self, Args args) {
    const double x = num(vm, self, "x"), y = num(vm, self, "y");
    const double length = std::hypot(x, y);
    const double wanted = vm.toNumber(arg(args, 0));
    if (Object* o = objectOf(self); o && length > 0) {
        set(vm, o, "x", x * wanted / length);
        set(vm, o, "y", y * wanted / length);
    }
    return Undefined{};
}

Value pointOffset(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self)) {
        set(vm, o, "x", num(vm, self, "x") + vm.toNumber(arg(args, 0)));
        set(vm, o, "y", num(vm, self, "y") + vm.toNumber(arg(args, 1)));
    }
    return Undefined{};
}

Value pointDistance(Vm& vm, const Value&, Args args) {
    const Value a = arg(args, 0), b = arg(args, 1);
    if (!objectOf(a) || !objectOf(b))
        return Undefined{};
    return std::hypot(num(vm, a, "x") - num(vm, b, "x"), num(vm, a, "y") - num(vm, b, "y"));
}

Value pointInterpolate(Vm& vm, const Value&, Args args) {
    const Value a = arg(args, 0), b = arg(args, 1);
    const double f = vm.toNumber(arg(args, 2));
    return newPoint(vm, num(vm, b, "x") + f * (num(vm, a, "x") - num(vm, b, "x")),
                    num(vm, b, "y") + f * (num(vm, a, "y") - num(vm, b, "y")));
}

Value pointPolar(Vm& vm, const Value&, Args args) {
    const double length = vm.toNumber(arg(args, 0)), angle = vm.toNumber(arg(args, 1));
    return newPoint(vm, length * std::cos(angle), length * std::sin(angle));
}

Value rectangleCall(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    const char* names[] = {"x", "y", "width", "height"};
    for (std::size_t i = 0; i < 4; ++i)
        set(vm, o, names[i], args.empty() ? Value(0.0) : arg(args, i));
    return Undefined{};
}

Value rectangleToString(Vm& vm, const Value& self, Args) {
    return QStringLiteral("(x=%1, y=%2, w=%3, h=%4)")
        .arg(vm.toString(get(vm, self, "x")), vm.toString(get(vm, self, "y")),
             vm.toString(get(vm, self, "width")), vm.toString(get(vm, self, "height")));
}

Value rectangleIsEmpty(Vm& vm, const Value& self, Args) {
    return !(num(vm, self, "width") > 0) || !(num(vm, self, "height") > 0);
}

Value rectangleContains(Vm& vm, const Value& self, Args args) {
    const double x = vm.toNumber(arg(args, 0)), y = vm.toNumber(arg(args, 1));
    const double left = num(vm, self, "x"), top = num(vm, self, "y");
    return x >= left && y >= top && x < left + num(vm, self, "width") &&
           y < top + num(vm, self, "height");
}

// Rectangle's derived properties (left, right, top, bottom, size ...).
Value rectLeft(Vm& vm, const Value& self, Args) {
    return get(vm, self, "x");
}
Value rectTop(Vm& vm, const Value& self, Args) {
    return get(vm, self, "y");
}
Value rectRight(Vm& vm, const Value& self, Args) {
    return vm.toNumber(get(vm, self, "x")) + vm.toNumber(get(vm, self, "width"));
}
Value rectBottom(Vm& vm, const Value& self, Args) {
    return vm.toNumber(get(vm, self, "y")) + vm.toNumber(get(vm, self, "height"));
}
Value rectTopLeft(Vm& vm, const Value& self, Args) {
    return newPoint(vm, get(vm, self, "x"), get(vm, self, "y"));
}
Value rectSize(Vm& vm, const Value& self, Args) {
    return newPoint(vm, get(vm, self, "width"), get(vm, self, "height"));
}
Value rectBottomRight(Vm& vm, const Value& self, Args) {
    return newPoint(vm, rectRight(vm, self, {}), rectBottom(vm, self, {}));
}

Value setLeft(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self)) {
        const double right = vm.toNumber(rectRight(vm, self, {}));
        set(vm, o, "x", arg(args, 0));
        set(vm, o, "width", right - vm.toNumber(arg(args, 0)));
    }
    return Undefined{};
}
Value setTop(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self)) {
        const double bottom = vm.toNumber(rectBottom(vm, self, {}));
        set(vm, o, "y", arg(args, 0));
        set(vm, o, "height", bottom - vm.toNumber(arg(args, 0)));
    }
    return Undefined{};
}
Value setRight(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self))
        set(vm, o, "width", vm.toNumber(arg(args, 0)) - num(vm, self, "x"));
    return Undefined{};
}
Value setBottom(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self))
        set(vm, o, "height", vm.toNumber(arg(args, 0)) - num(vm, self, "y"));
    return Undefined{};
}
Value setTopLeft(Vm& vm, const Value& self, Args args) {
    const Value p = arg(args, 0);
    const Value x[] = {get(vm, p, "x")}, y[] = {get(vm, p, "y")};
    setLeft(vm, self, x);
    setTop(vm, self, y);
    return Undefined{};
}
Value setBottomRight(Vm& vm, const Value& self, Args args) {
    const Value p = arg(args, 0);
    const Value x[] = {get(vm, p, "x")}, y[] = {get(vm, p, "y")};
    setRight(vm, self, x);
    setBottom(vm, self, y);
    return Undefined{};
}
Value setSize(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self)) {
        set(vm, o, "width", get(vm, arg(args, 0), "x"));
        set(vm, o, "height", get(vm, arg(args, 0), "y"));
    }
    return Undefined{};
}

void accessor(Vm& vm, Object* proto, const char* name, NativeFunction getter,
              NativeFunction setter = nullptr) {
    Property& p = proto->put(QLatin1String(name), Undefined{}, DontEnum);
    p.getter = vm.newNative(getter);
    if (setter)
        p.setter = vm.newNative(setter);
}

} // namespace

void installGeometry(Vm& vm) {
    Object* flash = vm.newObject();
    Object* geom = vm.newObject();
    vm.global->put(QStringLiteral("flash"), flash, DontEnum);
    flash->put(QStringLiteral("geom"), geom);

    Object* point = vm.newObject();
    FunctionObject* pointCtor = vm.newNative(pointCall);
    pointCtor->put(QStringLiteral("prototype"), point, DontEnum | DontDelete);
    point->put(QStringLiteral("constructor"), pointCtor, DontEnum);
    geom->put(QStringLiteral("Point"), pointCtor);
    vm.method(point, QStringLiteral("toString"), pointToString);
    vm.method(point, QStringLiteral("add"), pointAdd);
    vm.method(point, QStringLiteral("subtract"), pointSubtract);
    vm.method(point, QStringLiteral("clone"), pointClone);
    vm.method(point, QStringLiteral("equals"), pointEquals);
    vm.method(point, QStringLiteral("normalize"), pointNormalize);
    vm.method(point, QStringLiteral("offset"), pointOffset);
    accessor(vm, point, "length", pointLengthGetter);
    vm.method(pointCtor, QStringLiteral("distance"), pointDistance);
    vm.method(pointCtor, QStringLiteral("interpolate"), pointInterpolate);
    vm.method(pointCtor, QStringLiteral("polar"), pointPolar);

    Object* rect = vm.newObject();
    FunctionObject* rectCtor = vm.newNative(rectangleCall);
    rectCtor->put(QStringLiteral("prototype"), rect, DontEnum | DontDelete);
    rect->put(QStringLiteral("constructor"), rectCtor, DontEnum);
    geom->put(QStringLiteral("Rectangle"), rectCtor);
    vm.method(rect, QStringLiteral("toString"), rectangleToString);
    vm.method(rect, QStringLiteral("isEmpty"), rectangleIsEmpty);
    vm.method(rect, QStringLiteral("contains"), rectangleContains);
    accessor(vm, rect, "left", rectLeft, setLeft);
    accessor(vm, rect, "top", rectTop, setTop);
    accessor(vm, rect, "right", rectRight, setRight);
    accessor(vm, rect, "bottom", rectBottom, setBottom);
    accessor(vm, rect, "topLeft", rectTopLeft, setTopLeft);
    accessor(vm, rect, "bottomRight", rectBottomRight, setBottomRight);
    accessor(vm, rect, "size", rectSize, setSize);
}

} // namespace reelcase::swf::avm1::builtins
