#include "swf/render/filter_effects.h"

#include <algorithm>
#include <cmath>

namespace reelcase::swf {
namespace {

// One value per pixel, row by row.
struct Plane {
    int width = 0, height = 0;
    std::vector<float> v;
    Plane(int w, int h, float fill = 0)
        : width(w)
        , height(h)
        , v(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
    float& at(int x, int y) { return v[static_cast<size_t>(y) * size_t(width) + size_t(x)]; }
    float get(int x, int y, float outside) const {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return outside;
        return v[static_cast<size_t>(y) * size_t(width) + size_t(x)];
    }
};

// A box of n samples over line (stride apart), values outside counting as zero: a running
// sum, so its cost does not grow with n.
void boxLine(float* line, int length, std::ptrdiff_t stride, int n, std::vector<float>& scratch) {
    const int left = (n - 1) / 2, right = n / 2;
    scratch.resize(static_cast<size_t>(length));
    double sum = 0;
    for (int k = 0; k <= std::min(right, length - 1); ++k)
        sum += line[k * stride];
    for (int i = 0; i < length; ++i) {
        scratch[size_t(i)] = static_cast<float>(sum / n);
        if (i + right + 1 < length)
            sum += line[(i + right + 1) * stride];
        if (i - left >= 0)
            sum -= line[(i - left) * stride];
    }
    for (int i = 0; i < length; ++i)
        line[i * stride] = scratch[size_t(i)];
}

// A blur of size n (device pixels) averages a box centred on each pixel, of the odd width
// n or n - 1: 2 leaves the picture sharp, 4 spreads an edge over three pixels.
int boxWidth(double size) {
    const int n = std::max(1, int(std::lround(size)));
    return n % 2 == 1 ? n : n - 1;
}

void blur(Plane& p, double sizeX, double sizeY, int passes) {
    const int nx = boxWidth(sizeX);
    const int ny = boxWidth(sizeY);
    std::vector<float> scratch;
    for (int pass = 0; pass < passes; ++pass) {
        if (nx > 1)
            for (int y = 0; y < p.height; ++y)
                boxLine(&p.at(0, y), p.width, 1, nx, scratch);
        if (ny > 1)
            for (int x = 0; x < p.width; ++x)
                boxLine(&p.at(x, 0), p.height, p.width, ny, scratch);
    }
}

Plane channel(const QImage& img, int shift) {
    Plane p(img.width(), img.height());
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            p.at(x, y) = float((line[x] >> shift) & 0xff) / 255.f;
    }
    return p;
}

// The plane moved by (dx, dy) whole pixels; what comes in from outside is `outside`.
Plane shifted(const Plane& p, int dx, int dy, float outside) {
    Plane out(p.width, p.height);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            out.at(x, y) = p.get(x - dx, y - dy, outside);
    return out;
}

std::uint8_t byte(float v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v * 255.f), 0L, 255L));
}

struct Premul {
    float r = 0, g = 0, b = 0, a = 0;
};

Premul premul(const QColor& c, float coverage) {
    const float a = float(c.alphaF()) * coverage;
    return {float(c.redF()) * a, float(c.greenF()) * a, float(c.blueF()) * a, a};
}

Premul gradientAt(const std::vector<std::pair<double, QColor>>& stops, float t) {
    if (stops.empty())
        return {};
    if (t <= stops.front().first)
        return premul(stops.front().second, 1);
    for (size_t i = 1; i < stops.size(); ++i)
        if (t <= stops[i].first) {
            const auto& [r0, c0] = stops[i - 1];
            const auto& [r1, c1] = stops[i];
            const float k = r1 > r0 ? float((t - r0) / (r1 - r0)) : 1.f;
            const Premul a = premul(c0, 1), b = premul(c1, 1);
            return {a.r + (b.r - a.r) * k, a.g + (b.g - a.g) * k, a.b + (b.b - a.b) * k,
                    a.a + (b.a - a.a) * k};
        }
    return premul(stops.back().second, 1);
}

enum class Side { Outer, Inner, Full };

