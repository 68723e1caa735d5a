// The drawing API of clips: moveTo, lineTo, curveTo, lineStyle, beginFill,
// beginGradientFill, endFill, clear. Pixels here, twips in the drawing.
#include "swf/script/builtins/bitmap_data.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/input.h"

#include "swf/display/timeline_instance.h"
#include "swf/shapes/shape_drawing.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

constexpr int maxGradientStops = 15;

bool isUndefined(const Value& v) {
    return std::holds_alternative<Undefined>(v);
}

// Runs change on the clip's drawing and shows the result.
template <typename Change> Value draw(Vm& vm, const Value& self, Change change) {
    if (auto clip = vm.clipOf(self)) {
        change(clip->drawing());
        clip->drawingChanged();
    }
    return Undefined{};
}

double pixels(Vm& vm, const Value& v) {
    return vm.toNumber(v) * 20.0;
}

QColor colorOf(Vm& vm, const Value& rgb, const Value& alpha) {
    const double n = vm.toNumber(rgb);
    const auto bits = std::isfinite(n) ? static_cast<std::uint32_t>(static_cast<std::int64_t>(
                                             std::fmod(std::trunc(n), 4294967296.0)))
                                       : 0u;
    double a = isUndefined(alpha) ? 100.0 : vm.toNumber(alpha);
    a = std::isnan(a) ? 0.0 : std::clamp(a, 0.0, 100.0);
    return QColor((bits >> 16) & 0xff, (bits >> 8) & 0xff, bits & 0xff,
                  static_cast<int>(std::lround(a * 2.55)));
}

QString textOf(Vm& vm, const Value& v) {
    return isUndefined(v) ? QString() : vm.toString(v);
}

Value moveTo(Vm& vm, const Value& self, Args args) {
    if (args.size() < 2)
        return Undefined{};
    const QPointF to(pixels(vm, args[0]), pixels(vm, args[1]));
    return draw(vm, self, [&](ShapeDrawing& d) { d.moveTo(to); });
}

Value lineTo(Vm& vm, const Value& self, Args args) {
    if (args.size() < 2)
        return Undefined{};
    const QPointF to(pixels(vm, args[0]), pixels(vm, args[1]));
    return draw(vm, self, [&](ShapeDrawing& d) { d.lineTo(to); });
}

Value curveTo(Vm& vm, const Value& self, Args args) {
    if (args.size() < 4)
        return Undefined{};
    const QPointF control(pixels(vm, args[0]), pixels(vm, args[1]));
    const QPointF to(pixels(vm, args[2]), pixels(vm, args[3]));
    return draw(vm, self, [&](ShapeDrawing& d) { d.curveTo(control, to); });
}

Value lineStyle(Vm& vm, const Value& self, Args args) {
    std::optional<LineStyle> style;
    if (!args.empty() && !isUndefined(args[0])) {
        LineStyle s;
        double width = vm.toNumber(args[0]);
        width = std::isnan(width) ? 0.0 : std::clamp(width, 0.0, 255.0);
        s.width = static_cast<std::uint16_t>(std::lround(width * 20.0));
        s.color = colorOf(vm, arg(args, 1), arg(args, 2));
        s.pixelHinting = vm.toBoolean(arg(args, 3));
        const QString scale = textOf(vm, arg(args, 4));
        s.noHScale = scale == QLatin1String("none") || scale == QLatin1String("horizontal");
        s.noVScale = scale == QLatin1String("none") || scale == QLatin1String("vertical");
        const QString caps = textOf(vm, arg(args, 5));
        s.startCap = s.endCap = caps == QLatin1String("none")     ? Qt::FlatCap
                                : caps == QLatin1String("square") ? Qt::SquareCap
                                                                  : Qt::RoundCap;
        const QString joint = textOf(vm, arg(args, 6));
        s.join = joint == QLatin1String("miter")   ? Qt::MiterJoin
                 : joint == QLatin1String("bevel") ? Qt::BevelJoin
                                                   : Qt::RoundJoin;
        if (args.size() > 7) {
            const double limit = vm.toNumber(args[7]);
            s.miterLimit = std::isnan(limit) ? 3.0 : std::clamp(limit, 1.0, 255.0);
        }
        style = s;
    }
    return draw(vm, self, [&](ShapeDrawing& d) { d.lineStyle(style); });
}

Value beginFill(Vm& vm, const Value& self, Args args) {
    std::optional<FillStyle> style;
    if (!args.empty() && !isUndefined(args[0])) {
        style = FillStyle{};
        style->color = colorOf(vm, args[0], arg(args, 1));
    }
    return draw(vm, self, [&](ShapeDrawing& d) { d.beginFill(style); });
}

double member(Vm& vm, Object* o, const char* name) {
    return vm.toNumber(vm.getMember(Value(o), QLatin1String(name)));
}

