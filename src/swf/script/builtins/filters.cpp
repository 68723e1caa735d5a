#include "swf/script/builtins/filters.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/filters.h"
#include "swf/script/builtins/geometry.h"
#include "swf/script/clip_object.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace reelcase::swf::avm1::builtins {
namespace {

// Every property any filter class has; a class lists the ones it uses, in its
// constructor's order.
enum FieldId {
    Distance,
    Angle,
    Color,
    Alpha,
    BlurX,
    BlurY,
    Strength,
    Quality,
    Inner,
    Knockout,
    HideObject,
    HighlightColor,
    HighlightAlpha,
    ShadowColor,
    ShadowAlpha,
    Type,
    Colors,
    Alphas,
    Ratios,
    Matrix,
    MatrixX,
    MatrixY,
    Divisor,
    Bias,
    PreserveAlpha,
    Clamp,
    MapBitmap,
    MapPoint,
    ComponentX,
    ComponentY,
    ScaleX,
    ScaleY,
    Mode,
    FieldCount
};

const char* const fieldNames[FieldCount] = {
    "distance",       "angle",       "color",       "alpha",    "blurX",      "blurY",
    "strength",       "quality",     "inner",       "knockout", "hideObject", "highlightColor",
    "highlightAlpha", "shadowColor", "shadowAlpha", "type",     "colors",     "alphas",
    "ratios",         "matrix",      "matrixX",     "matrixY",  "divisor",    "bias",
    "preserveAlpha",  "clamp",       "mapBitmap",   "mapPoint", "componentX", "componentY",
    "scaleX",         "scaleY",      "mode"};

enum class ClassId {
    DropShadow,
    Blur,
    Glow,
    Bevel,
    GradientGlow,
    GradientBevel,
    ColorMatrix,
    Convolution,
    DisplacementMap
};

struct FieldDefault {
    FieldId id;
    Value value;
};

struct ClassDef {
    ClassId id;
    const char* name;
    std::vector<FieldDefault> fields;
};

const std::vector<ClassDef>& classes() {
    static const std::vector<ClassDef> all = {
        {ClassId::Bevel,
         "BevelFilter",
         {{Distance, 4.0},
          {Angle, 45.0},
          {HighlightColor, 16777215.0},
          {HighlightAlpha, 1.0},
          {ShadowColor, 0.0},
          {ShadowAlpha, 1.0},
          {BlurX, 4.0},
          {BlurY, 4.0},
          {Strength, 1.0},
          {Quality, 1.0},
          {Type, QStringLiteral("inner")},
          {Knockout, false}}},
        {ClassId::Blur, "BlurFilter", {{BlurX, 4.0}, {BlurY, 4.0}, {Quality, 1.0}}},
        {ClassId::ColorMatrix, "ColorMatrixFilter", {{Matrix, Undefined{}}}},
        {ClassId::Convolution,
         "ConvolutionFilter",
         {{MatrixX, 0.0},
          {MatrixY, 0.0},
          {Matrix, Undefined{}},
          {Divisor, 1.0},
          {Bias, 0.0},
          {PreserveAlpha, true},
          {Clamp, true},
          {Color, 0.0},
          {Alpha, 0.0}}},
        {ClassId::DisplacementMap,
         "DisplacementMapFilter",
         {{MapBitmap, Undefined{}},
          {MapPoint, Undefined{}},
          {ComponentX, 0.0},
          {ComponentY, 0.0},
          {ScaleX, 0.0},
          {ScaleY, 0.0},
          {Mode, QStringLiteral("wrap")},
          {Color, 0.0},
          {Alpha, 0.0}}},
        {ClassId::DropShadow,
         "DropShadowFilter",
         {{Distance, 4.0},
          {Angle, 45.0},
          {Color, 0.0},
          {Alpha, 1.0},
          {BlurX, 4.0},
          {BlurY, 4.0},
          {Strength, 1.0},
          {Quality, 1.0},
          {Inner, false},
          {Knockout, false},
          {HideObject, false}}},
        {ClassId::Glow,
         "GlowFilter",
         {{Color, 16711680.0},
          {Alpha, 1.0},
          {BlurX, 6.0},
          {BlurY, 6.0},
          {Strength, 2.0},
          {Quality, 1.0},
          {Inner, false},
          {Knockout, false}}},
        {ClassId::GradientBevel,
         "GradientBevelFilter",
         {{Distance, 4.0},
          {Angle, 45.0},
          {Colors, Undefined{}},
          {Alphas, Undefined{}},
          {Ratios, Undefined{}},
          {BlurX, 4.0},
          {BlurY, 4.0},
          {Strength, 1.0},
          {Quality, 1.0},
          {Type, QStringLiteral("inner")},
          {Knockout, false}}},
        {ClassId::GradientGlow,
         "GradientGlowFilter",
         {{Distance, 4.0},
          {Angle, 45.0},
          {Colors, Undefined{}},
          {Alphas, Undefined{}},
          {Ratios, Undefined{}},
          {BlurX, 4.0},
          {BlurY, 4.0},
          {Strength, 1.0},
          {Quality, 1.0},
          {Type, QStringLiteral("inner")},
          {Knockout, false}}}};
    return all;
}

const ClassDef& classDef(ClassId id) {
    for (const ClassDef& c : classes())
        if (c.id == id)
            return c;
    return classes().front();
}

// A filter as scripts see it: each field already in the form its getter gives.
class FilterObject : public Object {
public:
    using Object::Object;
    void markChildren(Heap& heap) override {
        Object::markChildren(heap);
        for (const Value& v : fields)
            heap.mark(v);
    }
    ClassId classId = ClassId::Blur;
    std::array<Value, FieldCount> fields;
    std::array<std::vector<double>, FieldCount> lists; // colors, alphas, ratios, matrix
};

FilterObject* filterOf(const Value& v) {
    return dynamic_cast<FilterObject*>(objectOf(v));
}

double clamped(double v, double low, double high) {
    return std::isnan(v) ? low : std::clamp(v, low, high);
}

std::vector<double> numbersOf(Vm& vm, const Value& array, std::size_t cap) {
    std::vector<double> out;
    Object* o = objectOf(array);
    if (!o || o->kind() != Kind::Array)
        return out;
    for (const Value& v : arrayElements(vm, o)) {
        if (out.size() >= cap)
            break;
        out.push_back(vm.toNumber(v));
    }
    return out;
}

// Converts v as the field's setter does and stores it.
void assign(Vm& vm, FilterObject& f, FieldId id, const Value& v) {
    switch (id) {
    case Color:
    case HighlightColor:
    case ShadowColor:
        f.fields[id] = static_cast<double>(toUint32(vm.toNumber(v)) & 0xFFFFFF);
        break;
    case Alpha:
    case HighlightAlpha:
    case ShadowAlpha:
        f.fields[id] = clamped(vm.toNumber(v), 0, 1);
        break;
    case BlurX:
    case BlurY:
    case Strength:
        f.fields[id] = clamped(vm.toNumber(v), 0, 255);
        break;
    case Quality:
    case MatrixX:
    case MatrixY:
        f.fields[id] = clamped(std::trunc(vm.toNumber(v)), 0, 15);
        break;
    case ComponentX:
    case ComponentY:
        f.fields[id] = static_cast<double>(toInt32(vm.toNumber(v)));
        break;
    case Inner:
    case Knockout:
    case HideObject:
    case PreserveAlpha:
    case Clamp:
        f.fields[id] = vm.toBoolean(v);
        break;
    case Type: {
        const QString s = vm.toString(v);
        f.fields[id] =
            s == QLatin1String("inner") || s == QLatin1String("outer") ? s : QStringLiteral("full");
        break;
    }
    case Mode: {
        const QString s = vm.toString(v);
        const bool known = s == QLatin1String("clamp") || s == QLatin1String("ignore") ||
                           s == QLatin1String("color");
        f.fields[id] = known ? s : QStringLiteral("wrap");
        break;
    }
    case Colors:
    case Alphas:
    case Ratios:
    case Matrix: {
        std::vector<double> list = numbersOf(vm, v, id == Matrix ? 225 : 16);
        for (double& x : list) {
            if (id == Colors)
                x = static_cast<double>(toUint32(x) & 0xFFFFFF);
            else if (id == Alphas)
                x = clamped(x, 0, 1);
            else if (id == Ratios)
                x = clamped(x, 0, 255);
        }
        if (id == Matrix && f.classId == ClassId::ColorMatrix)
            list.resize(20, 0.0);
        f.lists[id] = std::move(list);
        break;
    }
    case MapPoint:
        f.fields[id] = geometry::newPoint(vm, geometry::num(vm, v, "x"), geometry::num(vm, v, "y"));
        break;
    case MapBitmap:
        f.fields[id] = v;
        break;
    default:
        f.fields[id] = vm.toNumber(v);
        break;
    }
}

bool isList(FieldId id) {
    return id == Colors || id == Alphas || id == Ratios || id == Matrix;
}

template <int Id> Value getField(Vm& vm, const Value& self, Args) {
    FilterObject* f = filterOf(self);
    if (!f)
        return Undefined{};
    if (isList(static_cast<FieldId>(Id))) {
        std::vector<Value> values(f->lists[Id].begin(), f->lists[Id].end());
        return vm.newArray(values);
    }
    if (Id == MapPoint)
        return geometry::newPoint(vm, geometry::get(vm, f->fields[Id], "x"),
                                  geometry::get(vm, f->fields[Id], "y"));
    return f->fields[Id];
}

template <int Id> Value setField(Vm& vm, const Value& self, Args args) {
    if (FilterObject* f = filterOf(self))
        assign(vm, *f, static_cast<FieldId>(Id), arg(args, 0));
    return Undefined{};
}

template <int... Ids>
constexpr std::array<std::pair<NativeFunction, NativeFunction>, sizeof...(Ids)>
accessorTable(std::integer_sequence<int, Ids...>) {
    return {std::pair<NativeFunction, NativeFunction>{getField<Ids>, setField<Ids>}...};
}

const auto accessors = accessorTable(std::make_integer_sequence<int, FieldCount>{});

Object* filterProto(Vm& vm, ClassId id) {
    Object* filters = objectOf(vm.getMember(vm.getMember(Value(vm.global), "flash"), "filters"));
    Object* ctor = filters
                       ? objectOf(vm.getMember(Value(filters), QLatin1String(classDef(id).name)))
                       : nullptr;
    return ctor ? objectOf(vm.getMember(Value(ctor), "prototype")) : nullptr;
}

FilterObject* newFilter(Vm& vm, ClassId id) {
    auto* f = vm.heap().make<FilterObject>(filterProto(vm, id));
    f->classId = id;
    return f;
}

template <ClassId Id> Value constructFilter(Vm& vm, const Value&, Args args) {
    FilterObject* f = newFilter(vm, Id);
    const ClassDef& def = classDef(Id);
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        const FieldId field = def.fields[i].id;
        const bool given = i < args.size() && !isVoid(args[i]);
        if (field == Matrix && Id == ClassId::ColorMatrix && !given) {
            f->lists[Matrix] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
            continue;
        }
        if (field == MapPoint && !given) {
            f->fields[field] = geometry::newPoint(vm, 0.0, 0.0);
            continue;
        }
        assign(vm, *f, field, given ? args[i] : def.fields[i].value);
    }
    // A convolution given a substitute colour but no alpha uses it opaque.
    if (Id == ClassId::Convolution && args.size() == 8)
        f->fields[Alpha] = 1.0;
    return f;
}

