#include "swf/script/builtins/geometry.h"

#include "swf/display/hit_test.h"
#include "swf/display/timeline_instance.h"
#include "swf/script/clip_object.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins::geometry {
namespace {

class ColorTransformObject : public Object {
public:
    using Object::Object;
    ColorTransform cx;
};

// Holds the clip it describes; every read and write goes to the clip's placement.
class TransformObject : public Object {
public:
    using Object::Object;
    void markChildren(Heap& heap) override {
        Object::markChildren(heap);
        heap.mark(clip);
    }
    Object* clip = nullptr;
};

using Field = double ColorTransform::*;

ColorTransformObject* colorObject(const Value& v) {
    return dynamic_cast<ColorTransformObject*>(objectOf(v));
}

Value newColorTransform(Vm& vm, const ColorTransform& cx) {
    auto* o = vm.heap().make<ColorTransformObject>(classProto(vm, "ColorTransform"));
    o->cx = cx;
    return o;
}

Value colorTransformConstruct(Vm& vm, const Value&, Args args) {
    ColorTransform cx;
    // Fewer than all eight leaves the identity.
    if (args.size() >= 8) {
        const Field order[] = {&ColorTransform::rMult, &ColorTransform::gMult,
                               &ColorTransform::bMult, &ColorTransform::aMult,
                               &ColorTransform::rAdd,  &ColorTransform::gAdd,
                               &ColorTransform::bAdd,  &ColorTransform::aAdd};
        for (std::size_t i = 0; i < 8; ++i)
            cx.*order[i] = vm.toNumber(args[i]);
    }
    return newColorTransform(vm, cx);
}

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

template <Field F> Value getField(Vm&, const Value& self, Args) {
    ColorTransformObject* o = colorObject(self);
    return o ? Value(o->cx.*F) : Value(Undefined{});
}

template <Field F> Value setField(Vm& vm, const Value& self, Args args) {
    if (ColorTransformObject* o = colorObject(self))
        o->cx.*F = vm.toNumber(arg(args, 0));
    return Undefined{};
}

std::int32_t offsetBits(double v) {
    return toInt32(v);
}

Value getRgb(Vm&, const Value& self, Args) {
    ColorTransformObject* o = colorObject(self);
    if (!o)
        return Undefined{};
    const std::uint32_t rgb = (static_cast<std::uint32_t>(offsetBits(o->cx.rAdd)) << 16) |
                              (static_cast<std::uint32_t>(offsetBits(o->cx.gAdd)) << 8) |
                              static_cast<std::uint32_t>(offsetBits(o->cx.bAdd));
    return static_cast<double>(static_cast<std::int32_t>(rgb));
}

Value setRgb(Vm& vm, const Value& self, Args args) {
    ColorTransformObject* o = colorObject(self);
    if (!o)
        return Undefined{};
    const std::uint32_t rgb = toUint32(vm.toNumber(arg(args, 0)));
    o->cx.rMult = o->cx.gMult = o->cx.bMult = 0;
    o->cx.rAdd = (rgb >> 16) & 0xFF;
    o->cx.gAdd = (rgb >> 8) & 0xFF;
    o->cx.bAdd = rgb & 0xFF;
    return Undefined{};
}

QString formatted(Vm& vm, const ColorTransform& cx) {
    const std::pair<const char*, double> shown[] = {
        {"redMultiplier", cx.rMult},   {"greenMultiplier", cx.gMult}, {"blueMultiplier", cx.bMult},
        {"alphaMultiplier", cx.aMult}, {"redOffset", cx.rAdd},        {"greenOffset", cx.gAdd},
        {"blueOffset", cx.bAdd},       {"alphaOffset", cx.aAdd}};
    QString s = QStringLiteral("(");
    for (const auto& [name, value] : shown) {
        if (s.size() > 1)
            s += QStringLiteral(", ");
        s += QLatin1String(name) + QLatin1Char('=') + vm.toString(value);
    }
    return s + QLatin1Char(')');
}

Value colorTransformToString(Vm& vm, const Value& self, Args) {
    ColorTransformObject* o = colorObject(self);
    return o ? Value(formatted(vm, o->cx)) : Value(Undefined{});
}

// The argument's transform applies first, then this one.
Value colorTransformConcat(Vm&, const Value& self, Args args) {
    ColorTransformObject* o = colorObject(self);
    ColorTransformObject* inner = colorObject(arg(args, 0));
    if (o && inner)
        o->cx = o->cx * inner->cx;
    return Undefined{};
}

// Transform

DisplayHandle* handleOf(const Value& self) {
    auto* t = dynamic_cast<TransformObject*>(objectOf(self));
    return t ? dynamic_cast<DisplayHandle*>(t->clip) : nullptr;
}

DisplayObject* entryOf(const Value& self) {
    DisplayHandle* h = handleOf(self);
    return h ? h->entry() : nullptr;
}

Value transformConstruct(Vm& vm, const Value&, Args args) {
    auto* t = vm.heap().make<TransformObject>(classProto(vm, "Transform"));
    t->clip = dynamic_cast<DisplayHandle*>(objectOf(arg(args, 0)));
    return t;
}

Value newMatrix(Vm& vm, const QTransform& m) {
    Object* o = vm.heap().make<Object>(classProto(vm, "Matrix"));
    const std::pair<const char*, double> values[] = {{"a", m.m11()},      {"b", m.m12()},
                                                     {"c", m.m21()},      {"d", m.m22()},
                                                     {"tx", m.dx() / 20}, {"ty", m.dy() / 20}};
    for (const auto& [name, v] : values)
        set(vm, o, name, v);
    return o;
}

Value transformMatrix(Vm& vm, const Value& self, Args) {
    DisplayObject* e = entryOf(self);
    return e ? newMatrix(vm, e->placement.matrix) : Value(Undefined{});
}

Value transformSetMatrix(Vm& vm, const Value& self, Args args) {
    DisplayObject* e = entryOf(self);
    const Value m = arg(args, 0);
    if (!e || !objectOf(m))
        return Undefined{};
    QTransform t;
    if (matrixOf(vm, m, t))
        e->placement.matrix = t;
    return Undefined{};
}

Value transformConcatenatedMatrix(Vm& vm, const Value& self, Args) {
    DisplayHandle* h = handleOf(self);
    auto* clip = dynamic_cast<ClipObject*>(h);
    if (auto timeline = clip ? clip->timeline() : nullptr)
        return newMatrix(vm, stageTransform(*timeline));
    DisplayObject* e = h ? h->entry() : nullptr;
    return e ? newMatrix(vm, e->placement.matrix) : Value(Undefined{});
}

Value transformColorTransform(Vm& vm, const Value& self, Args) {
    DisplayObject* e = entryOf(self);
    return e ? newColorTransform(vm, e->placement.cxform) : Value(Undefined{});
}

Value transformSetColorTransform(Vm&, const Value& self, Args args) {
    DisplayObject* e = entryOf(self);
    ColorTransformObject* c = colorObject(arg(args, 0));
    if (e && c)
        e->placement.cxform = c->cx;
    return Undefined{};
}

Value transformConcatenatedColorTransform(Vm& vm, const Value& self, Args) {
    DisplayHandle* h = handleOf(self);
    DisplayObject* e = h ? h->entry() : nullptr;
    if (!e)
        return Undefined{};
    ColorTransform cx = e->placement.cxform;
    if (auto* clip = dynamic_cast<ClipObject*>(h); clip && clip->timeline()) {
        int steps = 0;
        for (TimelineInstance* at = clip->timeline()->parent(); at && at->parent() && steps < 1000;
             at = at->parent(), ++steps)
            if (Placement* p = at->placement())
                cx = p->cxform * cx;
    }
    return newColorTransform(vm, cx);
}

Value transformPixelBounds(Vm& vm, const Value&, Args) {
    return newRectangle(vm, 0.0, 0.0, 0.0, 0.0);
}

Value movieClipTransform(Vm& vm, const Value& self, Args) {
    if (!dynamic_cast<DisplayHandle*>(objectOf(self)))
        return Undefined{};
    const Value args[] = {self};
    return transformConstruct(vm, Undefined{}, args);
}

// clip.transform = t copies t's matrix and colour transform onto the clip.
Value movieClipSetTransform(Vm& vm, const Value& self, Args args) {
    const Value t = arg(args, 0);
    if (!dynamic_cast<TransformObject*>(objectOf(t)))
        return Undefined{};
    const Value own[] = {self};
    const Value mine = transformConstruct(vm, Undefined{}, own);
    const Value matrix[] = {transformMatrix(vm, t, {})};
    const Value color[] = {transformColorTransform(vm, t, {})};
    transformSetMatrix(vm, mine, matrix);
    transformSetColorTransform(vm, mine, color);
    return Undefined{};
}

} // namespace

