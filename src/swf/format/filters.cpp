#include "swf/format/filters.h"

#include "swf/format/records.h"

#include <algorithm>
#include <cmath>

namespace reelcase::swf {
namespace {

// Blur sizes past this add nothing visible and would only cost (stage pixels).
constexpr double maxBlur = 255;
constexpr int maxConvolutionSide = 15;

double blurSize(double v) {
    return std::isfinite(v) ? std::clamp(v, 0.0, maxBlur) : 0.0;
}

double finite(double v, double fallback = 0) {
    return std::isfinite(v) ? v : fallback;
}

void readBlurs(BitReader& r, Filter& f) {
    f.blurX = blurSize(r.fixed16_16());
    f.blurY = blurSize(r.fixed16_16());
}

void readShadowTail(BitReader& r, Filter& f, bool withOffset, bool withOnTop) {
    readBlurs(r, f);
    if (withOffset) {
        f.angle = finite(r.fixed16_16());
        f.distance = std::clamp(finite(r.fixed16_16()), -10000.0, 10000.0);
    }
    f.strength = std::clamp(finite(r.fixed8_8()), 0.0, 255.0);
    f.inner = r.flag();
    f.knockout = r.flag();
    f.hideObject = !r.flag(); // the "composite source" bit clear: only the effect shows
    if (withOnTop) {
        f.onTop = r.flag();
        f.passes = static_cast<int>(r.ub(4));
    } else {
        f.passes = static_cast<int>(r.ub(5));
    }
    r.align();
}

} // namespace

FilterList readFilterList(BitReader& r) {
    FilterList out;
    const int count = r.u8();
    for (int i = 0; i < count && r.ok(); ++i) {
        Filter f;
        const int kind = r.u8();
        switch (kind) {
        case Filter::DropShadow:
            f.color = readRgba(r);
            readShadowTail(r, f, true, false);
            break;
        case Filter::Blur:
            readBlurs(r, f);
            f.passes = static_cast<int>(r.ub(5));
            r.ub(3);
            r.align();
            break;
        case Filter::Glow:
            f.color = readRgba(r);
            readShadowTail(r, f, false, false);
            break;
        case Filter::Bevel:
            // Files hold the highlight first, whatever the format's description says.
            f.highlight = readRgba(r);
            f.color = readRgba(r);
            readShadowTail(r, f, true, true);
            break;
        case Filter::GradientGlow:
        case Filter::GradientBevel: {
            const int colours = r.u8();
            std::vector<QColor> cs;
            for (int c = 0; c < colours && r.ok(); ++c)
                cs.push_back(readRgba(r));
            for (int c = 0; c < colours && r.ok(); ++c)
                f.gradient.emplace_back(r.u8() / 255.0, cs[static_cast<size_t>(c)]);
            readShadowTail(r, f, true, true);
            break;
        }
        case Filter::Convolution: {
            f.matrixX = r.u8();
            f.matrixY = r.u8();
            f.divisor = finite(r.f32(), 1);
            f.bias = finite(r.f32());
            const int n = f.matrixX * f.matrixY;
            for (int k = 0; k < n && r.ok(); ++k)
                f.matrix.push_back(finite(r.f32()));
            f.defaultColor = readRgba(r);
            r.ub(6);
            f.clamp = r.flag();
            f.preserveAlpha = r.flag();
            r.align();
            if (f.matrixX > maxConvolutionSide || f.matrixY > maxConvolutionSide)
                continue; // read past, not applied
            break;
        }
        case Filter::ColorMatrix:
            for (double& v : f.colorMatrix)
                v = std::clamp(finite(r.f32()), -1e6, 1e6);
            break;
        default:
            r.fail();
            return out;
        }
        f.kind = static_cast<Filter::Kind>(kind);
        f.passes = std::clamp(f.passes, 0, 15);
        if (r.ok())
            out.push_back(std::move(f));
    }
    return out;
}

double filterReach(const FilterList& filters) {
    double reach = 0;
    for (const Filter& f : filters) {
        switch (f.kind) {
        case Filter::Blur:
        case Filter::DropShadow:
        case Filter::Glow:
        case Filter::Bevel:
        case Filter::GradientGlow:
        case Filter::GradientBevel:
            // Each pass spreads a box of the blur's size once more.
            reach += std::max(f.blurX, f.blurY) * std::max(1, f.passes) / 2 + 1 +
                     (f.inner ? 0 : std::abs(f.distance));
            break;
        case Filter::Convolution:
            reach += std::max(f.matrixX, f.matrixY);
            break;
        case Filter::ColorMatrix:
            break;
        }
    }
    // Past this a blur has spread its object too thin to see; the picture stops there.
    constexpr double maxReach = 512;
    return std::min(reach, maxReach);
}

} // namespace reelcase::swf