FilterObject* cloneOf(Vm& vm, const FilterObject& from) {
    FilterObject* f = newFilter(vm, from.classId);
    f->fields = from.fields;
    f->lists = from.lists;
    if (objectOf(from.fields[MapPoint]))
        f->fields[MapPoint] = geometry::newPoint(vm, geometry::get(vm, from.fields[MapPoint], "x"),
                                                 geometry::get(vm, from.fields[MapPoint], "y"));
    return f;
}

Value filterClone(Vm& vm, const Value& self, Args) {
    FilterObject* f = filterOf(self);
    return f ? Value(cloneOf(vm, *f)) : Value(Undefined{});
}

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

// Between script filters and the drawing layer's.

double number(const Value& v) {
    return std::holds_alternative<double>(v) ? std::get<double>(v) : 0;
}

QColor colorOf(const Value& rgb, const Value& alpha) {
    QColor c = QColor::fromRgb(static_cast<QRgb>(number(rgb)));
    c.setAlpha(static_cast<int>(std::lround(clamped(number(alpha), 0, 1) * 255)));
    return c;
}

bool flag(const Value& v) {
    return std::holds_alternative<bool>(v) && std::get<bool>(v);
}

// The script classes and the kinds the renderer draws; the displacement map has no kind.
constexpr std::pair<ClassId, Filter::Kind> kDrawnKinds[] = {
    {ClassId::DropShadow, Filter::DropShadow},
    {ClassId::Blur, Filter::Blur},
    {ClassId::Glow, Filter::Glow},
    {ClassId::Bevel, Filter::Bevel},
    {ClassId::GradientGlow, Filter::GradientGlow},
    {ClassId::GradientBevel, Filter::GradientBevel},
    {ClassId::ColorMatrix, Filter::ColorMatrix},
    {ClassId::Convolution, Filter::Convolution},
};