// The gradient square (32768 twips a side, centred on 0) -> the clip's twips, from a
// matrix object: {matrixType: "box", x, y, w, h, r}, {a, b, c, d, tx, ty} (pixels, the
// square 1638.4 pixels wide) or {a, b, d, e, g, h} (a unit square).
QTransform gradientMatrix(Vm& vm, Object* m) {
    if (vm.toString(vm.getMember(Value(m), QStringLiteral("matrixType"))) == QLatin1String("box")) {
        const double w = member(vm, m, "w"), h = member(vm, m, "h");
        QTransform t;
        t.translate((member(vm, m, "x") + w / 2) * 20, (member(vm, m, "y") + h / 2) * 20);
        t.rotateRadians(member(vm, m, "r"));
        t.scale(w / 1638.4, h / 1638.4);
        return t;
    }
    if (!isUndefined(vm.getMember(Value(m), QStringLiteral("tx"))))
        return QTransform(member(vm, m, "a"), member(vm, m, "b"), member(vm, m, "c"),
                          member(vm, m, "d"), member(vm, m, "tx") * 20, member(vm, m, "ty") * 20);
    const double unit = 20.0 / 32768.0;
    return QTransform(member(vm, m, "a") * unit, member(vm, m, "b") * unit,
                      member(vm, m, "d") * unit, member(vm, m, "e") * unit, member(vm, m, "g") * 20,
                      member(vm, m, "h") * 20);
}

std::optional<FillStyle> gradientFill(Vm& vm, Args args) {
    const QString type = textOf(vm, arg(args, 0));
    Object* colors = objectOf(arg(args, 1));
    Object* alphas = objectOf(arg(args, 2));
    Object* ratios = objectOf(arg(args, 3));
    Object* matrix = objectOf(arg(args, 4));
    if ((type != QLatin1String("linear") && type != QLatin1String("radial")) || !colors ||
        !alphas || !ratios || !matrix)
        return std::nullopt;
    const std::vector<Value> c = arrayElements(vm, colors);
    const std::vector<Value> a = arrayElements(vm, alphas);
    const std::vector<Value> r = arrayElements(vm, ratios);
    const std::size_t count = std::min({c.size(), a.size(), r.size()});
    if (count == 0 || c.size() != a.size() || c.size() != r.size())
        return std::nullopt;
    FillStyle style;
    style.type = type == QLatin1String("linear") ? FillStyle::Linear : FillStyle::Radial;
    for (std::size_t i = 0; i < count && i < maxGradientStops; ++i) {
        double ratio = vm.toNumber(r[i]);
        ratio = std::isnan(ratio) ? 0.0 : std::clamp(ratio, 0.0, 255.0);
        style.gradient.stops.push_back({ratio / 255.0, colorOf(vm, c[i], a[i])});
    }
    style.matrix = gradientMatrix(vm, matrix);
    const QString spread = textOf(vm, arg(args, 5));
    style.gradient.spread = spread == QLatin1String("reflect")  ? Gradient::Reflect
                            : spread == QLatin1String("repeat") ? Gradient::Repeat
                                                                : Gradient::Pad;
    if (textOf(vm, arg(args, 6)) == QLatin1String("linearRGB"))
        style.gradient.interpolation = Gradient::LinearRgb;
    if (style.type == FillStyle::Radial && args.size() > 7) {
        const double focal = vm.toNumber(args[7]);
        if (std::isfinite(focal) && focal != 0) {
            style.type = FillStyle::FocalRadial;
            style.gradient.focalPoint = std::clamp(focal, -1.0, 1.0);
        }
    }
    return style;
}

Value beginGradientFill(Vm& vm, const Value& self, Args args) {
    const std::optional<FillStyle> style = gradientFill(vm, args);
    return draw(vm, self, [&](ShapeDrawing& d) { d.beginFill(style); });
}

// beginBitmapFill(bitmap, matrix, repeat, smoothing): the bitmap's pixels as they are now;
// the matrix maps its pixels to the clip's.
Value beginBitmapFill(Vm& vm, const Value& self, Args args) {
    auto* bitmap = dynamic_cast<BitmapDataObject*>(objectOf(arg(args, 0)));
    if (!bitmap || bitmap->disposed)
        return Undefined{};
    FillStyle style;
    const bool repeat = isUndefined(arg(args, 2)) || vm.toBoolean(args[2]);
    const bool smooth = !isUndefined(arg(args, 3)) && vm.toBoolean(args[3]);
    style.type = repeat ? (smooth ? FillStyle::RepeatingBitmap : FillStyle::RepeatingBitmapHard)
                        : (smooth ? FillStyle::ClippedBitmap : FillStyle::ClippedBitmapHard);
    style.image = std::make_shared<const QImage>(bitmap->image());
    style.matrix = QTransform::fromScale(20, 20);
    if (Object* m = objectOf(arg(args, 1)))
        style.matrix =
            QTransform(member(vm, m, "a") * 20, member(vm, m, "b") * 20, member(vm, m, "c") * 20,
                       member(vm, m, "d") * 20, member(vm, m, "tx") * 20, member(vm, m, "ty") * 20);
    return draw(vm, self, [&](ShapeDrawing& d) { d.beginFill(style); });
}

Value endFill(Vm& vm, const Value& self, Args) {
    return draw(vm, self, [](ShapeDrawing& d) { d.endFill(); });
}

Value clear(Vm& vm, const Value& self, Args) {
    return draw(vm, self, [](ShapeDrawing& d) { d.clear(); });
}

} // namespace

void installDrawing(Vm& vm) {
    const std::pair<const char*, NativeFunction> methods[] = {
        {"moveTo", moveTo},
        {"lineTo", lineTo},
        {"curveTo", curveTo},
        {"lineStyle", lineStyle},
        {"beginFill", beginFill},
        {"beginGradientFill", beginGradientFill},
        {"beginBitmapFill", beginBitmapFill},
        {"endFill", endFill},
        {"clear", clear},
    };
    for (const auto& [name, fn] : methods)
        vm.method(vm.protos.movieClip, QLatin1String(name), fn);
}

} // namespace reelcase::swf::avm1::builtins
