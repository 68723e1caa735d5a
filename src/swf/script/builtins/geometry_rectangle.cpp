#include "swf/script/builtins/geometry.h"

#include <cmath>
#include <functional>

namespace reelcase::swf::avm1::builtins::geometry {
namespace {

struct Box {
    double x, y, w, h;
    double right() const { return x + w; }
    double bottom() const { return y + h; }
    bool hasNaN() const { return std::isnan(x) || std::isnan(y) || std::isnan(w) || std::isnan(h); }
};

Box boxOf(Vm& vm, const Value& r) {
    return {num(vm, r, "x"), num(vm, r, "y"), num(vm, r, "width"), num(vm, r, "height")};
}

// Math.min and Math.max: NaN wins.
double minOf(double a, double b) {
    return std::isnan(a) || std::isnan(b) ? NAN : std::min(a, b);
}
double maxOf(double a, double b) {
    return std::isnan(a) || std::isnan(b) ? NAN : std::max(a, b);
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

Value rectangleClone(Vm& vm, const Value& self, Args) {
    return newRectangle(vm, get(vm, self, "x"), get(vm, self, "y"), get(vm, self, "width"),
                        get(vm, self, "height"));
}

Value rectangleEquals(Vm& vm, const Value& self, Args args) {
    const Value other = arg(args, 0);
    if (!isInstance(vm, other, "Rectangle"))
        return false;
    for (const char* name : {"x", "y", "width", "height"})
        if (!vm.looseEquals(get(vm, self, name), get(vm, other, name)))
            return false;
    return true;
}

Value rectangleIsEmpty(Vm& vm, const Value& self, Args) {
    return !(num(vm, self, "width") > 0) || !(num(vm, self, "height") > 0);
}

Value rectangleSetEmpty(Vm& vm, const Value& self, Args) {
    if (Object* o = objectOf(self))
        for (const char* name : {"x", "y", "width", "height"})
            set(vm, o, name, 0.0);
    return Undefined{};
}

// The tests run as the player's script does: comparisons as Less2 makes them (strings
// by their text, NaN gives undefined), joined by && so the first that is not true is
// the answer.
Value lessOrEqual(Vm& vm, const Value& a, const Value& b, bool orEqual) {
    const Value r = orEqual ? vm.lessThan(b, a) : vm.lessThan(a, b);
    if (isVoid(r))
        return r;
    return orEqual ? Value(!vm.toBoolean(r)) : r;
}

Value allOf(Vm& vm, std::initializer_list<std::function<Value()>> tests) {
    Value last = true;
    for (const auto& test : tests) {
        last = test();
        if (!vm.toBoolean(last))
            break;
    }
    return last;
}

Value containsAt(Vm& vm, const Value& self, const Value& x, const Value& y) {
    const Value left = get(vm, self, "x"), top = get(vm, self, "y");
    return allOf(
        vm, {[&] { return lessOrEqual(vm, left, x, true); },
             [&] { return lessOrEqual(vm, x, add(vm, left, get(vm, self, "width")), false); },
             [&] { return lessOrEqual(vm, top, y, true); },
             [&] { return lessOrEqual(vm, y, add(vm, top, get(vm, self, "height")), false); }});
}

Value rectangleContains(Vm& vm, const Value& self, Args args) {
    return containsAt(vm, self, arg(args, 0), arg(args, 1));
}

Value rectangleContainsPoint(Vm& vm, const Value& self, Args args) {
    const Value p = arg(args, 0);
    return containsAt(vm, self, get(vm, p, "x"), get(vm, p, "y"));
}

Value rectangleContainsRectangle(Vm& vm, const Value& self, Args args) {
    const Value other = arg(args, 0);
    const Value x = get(vm, self, "x"), y = get(vm, self, "y");
    const Value ox = get(vm, other, "x"), oy = get(vm, other, "y");
    return allOf(vm, {[&] { return lessOrEqual(vm, x, ox, true); },
                      [&] { return lessOrEqual(vm, y, oy, true); },
                      [&] {
                          return lessOrEqual(vm, add(vm, ox, get(vm, other, "width")),
                                             add(vm, x, get(vm, self, "width")), true);
                      },
                      [&] {
                          return lessOrEqual(vm, add(vm, oy, get(vm, other, "height")),
                                             add(vm, y, get(vm, self, "height")), true);
                      }});
}

// Offsets and sizes grow with the Add2 rules, so strings join as the player's do.
void moveBy(Vm& vm, const Value& self, double dx, double dy, bool grow) {
    Object* o = objectOf(self);
    if (!o)
        return;
    if (grow) {
        set(vm, o, "x", num(vm, self, "x") - dx);
        set(vm, o, "width", add(vm, get(vm, self, "width"), 2 * dx));
        set(vm, o, "y", num(vm, self, "y") - dy);
        set(vm, o, "height", add(vm, get(vm, self, "height"), 2 * dy));
    } else {
        set(vm, o, "x", add(vm, get(vm, self, "x"), dx));
        set(vm, o, "y", add(vm, get(vm, self, "y"), dy));
    }
}

Value rectangleInflate(Vm& vm, const Value& self, Args args) {
    moveBy(vm, self, vm.toNumber(arg(args, 0)), vm.toNumber(arg(args, 1)), true);
    return Undefined{};
}

Value rectangleInflatePoint(Vm& vm, const Value& self, Args args) {
    const Value p = arg(args, 0);
    moveBy(vm, self, num(vm, p, "x"), num(vm, p, "y"), true);
    return Undefined{};
}

Value rectangleOffset(Vm& vm, const Value& self, Args args) {
    moveBy(vm, self, vm.toNumber(arg(args, 0)), vm.toNumber(arg(args, 1)), false);
    return Undefined{};
}

Value rectangleOffsetPoint(Vm& vm, const Value& self, Args args) {
    const Value p = arg(args, 0);
    moveBy(vm, self, num(vm, p, "x"), num(vm, p, "y"), false);
    return Undefined{};
}

Box overlap(const Box& a, const Box& b) {
    const double left = maxOf(a.x, b.x), top = maxOf(a.y, b.y);
    const double right = minOf(a.right(), b.right()), bottom = minOf(a.bottom(), b.bottom());
    if (!(right > left && bottom > top))
        return {0, 0, 0, 0};
    return {left, top, right - left, bottom - top};
}

Value rectangleIntersection(Vm& vm, const Value& self, Args args) {
    const Box r = overlap(boxOf(vm, self), boxOf(vm, arg(args, 0)));
    return newRectangle(vm, r.x, r.y, r.w, r.h);
}

Value rectangleIntersects(Vm& vm, const Value& self, Args args) {
    const Box r = overlap(boxOf(vm, self), boxOf(vm, arg(args, 0)));
    return r.w > 0 && r.h > 0;
}

Value rectangleUnion(Vm& vm, const Value& self, Args args) {
    const Box a = boxOf(vm, self), b = boxOf(vm, arg(args, 0));
    const double left = minOf(a.x, b.x), top = minOf(a.y, b.y);
    const double right = maxOf(a.right(), b.right()), bottom = maxOf(a.bottom(), b.bottom());
    return newRectangle(vm, left, top, right - left, bottom - top);
}

// The derived properties (left, right, top, bottom, size ...).
Value rectLeft(Vm& vm, const Value& self, Args) {
    return get(vm, self, "x");
}
Value rectTop(Vm& vm, const Value& self, Args) {
    return get(vm, self, "y");
}
Value rectRight(Vm& vm, const Value& self, Args) {
    return add(vm, get(vm, self, "x"), get(vm, self, "width"));
}
Value rectBottom(Vm& vm, const Value& self, Args) {
    return add(vm, get(vm, self, "y"), get(vm, self, "height"));
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

// Moving one edge keeps the opposite one where it is.
void setNearEdge(Vm& vm, const Value& self, const Value& v, const char* at, const char* extent) {
    if (Object* o = objectOf(self)) {
        const double moved = num(vm, self, at) - vm.toNumber(v);
        set(vm, o, extent, add(vm, get(vm, self, extent), moved));
        set(vm, o, at, v);
    }
}
void setFarEdge(Vm& vm, const Value& self, const Value& v, const char* at, const char* extent) {
    if (Object* o = objectOf(self))
        set(vm, o, extent, vm.toNumber(v) - num(vm, self, at));
}

Value setLeft(Vm& vm, const Value& self, Args args) {
    setNearEdge(vm, self, arg(args, 0), "x", "width");
    return Undefined{};
}
Value setTop(Vm& vm, const Value& self, Args args) {
    setNearEdge(vm, self, arg(args, 0), "y", "height");
    return Undefined{};
}
Value setRight(Vm& vm, const Value& self, Args args) {
    setFarEdge(vm, self, arg(args, 0), "x", "width");
    return Undefined{};
}
Value setBottom(Vm& vm, const Value& self, Args args) {
    setFarEdge(vm, self, arg(args, 0), "y", "height");
    return Undefined{};
}
Value setTopLeft(Vm& vm, const Value& self, Args args) {
    const Value p = arg(args, 0);
    setNearEdge(vm, self, get(vm, p, "x"), "x", "width");
    setNearEdge(vm, self, get(vm, p, "y"), "y", "height");
    return Undefined{};
}
Value setBottomRight(Vm& vm, const Value& self, Args args) {
    const Value p = arg(args, 0);
    setFarEdge(vm, self, get(vm, p, "x"), "x", "width");
    setFarEdge(vm, self, get(vm, p, "y"), "y", "height");
    return Undefined{};
}
Value setSize(Vm& vm, const Value& self, Args args) {
    if (Object* o = objectOf(self)) {
        set(vm, o, "width", get(vm, arg(args, 0), "x"));
        set(vm, o, "height", get(vm, arg(args, 0), "y"));
    }
    return Undefined{};
}

} // namespace

void installRectangle(Vm& vm, Object* geom) {
    Object* rect = defineGeomClass(vm, geom, "Rectangle", rectangleCall);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"toString", rectangleToString},
        {"clone", rectangleClone},
        {"equals", rectangleEquals},
        {"isEmpty", rectangleIsEmpty},
        {"setEmpty", rectangleSetEmpty},
        {"contains", rectangleContains},
        {"containsPoint", rectangleContainsPoint},
        {"containsRectangle", rectangleContainsRectangle},
        {"inflate", rectangleInflate},
        {"inflatePoint", rectangleInflatePoint},
        {"offset", rectangleOffset},
        {"offsetPoint", rectangleOffsetPoint},
        {"intersection", rectangleIntersection},
        {"intersects", rectangleIntersects},
        {"union", rectangleUnion}};
    for (const auto& [name, fn] : methods)
        member(vm, rect, name, fn);
    accessor(vm, rect, "left", rectLeft, setLeft);
    accessor(vm, rect, "top", rectTop, setTop);
    accessor(vm, rect, "right", rectRight, setRight);
    accessor(vm, rect, "bottom", rectBottom, setBottom);
    accessor(vm, rect, "topLeft", rectTopLeft, setTopLeft);
    accessor(vm, rect, "bottomRight", rectBottomRight, setBottomRight);
    accessor(vm, rect, "size", rectSize, setSize);
}

} // namespace reelcase::swf::avm1::builtins::geometry