std::optional<Filter::Kind> drawnKind(ClassId id) {
    for (const auto& [classId, kind] : kDrawnKinds)
        if (classId == id)
            return kind;
    return std::nullopt;
}

ClassId scriptClass(Filter::Kind kind) {
    for (const auto& [classId, drawn] : kDrawnKinds)
        if (drawn == kind)
            return classId;
    return ClassId::Blur;
}

std::optional<Filter> drawnFilter(const FilterObject& o) {
    Filter f;
    const auto& v = o.fields;
    f.blurX = number(v[BlurX]);
    f.blurY = number(v[BlurY]);
    f.angle = number(v[Angle]) * std::numbers::pi / 180;
    f.distance = std::clamp(number(v[Distance]), -10000.0, 10000.0);
    f.strength = number(v[Strength]);
    f.passes = static_cast<int>(number(v[Quality]));
    f.knockout = flag(v[Knockout]);
    f.inner = flag(v[Inner]);
    const QString type =
        std::holds_alternative<QString>(v[Type]) ? std::get<QString>(v[Type]) : QString();
    const auto kind = drawnKind(o.classId);
    if (!kind)
        return std::nullopt; // not drawn
    f.kind = *kind;
    switch (o.classId) {
    case ClassId::DropShadow:
        f.color = colorOf(v[Color], v[Alpha]);
        f.hideObject = flag(v[HideObject]);
        break;
    case ClassId::Blur:
    case ClassId::DisplacementMap:
        break;
    case ClassId::Glow:
        f.color = colorOf(v[Color], v[Alpha]);
        break;
    case ClassId::Bevel:
    case ClassId::GradientBevel:
    case ClassId::GradientGlow:
        f.color = colorOf(v[ShadowColor], v[ShadowAlpha]);
        f.highlight = colorOf(v[HighlightColor], v[HighlightAlpha]);
        f.inner = type == QLatin1String("inner");
        f.onTop = type == QLatin1String("full");
        for (std::size_t i = 0; i < o.lists[Colors].size(); ++i) {
            const double alpha = i < o.lists[Alphas].size() ? o.lists[Alphas][i] : 1;
            const double ratio = i < o.lists[Ratios].size() ? o.lists[Ratios][i] : 0;
            f.gradient.emplace_back(ratio / 255, colorOf(o.lists[Colors][i], alpha));
        }
        break;
    case ClassId::ColorMatrix:
        for (std::size_t i = 0; i < 20 && i < o.lists[Matrix].size(); ++i)
            f.colorMatrix[i] = std::clamp(o.lists[Matrix][i], -1e6, 1e6);
        break;
    case ClassId::Convolution: {
        f.matrixX = static_cast<int>(number(v[MatrixX]));
        f.matrixY = static_cast<int>(number(v[MatrixY]));
        f.matrix = o.lists[Matrix];
        f.matrix.resize(static_cast<std::size_t>(f.matrixX * f.matrixY), 0.0);
        f.divisor = number(v[Divisor]);
        f.bias = number(v[Bias]);
        f.preserveAlpha = flag(v[PreserveAlpha]);
        f.clamp = flag(v[Clamp]);
        f.defaultColor = colorOf(v[Color], v[Alpha]);
        break;
    }
    }
    return f;
}