const ColorTransform* colorTransformOf(const Value& v) {
    ColorTransformObject* o = colorObject(v);
    return o ? &o->cx : nullptr;
}

bool matrixOf(Vm& vm, const Value& m, QTransform& out) {
    if (!objectOf(m))
        return false;
    out = QTransform(num(vm, m, "a"), num(vm, m, "b"), num(vm, m, "c"), num(vm, m, "d"),
                     num(vm, m, "tx") * 20, num(vm, m, "ty") * 20);
    return true;
}

void installColorTransform(Vm& vm, Object* geom) {
    Object* proto = defineGeomClass(vm, geom, "ColorTransform", nothing, colorTransformConstruct);
    // In the order Flash adds them (for..in shows the last first).
    accessor(vm, proto, "alphaMultiplier", getField<&ColorTransform::aMult>,
             setField<&ColorTransform::aMult>);
    accessor(vm, proto, "redMultiplier", getField<&ColorTransform::rMult>,
             setField<&ColorTransform::rMult>);
    accessor(vm, proto, "greenMultiplier", getField<&ColorTransform::gMult>,
             setField<&ColorTransform::gMult>);
    accessor(vm, proto, "blueMultiplier", getField<&ColorTransform::bMult>,
             setField<&ColorTransform::bMult>);
    accessor(vm, proto, "alphaOffset", getField<&ColorTransform::aAdd>,
             setField<&ColorTransform::aAdd>);
    accessor(vm, proto, "redOffset", getField<&ColorTransform::rAdd>,
             setField<&ColorTransform::rAdd>);
    accessor(vm, proto, "greenOffset", getField<&ColorTransform::gAdd>,
             setField<&ColorTransform::gAdd>);
    accessor(vm, proto, "blueOffset", getField<&ColorTransform::bAdd>,
             setField<&ColorTransform::bAdd>);
    accessor(vm, proto, "rgb", getRgb, setRgb);
    member(vm, proto, "concat", colorTransformConcat);
    member(vm, proto, "toString", colorTransformToString);
}

void installTransform(Vm& vm, Object* geom) {
    Object* proto = defineGeomClass(vm, geom, "Transform", nothing, transformConstruct);
    accessor(vm, proto, "matrix", transformMatrix, transformSetMatrix);
    accessor(vm, proto, "concatenatedMatrix", transformConcatenatedMatrix);
    accessor(vm, proto, "colorTransform", transformColorTransform, transformSetColorTransform);
    accessor(vm, proto, "concatenatedColorTransform", transformConcatenatedColorTransform);
    accessor(vm, proto, "pixelBounds", transformPixelBounds);
    if (vm.protos.movieClip)
        accessor(vm, vm.protos.movieClip, "transform", movieClipTransform, movieClipSetTransform,
                 DontEnum);
}

} // namespace reelcase::swf::avm1::builtins::geometry