// Puts an effect (premultiplied colour per pixel) together with the object whose alpha
// is objectAlpha: under it (outer), over it inside its shape (inner), over it everywhere
// (full), or alone (knockout, hidden object).
template <class EffectAt>
void composite(QImage& img, const Filter& f, const Plane& objectAlpha, EffectAt effectAt,
               Side side) {
    const bool inner = side != Side::Outer;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const float oa = objectAlpha.get(x, y, 0);
            Premul e = effectAt(x, y);
            if (side == Side::Inner) { // only where the object is
                e.r *= oa, e.g *= oa, e.b *= oa, e.a *= oa;
            } else if (side == Side::Outer && f.knockout) { // only where it is not
                e.r *= 1 - oa, e.g *= 1 - oa, e.b *= 1 - oa, e.a *= 1 - oa;
            }
            const QRgb o = line[x];
            const Premul obj{qRed(o) / 255.f, qGreen(o) / 255.f, qBlue(o) / 255.f, oa};
            Premul out;
            if (f.knockout || f.hideObject)
                out = e;
            else if (inner) // effect over the object
                out = {e.r + obj.r * (1 - e.a), e.g + obj.g * (1 - e.a), e.b + obj.b * (1 - e.a),
                       side == Side::Inner ? obj.a : e.a + obj.a * (1 - e.a)};
            else // object over the effect
                out = {obj.r + e.r * (1 - obj.a), obj.g + e.g * (1 - obj.a),
                       obj.b + e.b * (1 - obj.a), obj.a + e.a * (1 - obj.a)};
            const std::uint8_t a = byte(out.a);
            line[x] = qRgba(std::min(byte(out.r), a), std::min(byte(out.g), a),
                            std::min(byte(out.b), a), a);
        }
    }
}

void blurImage(QImage& img, const Filter& f, double scale) {
    Plane planes[4] = {channel(img, 24), channel(img, 16), channel(img, 8), channel(img, 0)};
    for (Plane& p : planes)
        blur(p, f.blurX * scale, f.blurY * scale, f.passes);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const std::uint8_t a = byte(planes[0].at(x, y));
            line[x] =
                qRgba(std::min(byte(planes[1].at(x, y)), a), std::min(byte(planes[2].at(x, y)), a),
                      std::min(byte(planes[3].at(x, y)), a), a);
        }
    }
}

QPoint offsetOf(const Filter& f, double scale) {
    return QPoint(int(std::lround(std::cos(f.angle) * f.distance * scale)),
                  int(std::lround(std::sin(f.angle) * f.distance * scale)));
}

void shadowOrGlow(QImage& img, const Filter& f, double scale) {
    const Plane alpha = channel(img, 24);
    const QPoint d = f.kind == Filter::DropShadow || f.kind == Filter::GradientGlow
                         ? offsetOf(f, scale)
                         : QPoint();
    // Inner effects grow from the outside in: the object's absence casts them.
    Plane s = shifted(alpha, d.x(), d.y(), f.inner ? 1.f : 0.f);
    if (f.inner)
        for (float& v : s.v)
            v = 1 - v;
    blur(s, f.blurX * scale, f.blurY * scale, std::max(1, f.passes));
    for (float& v : s.v)
        v = std::min(1.f, v * float(f.strength));
    if (f.kind == Filter::GradientGlow)
        composite(
            img, f, alpha, [&](int x, int y) { return gradientAt(f.gradient, s.at(x, y)); },
            f.inner ? Side::Inner : Side::Outer);
    else
        composite(
            img, f, alpha, [&](int x, int y) { return premul(f.color, s.at(x, y)); },
            f.inner ? Side::Inner : Side::Outer);
}

void bevel(QImage& img, const Filter& f, double scale) {
    const Plane alpha = channel(img, 24);
    const QPoint d = offsetOf(f, scale);
    Plane lit = shifted(alpha, -d.x(), -d.y(), 0), dark = shifted(alpha, d.x(), d.y(), 0);
    blur(lit, f.blurX * scale, f.blurY * scale, std::max(1, f.passes));
    blur(dark, f.blurX * scale, f.blurY * scale, std::max(1, f.passes));
    const Side side = f.onTop ? Side::Full : f.inner ? Side::Inner : Side::Outer;
    composite(
        img, f, alpha,
        [&](int x, int y) {
            const float v =
                std::clamp((lit.at(x, y) - dark.at(x, y)) * float(f.strength), -1.f, 1.f);
            if (f.kind == Filter::GradientBevel)
                return gradientAt(f.gradient, 0.5f + v / 2);
            return v > 0 ? premul(f.highlight, v) : premul(f.color, -v);
        },
        side);
}