FilterObject* scriptFilter(Vm& vm, const Filter& f) {
    FilterObject* o = newFilter(vm, scriptClass(f.kind));
    auto& v = o->fields;
    const auto rgb = [](const QColor& c) { return static_cast<double>(c.rgb() & 0xFFFFFF); };
    const auto alpha = [](const QColor& c) { return c.alpha() / 255.0; };
    v[Distance] = f.distance;
    v[Angle] = f.angle * 180 / std::numbers::pi;
    v[Color] = rgb(f.color);
    v[Alpha] = alpha(f.color);
    v[BlurX] = f.blurX;
    v[BlurY] = f.blurY;
    v[Strength] = f.strength;
    v[Quality] = static_cast<double>(f.passes);
    v[Inner] = f.inner;
    v[Knockout] = f.knockout;
    v[HideObject] = f.hideObject;
    v[HighlightColor] = rgb(f.highlight);
    v[HighlightAlpha] = alpha(f.highlight);
    v[ShadowColor] = rgb(f.color);
    v[ShadowAlpha] = alpha(f.color);
    v[Type] = f.onTop   ? QStringLiteral("full")
              : f.inner ? QStringLiteral("inner")
                        : QStringLiteral("outer");
    for (const auto& [ratio, colour] : f.gradient) {
        o->lists[Colors].push_back(rgb(colour));
        o->lists[Alphas].push_back(alpha(colour));
        o->lists[Ratios].push_back(std::round(ratio * 255));
    }
    if (f.kind == Filter::ColorMatrix)
        o->lists[Matrix].assign(f.colorMatrix.begin(), f.colorMatrix.end());
    else
        o->lists[Matrix] = f.matrix;
    v[MatrixX] = static_cast<double>(f.matrixX);
    v[MatrixY] = static_cast<double>(f.matrixY);
    v[Divisor] = f.divisor;
    v[Bias] = f.bias;
    v[PreserveAlpha] = f.preserveAlpha;
    v[Clamp] = f.clamp;
    if (f.kind == Filter::Convolution) {
        v[Color] = rgb(f.defaultColor);
        v[Alpha] = alpha(f.defaultColor);
    }
    return o;
}

