#include "swf/shapes/fill_brush.h"

#include "swf/format/dictionary.h"

#include <QImage>
#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace reelcase::swf {
namespace {

constexpr double gradientHalf = 16384.0; // the gradient square spans -16384..16384

double toLinear(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double toSrgb(double c) {
    return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

// Qt interpolates in sRGB; linear-RGB gradients get intermediate stops computed in
// linear light, which is close enough to be indistinguishable.
void addLinearRgbStops(QGradient& g, const GradientStop& a, const QColor& ca, const GradientStop& b,
                       const QColor& cb) {
    constexpr int steps = 8;
    for (int i = 1; i < steps; ++i) {
        const double t = double(i) / steps;
        auto mix = [&](double x, double y) {
            return toSrgb(toLinear(x) + (toLinear(y) - toLinear(x)) * t);
        };
        QColor c =
            QColor::fromRgbF(float(mix(ca.redF(), cb.redF())), float(mix(ca.greenF(), cb.greenF())),
                             float(mix(ca.blueF(), cb.blueF())),
                             float(ca.alphaF() + (cb.alphaF() - ca.alphaF()) * t));
        g.setColorAt(a.ratio + (b.ratio - a.ratio) * t, c);
    }
}

void setStops(QGradient& g, const Gradient& src, const ColorTransform& cx) {
    switch (src.spread) {
    case Gradient::Reflect:
        g.setSpread(QGradient::ReflectSpread);
        break;
    case Gradient::Repeat:
        g.setSpread(QGradient::RepeatSpread);
        break;
    default:
        g.setSpread(QGradient::PadSpread);
        break;
    }
    // Ratios that repeat make a hard edge (the first colour before it, the second after);
    // one that goes back is taken as repeating the one before. Qt would merge stops at one
    // position, so repeats are set a hair apart.
    std::vector<GradientStop> stops = src.stops;
    constexpr double hair = 1e-6;
    for (size_t i = 1; i < stops.size(); ++i)
        stops[i].ratio = std::max(stops[i].ratio, stops[i - 1].ratio);
    for (size_t i = 1; i < stops.size(); ++i)
        if (stops[i].ratio <= stops[i - 1].ratio)
            stops[i].ratio = std::min(1.0, stops[i - 1].ratio + hair);
    for (size_t i = stops.size(); i-- > 1;)
        if (stops[i - 1].ratio >= stops[i].ratio)
            stops[i - 1].ratio = stops[i].ratio - hair;
    for (size_t i = 0; i < stops.size(); ++i) {
        const QColor c = cx.apply(stops[i].color);
        g.setColorAt(std::clamp(stops[i].ratio, 0.0, 1.0), c);
        if (src.interpolation == Gradient::LinearRgb && i + 1 < stops.size())
            addLinearRgbStops(g, stops[i], c, stops[i + 1], cx.apply(stops[i + 1].color));
    }
}

} // namespace

QBrush fillBrush(const FillStyle& style, const ColorTransform& cx, const Dictionary* dict) {
    switch (style.type) {
    case FillStyle::Solid:
        return QBrush(cx.apply(style.color));
    case FillStyle::Linear: {
        QLinearGradient g(-gradientHalf, 0, gradientHalf, 0);
        setStops(g, style.gradient, cx);
        QBrush b(g);
        b.setTransform(style.matrix);
        return b;
    }
    case FillStyle::Radial:
    case FillStyle::FocalRadial: {
        const double focal = style.type == FillStyle::FocalRadial
                                 ? style.gradient.focalPoint * gradientHalf * 0.999
                                 : 0.0;
        QRadialGradient g(QPointF(0, 0), gradientHalf, QPointF(focal, 0));
        setStops(g, style.gradient, cx);
        QBrush b(g);
        b.setTransform(style.matrix);
        return b;
    }
    default: {
        const QImage* image = dict ? dict->bitmap(style.bitmapId) : nullptr;
        if (!image || image->isNull())
            return Qt::NoBrush;
        QBrush b;
        if (cx.isIdentity()) {
            b.setTextureImage(*image);
        } else {
            QImage tinted = image->convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < tinted.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(tinted.scanLine(y));
                for (int x = 0; x < tinted.width(); ++x)
                    line[x] = cx.apply(line[x]);
            }
            b.setTextureImage(tinted);
        }
        b.setTransform(style.matrix);
        return b;
    }
    }
}

} // namespace reelcase::swf