void colorMatrix(QImage& img, const Filter& f) {
    const auto& m = f.colorMatrix;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = qUnpremultiply(line[x]);
            const double in[4] = {double(qRed(c)), double(qGreen(c)), double(qBlue(c)),
                                  double(qAlpha(c))};
            int out[4];
            for (int row = 0; row < 4; ++row) {
                const double* k = &m[size_t(row) * 5];
                const double v = k[0] * in[0] + k[1] * in[1] + k[2] * in[2] + k[3] * in[3] + k[4];
                out[row] = int(std::clamp(std::lround(v), 0L, 255L));
            }
            line[x] = qPremultiply(qRgba(out[0], out[1], out[2], out[3]));
        }
    }
}

void convolution(QImage& img, const Filter& f) {
    // A budget of multiply-adds keeps a large matrix over a large picture bounded.
    constexpr long long maxTaps = 64LL * 1024 * 1024;
    if (f.matrixX <= 0 || f.matrixY <= 0 || int(f.matrix.size()) != f.matrixX * f.matrixY ||
        static_cast<long long>(img.width()) * img.height() * f.matrixX * f.matrixY > maxTaps)
        return;
    const QImage src = img.convertToFormat(QImage::Format_ARGB32); // straight colours
    const QRgb fallback = f.defaultColor.rgba();
    const double divisor = f.divisor == 0 ? 1 : f.divisor;
    auto pixel = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= src.width() || y >= src.height()) {
            if (!f.clamp)
                return fallback;
            x = std::clamp(x, 0, src.width() - 1);
            y = std::clamp(y, 0, src.height() - 1);
        }
        return reinterpret_cast<const QRgb*>(src.constScanLine(y))[x];
    };
    const int cx = f.matrixX / 2, cy = f.matrixY / 2;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < f.matrixY; ++j)
                for (int i = 0; i < f.matrixX; ++i) {
                    const double k = f.matrix[size_t(j * f.matrixX + i)];
                    const QRgb c = pixel(x + i - cx, y + j - cy);
                    sum[0] += k * qRed(c), sum[1] += k * qGreen(c), sum[2] += k * qBlue(c);
                    sum[3] += k * qAlpha(c);
                }
            auto out = [&](int i) {
                return int(std::clamp(std::lround(sum[i] / divisor + f.bias), 0L, 255L));
            };
            const int a = f.preserveAlpha ? qAlpha(pixel(x, y)) : out(3);
            line[x] = qPremultiply(qRgba(out(0), out(1), out(2), a));
        }
    }
}

// Planes a filter walks over the picture, each pass counted; the unit of the work budget.
long long planePasses(const Filter& f) {
    const long long passes = std::max(1, f.passes);
    switch (f.kind) {
    case Filter::Blur:
        return 4 * passes;
    case Filter::DropShadow:
    case Filter::Glow:
    case Filter::GradientGlow:
        return passes + 1;
    case Filter::Bevel:
    case Filter::GradientBevel:
        return 2 * passes + 1;
    case Filter::ColorMatrix:
        return 1;
    case Filter::Convolution:
        return std::max(1, f.matrixX * f.matrixY);
    }
    return 1;
}

} // namespace

long long applyFilters(QImage& picture, const FilterList& filters, double scale) {
    // Beyond this the planes a filter works on would take hundreds of megabytes.
    constexpr long long maxFilteredPixels = 4LL * 1024 * 1024;
    // A list of up to 255 filters, each of 15 passes, could otherwise take minutes on one
    // picture. A filter over the budget runs with fewer passes (a wide blur looks alike
    // after a few); once not even one pass fits, the rest are left out.
    constexpr long long maxWork = 64LL * 1024 * 1024;
    const long long pixels = static_cast<long long>(picture.width()) * picture.height();
    if (picture.isNull() || picture.format() != QImage::Format_ARGB32_Premultiplied ||
        pixels > maxFilteredPixels || !std::isfinite(scale) || scale <= 0)
        return 0;
    long long work = 0;
    for (const Filter& listed : filters) {
        Filter f = listed;
        while (f.passes > 1 && work + pixels * planePasses(f) > maxWork)
            --f.passes;
        const long long cost = pixels * planePasses(f);
        if (work + cost > maxWork)
            break;
        work += cost;
        switch (f.kind) {
        case Filter::Blur:
            if (f.passes > 0)
                blurImage(picture, f, scale);
            break;
        case Filter::DropShadow:
        case Filter::Glow:
        case Filter::GradientGlow:
            shadowOrGlow(picture, f, scale);
            break;
        case Filter::Bevel:
        case Filter::GradientBevel:
            bevel(picture, f, scale);
            break;
        case Filter::ColorMatrix:
            colorMatrix(picture, f);
            break;
        case Filter::Convolution:
            convolution(picture, f);
            break;
        }
    }
    return work;
}

} // namespace reelcase::swf