// What a script last gave a clip's filters, kept beside the list drawn from it so that
// reading them back gives the script's own values.
class ClipFilters : public Object {
public:
    using Object::Object;
    void markChildren(Heap& heap) override {
        Object::markChildren(heap);
        for (Object* o : given)
            heap.mark(o);
    }
    std::shared_ptr<const FilterList> drawn;
    std::vector<Object*> given;
};

const QString keptName = QStringLiteral("__filters__");

Value clipFilters(Vm& vm, const Value& self, Args) {
    auto* handle = dynamic_cast<DisplayHandle*>(objectOf(self));
    DisplayObject* e = handle ? handle->entry() : nullptr;
    if (!e)
        return Undefined{};
    std::vector<Value> out;
    Property* kept = handle->find(keptName);
    auto* holder = kept ? dynamic_cast<ClipFilters*>(objectOf(kept->value)) : nullptr;
    if (holder && holder->drawn == e->placement.filters) {
        for (Object* o : holder->given)
            out.emplace_back(cloneOf(vm, *filterOf(o)));
    } else if (e->placement.filters) {
        for (const Filter& f : *e->placement.filters)
            out.emplace_back(scriptFilter(vm, f));
    }
    return vm.newArray(out);
}

Value setClipFilters(Vm& vm, const Value& self, Args args) {
    auto* handle = dynamic_cast<DisplayHandle*>(objectOf(self));
    DisplayObject* e = handle ? handle->entry() : nullptr;
    Object* list = objectOf(arg(args, 0));
    if (!e || !list || list->kind() != Kind::Array)
        return Undefined{};
    auto* holder = vm.heap().make<ClipFilters>(nullptr);
    auto drawn = std::make_shared<FilterList>();
    for (const Value& v : arrayElements(vm, list)) {
        FilterObject* f = filterOf(v);
        if (!f || holder->given.size() >= 255)
            continue;
        holder->given.push_back(cloneOf(vm, *f));
        if (auto d = drawnFilter(*f))
            drawn->push_back(std::move(*d));
    }
    holder->drawn = drawn->empty() ? nullptr : std::shared_ptr<const FilterList>(drawn);
    e->placement.filters = holder->drawn;
    handle->put(keptName, holder, DontEnum);
    return Undefined{};
}

} // namespace

