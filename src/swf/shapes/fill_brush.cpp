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

QColor mixColor(const QColor& a, const QColor& b, double t, bool linearRgb) {
    auto mix = [&](double x, double y) {
        return linearRgb ? toSrgb(toLinear(x) + (toLinear(y) - toLinear(x)) * t) : x + (y - x) * t;
    };
    return QColor::fromRgbF(float(mix(a.redF(), b.redF())), float(mix(a.greenF(), b.greenF())),
                            float(mix(a.blueF(), b.blueF())),
                            float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

// Qt interpolates in sRGB; linear-RGB gradients get intermediate stops computed in
// linear light, which is close enough to be indistinguishable.
void addLinearRgbStops(QGradient& g, const GradientStop& a, const GradientStop& b) {
    constexpr int steps = 8;
    for (int i = 1; i < steps; ++i) {
        const double t = double(i) / steps;
        g.setColorAt(a.ratio + (b.ratio - a.ratio) * t, mixColor(a.color, b.color, t, true));
    }
}

// Flash walks the stops in file order: a position takes the first segment that reaches
// it (the last colour beyond them all), so a ratio that goes back hides what it overlaps
// and the next segment enters part way through its colours. Returns increasing stops
// that draw the same.
std::vector<GradientStop> visibleStops(const std::vector<GradientStop>& src, bool linearRgb) {
    std::vector<GradientStop> out;
    if (src.empty())
        return out;
    double reached = 0;
    auto add = [&](double ratio, const QColor& c) {
        if (out.empty() || out.back().color != c || out.back().ratio != ratio)
            out.push_back({ratio, c});
    };
    for (size_t i = 0; i + 1 < src.size(); ++i) {
        const GradientStop& a = src[i];
        const GradientStop& b = src[i + 1];
        if (b.ratio <= reached)
            continue;
        // Before its start a segment clamps to its nearer end.
        QColor entry = a.ratio > b.ratio ? b.color : a.color;
        if (a.ratio < reached && a.ratio < b.ratio)
            entry =
                mixColor(a.color, b.color, (reached - a.ratio) / (b.ratio - a.ratio), linearRgb);
        if (out.empty() || out.back().color != entry)
            add(reached, entry);
        if (a.ratio > reached && a.ratio <= b.ratio)
            add(a.ratio, a.color);
        add(b.ratio, b.color);
        reached = std::max(reached, b.ratio);
    }
    if (out.empty() || out.back().color != src.back().color)
        add(reached, src.back().color);
    // Qt would merge stops at one position, so hard edges are set a hair apart.
    constexpr double hair = 1e-6;
    for (size_t i = 1; i < out.size(); ++i)
        if (out[i].ratio <= out[i - 1].ratio)
            out[i].ratio = std::min(1.0, out[i - 1].ratio + hair);
    for (size_t i = out.size(); i-- > 1;)
        if (out[i - 1].ratio >= out[i].ratio)
            out[i - 1].ratio = out[i].ratio - hair;
    return out;
}

// Flash draws a gradient from a table of 256 colours, entry e covering positions
// [e / 256, (e + 1) / 256). Of stops that share a ratio, the last starts the next segment
// there as usual; the ones before it are written over that segment's first entries, one
// flat entry each, in file order.
std::vector<GradientStop> spreadSharedRatios(const std::vector<GradientStop>& src, bool linearRgb) {
    constexpr double entry = 1.0 / 256;
    std::vector<GradientStop> out;
    for (size_t i = 0; i < src.size();) {
        size_t end = i + 1;
        while (end < src.size() && src[end].ratio == src[i].ratio)
            ++end;
        if (end == i + 1) {
            out.push_back(src[i++]);
            continue;
        }
        const double first = std::round(src[i].ratio * 255) * entry;
        for (size_t k = i; k + 1 < end; ++k) {
            const double at = std::min(1.0, first + double(k - i) * entry);
            out.push_back({at, src[k].color});
            out.push_back({std::min(1.0, at + entry), src[k].color});
        }
        // The segment from the last of them shows from where the flat entries end.
        const GradientStop& last = src[end - 1];
        const double shownFrom = std::min(1.0, first + double(end - 1 - i) * entry);
        QColor shown = last.color;
        if (end < src.size() && src[end].ratio > last.ratio) {
            const double t =
                std::clamp((shownFrom - last.ratio) / (src[end].ratio - last.ratio), 0.0, 1.0);
            shown = mixColor(last.color, src[end].color, t, linearRgb);
        }
        out.push_back({shownFrom, shown});
        i = end;
    }
    return out;
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
    // Colours and alpha mix apart, as Flash does: between clear black and white lies a
    // half-clear grey, not a half-clear white.
    g.setInterpolationMode(QGradient::ComponentInterpolation);
    const bool linearRgb = src.interpolation == Gradient::LinearRgb;
    std::vector<GradientStop> colored = src.stops;
    for (GradientStop& s : colored)
        s.color = cx.apply(s.color);
    const std::vector<GradientStop> stops =
        visibleStops(spreadSharedRatios(colored, linearRgb), linearRgb);
    for (size_t i = 0; i < stops.size(); ++i) {
        g.setColorAt(std::clamp(stops[i].ratio, 0.0, 1.0), stops[i].color);
        if (linearRgb && i + 1 < stops.size())
            addLinearRgbStops(g, stops[i], stops[i + 1]);
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
        const QImage* image = style.image ? style.image.get()
                              : dict      ? dict->bitmap(style.bitmapId)
                                          : nullptr;
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