void installFilters(Vm& vm) {
    Object* flash = objectOf(vm.getMember(Value(vm.global), QStringLiteral("flash")));
    if (!flash) {
        flash = vm.newObject();
        vm.global->put(QStringLiteral("flash"), flash, DontEnum);
    }
    Object* filters = vm.newObject();
    flash->put(QStringLiteral("filters"), filters);
    Object* base = geometry::defineGeomClass(vm, filters, "BitmapFilter", nothing);
    geometry::member(vm, base, "clone", filterClone);
    const std::pair<ClassId, NativeFunction> constructors[] = {
        {ClassId::DropShadow, constructFilter<ClassId::DropShadow>},
        {ClassId::Blur, constructFilter<ClassId::Blur>},
        {ClassId::Glow, constructFilter<ClassId::Glow>},
        {ClassId::Bevel, constructFilter<ClassId::Bevel>},
        {ClassId::GradientGlow, constructFilter<ClassId::GradientGlow>},
        {ClassId::GradientBevel, constructFilter<ClassId::GradientBevel>},
        {ClassId::ColorMatrix, constructFilter<ClassId::ColorMatrix>},
        {ClassId::Convolution, constructFilter<ClassId::Convolution>},
        {ClassId::DisplacementMap, constructFilter<ClassId::DisplacementMap>}};
    for (const auto& [id, construct] : constructors) {
        const ClassDef& def = classDef(id);
        Object* proto = geometry::defineGeomClass(vm, filters, def.name, nothing, construct);
        proto->proto = base;
        for (const FieldDefault& field : def.fields)
            geometry::accessor(vm, proto, fieldNames[field.id], accessors[field.id].first,
                               accessors[field.id].second);
        geometry::member(vm, proto, "clone", filterClone);
    }
    if (vm.protos.movieClip)
        geometry::accessor(vm, vm.protos.movieClip, "filters", clipFilters, setClipFilters,
                           DontEnum);
}

} // namespace reelcase::swf::avm1::builtins
