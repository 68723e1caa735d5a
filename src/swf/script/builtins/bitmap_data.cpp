#include "swf/script/builtins/bitmap_data.h"

#include "swf/display/timeline_instance.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/geometry.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace reelcase::swf::avm1 {
namespace {

constexpr int maxSide = 2880; // the player's limit on each side

std::uint32_t premultiplied(std::uint32_t argb) {
    const std::uint32_t a = argb >> 24;
    if (a == 255)
        return argb;
    const auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    return (a << 24) | (scale((argb >> 16) & 0xFF) << 16) | (scale((argb >> 8) & 0xFF) << 8) |
           scale(argb & 0xFF);
}

std::uint32_t straight(std::uint32_t premul) {
    const std::uint32_t a = premul >> 24;
    if (a == 255)
        return premul;
    if (a == 0)
        return 0;
    const auto scale = [a](std::uint32_t c) {
        return std::min<std::uint32_t>(255, (c * 255 + (a - 1) / 2) / a);
    };
    return (a << 24) | (scale((premul >> 16) & 0xFF) << 16) | (scale((premul >> 8) & 0xFF) << 8) |
           scale(premul & 0xFF);
}

} // namespace

std::uint32_t BitmapDataObject::pixel(int x, int y) const {
    return straight(pixels[static_cast<std::size_t>(y) * width + x]);
}

void BitmapDataObject::setPixel(int x, int y, std::uint32_t argb) {
    if (!transparent)
        argb |= 0xFF000000u;
    pixels[static_cast<std::size_t>(y) * width + x] = premultiplied(argb);
}

QImage BitmapDataObject::image() const {
    if (disposed || pixels.empty())
        return {};
    QImage out(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * width, width,
                    reinterpret_cast<std::uint32_t*>(out.scanLine(y)));
    return out;
}

namespace builtins {
namespace {

using geometry::get;
using geometry::num;

BitmapDataObject* bitmapOf(const Value& v) {
    return dynamic_cast<BitmapDataObject*>(objectOf(v));
}

// A live bitmap, or null when v is none or disposed.
BitmapDataObject* liveBitmap(const Value& v) {
    BitmapDataObject* b = bitmapOf(v);
    return b && !b->disposed ? b : nullptr;
}

int coordinate(Vm& vm, const Value& v) {
    return toInt32(vm.toNumber(v));
}

Object* bitmapProto(Vm& vm) {
    Object* display = objectOf(vm.getMember(vm.getMember(Value(vm.global), "flash"), "display"));
    Object* ctor =
        display ? objectOf(vm.getMember(Value(display), QStringLiteral("BitmapData"))) : nullptr;
    return ctor ? objectOf(vm.getMember(Value(ctor), "prototype")) : nullptr;
}

} // namespace

BitmapDataObject* newBitmapData(Vm& vm, int width, int height, bool transparent,
                                std::uint32_t fill) {
    const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
    if (vm.heap().bytes() + bytes > vm.budgets().memoryBytes)
        vm.collectNow();
    if (vm.heap().bytes() + bytes > vm.budgets().memoryBytes)
        return nullptr;
    auto* b = vm.heap().make<BitmapDataObject>(bitmapProto(vm));
    b->width = width;
    b->height = height;
    b->transparent = transparent;
    if (!transparent)
        fill |= 0xFF000000u;
    b->pixels.assign(static_cast<std::size_t>(width) * height, premultiplied(fill));
    vm.heap().noteGrowth(bytes);
    return b;
}

namespace {

Value construct(Vm& vm, const Value&, Args args) {
    if (args.size() < 2)
        return Undefined{};
    const double w = vm.toNumber(args[0]), h = vm.toNumber(args[1]);
    if (!(w >= 1 && w <= maxSide && h >= 1 && h <= maxSide))
        return Undefined{};
    const bool transparent = args.size() > 2 ? vm.toBoolean(args[2]) : true;
    const std::uint32_t fill = args.size() > 3 ? toUint32(vm.toNumber(args[3])) : 0xFFFFFFFFu;
    BitmapDataObject* b =
        newBitmapData(vm, static_cast<int>(w), static_cast<int>(h), transparent, fill);
    return b ? Value(b) : Value(Undefined{});
}

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

// Properties: -1 once disposed.
Value widthOf(Vm&, const Value& self, Args) {
    BitmapDataObject* b = bitmapOf(self);
    return b ? Value(b->disposed ? -1.0 : double(b->width)) : Value(Undefined{});
}
Value heightOf(Vm&, const Value& self, Args) {
    BitmapDataObject* b = bitmapOf(self);
    return b ? Value(b->disposed ? -1.0 : double(b->height)) : Value(Undefined{});
}
Value transparentOf(Vm&, const Value& self, Args) {
    BitmapDataObject* b = bitmapOf(self);
    if (!b)
        return Undefined{};
    return b->disposed ? Value(-1.0) : Value(b->transparent);
}
Value rectangleOf(Vm& vm, const Value& self, Args) {
    BitmapDataObject* b = bitmapOf(self);
    if (!b)
        return Undefined{};
    if (b->disposed)
        return -1.0;
    return geometry::newRectangle(vm, 0.0, 0.0, double(b->width), double(b->height));
}

// The method's receiver when it is live and has at least `needed` arguments.
BitmapDataObject* receiver(const Value& self, Args args, std::size_t needed) {
    BitmapDataObject* b = liveBitmap(self);
    return b && args.size() >= needed ? b : nullptr;
}

Value getPixel(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 2);
    if (!b)
        return -1.0;
    const int x = coordinate(vm, args[0]), y = coordinate(vm, args[1]);
    return b->contains(x, y) ? static_cast<double>(b->pixel(x, y) & 0xFFFFFF) : 0.0;
}

Value getPixel32(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 2);
    if (!b)
        return -1.0;
    const int x = coordinate(vm, args[0]), y = coordinate(vm, args[1]);
    return b->contains(x, y) ? static_cast<double>(static_cast<std::int32_t>(b->pixel(x, y))) : 0.0;
}

Value setPixel(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 3);
    if (!b)
        return -1.0;
    const int x = coordinate(vm, args[0]), y = coordinate(vm, args[1]);
    const std::uint32_t rgb = toUint32(vm.toNumber(args[2])) & 0xFFFFFF;
    if (b->contains(x, y))
        b->setPixel(x, y, (b->pixel(x, y) & 0xFF000000u) | rgb);
    return 0.0;
}

Value setPixel32(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 3);
    if (!b)
        return -1.0;
    const int x = coordinate(vm, args[0]), y = coordinate(vm, args[1]);
    if (b->contains(x, y))
        b->setPixel(x, y, toUint32(vm.toNumber(args[2])));
    return 0.0;
}

struct Area {
    int x = 0, y = 0, w = 0, h = 0;
};

// A rectangle argument: an object with numbers for x, y, width and height.
bool areaOf(Vm& vm, const Value& v, Area& out) {
    if (!objectOf(v))
        return false;
    const double x = num(vm, v, "x"), y = num(vm, v, "y"), w = num(vm, v, "width"),
                 h = num(vm, v, "height");
    if (std::isnan(x) || std::isnan(y) || std::isnan(w) || std::isnan(h))
        return false;
    const auto clampInt = [](double d) { return static_cast<int>(std::clamp(d, -1e7, 1e7)); };
    out = {clampInt(x), clampInt(y), clampInt(w), clampInt(h)};
    return true;
}

Area clipped(const Area& a, int width, int height) {
    const int left = std::max(a.x, 0), top = std::max(a.y, 0);
    const int right = std::min(a.x + a.w, width), bottom = std::min(a.y + a.h, height);
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

void pointOf(Vm& vm, const Value& v, int& x, int& y) {
    x = coordinate(vm, get(vm, v, "x"));
    y = coordinate(vm, get(vm, v, "y"));
}

Value fillRect(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 2);
    if (!b)
        return liveBitmap(self) ? Value(-1.0) : Value(Undefined{});
    Area a;
    if (!areaOf(vm, args[0], a))
        return -4.0;
    const std::uint32_t color = toUint32(vm.toNumber(args[1]));
    const Area c = clipped(a, b->width, b->height);
    for (int y = c.y; y < c.y + c.h; ++y)
        for (int x = c.x; x < c.x + c.w; ++x)
            b->setPixel(x, y, color);
    return 0.0;
}

// The checks copying methods share: too few arguments -1, a source that is no bitmap
// -2, a disposed one -3, a rectangle that is none -4.
int sourceCheck(Vm& vm, const Value& self, Args args, std::size_t needed, BitmapDataObject*& target,
                BitmapDataObject*& source, Area& area) {
    target = receiver(self, args, needed);
    if (!target)
        return -1;
    source = bitmapOf(args[0]);
    if (!source)
        return -2;
    if (source->disposed)
        return -3;
    if (!areaOf(vm, args[1], area))
        return -4;
    return 0;
}

// The source's pixels as they were before a copy starts: copied only when the source is
// the target, so copying a small area out of a large bitmap stays cheap.
class SourcePixels {
public:
    SourcePixels(const BitmapDataObject& source, const BitmapDataObject& target)
        : m_width(source.width) {
        if (&source == &target)
            m_copy = source.pixels;
        m_pixels = &source == &target ? &m_copy : &source.pixels;
    }
    std::uint32_t at(int x, int y) const {
        return (*m_pixels)[static_cast<std::size_t>(y) * m_width + x];
    }

private:
    std::vector<std::uint32_t> m_copy;
    const std::vector<std::uint32_t>* m_pixels = nullptr;
    int m_width = 0;
};

// Visits each source pixel of area that lands inside target at destination point.
template <class Fn>
void forEachCopied(const BitmapDataObject& source, const BitmapDataObject& target, Area area,
                   int toX, int toY, Fn&& fn) {
    const Area from = clipped(area, source.width, source.height);
    toX += from.x - area.x;
    toY += from.y - area.y;
    for (int dy = 0; dy < from.h; ++dy)
        for (int dx = 0; dx < from.w; ++dx) {
            const int tx = toX + dx, ty = toY + dy;
            if (target.contains(tx, ty))
                fn(from.x + dx, from.y + dy, tx, ty);
        }
}

std::uint32_t over(std::uint32_t src, std::uint32_t dst) {
    const std::uint32_t keep = 255 - (src >> 24);
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t c = ((src >> shift) & 0xFF) + ((dst >> shift) & 0xFF) * keep / 255;
        out |= std::min<std::uint32_t>(c, 255) << shift;
    }
    return out;
}

Value copyPixels(Vm& vm, const Value& self, Args args) {
    BitmapDataObject *target = nullptr, *source = nullptr;
    Area area;
    if (int code = sourceCheck(vm, self, args, 3, target, source, area))
        return static_cast<double>(code);
    int toX = 0, toY = 0;
    pointOf(vm, args[2], toX, toY);
    // An alpha bitmap counts only with its point.
    BitmapDataObject* alpha = args.size() > 4 ? liveBitmap(args[3]) : nullptr;
    int alphaX = 0, alphaY = 0;
    if (alpha)
        pointOf(vm, args[4], alphaX, alphaY);
    const bool mergeAlpha = args.size() > 5 && vm.toBoolean(args[5]);
    const SourcePixels from(*source, *target);
    forEachCopied(*source, *target, area, toX, toY, [&](int sx, int sy, int tx, int ty) {
        std::uint32_t p = from.at(sx, sy);
        if (alpha && alpha->transparent) {
            const int ax = alphaX + sx - area.x, ay = alphaY + sy - area.y;
            const std::uint32_t a = alpha->contains(ax, ay) ? alpha->pixel(ax, ay) >> 24 : 0;
            const std::uint32_t s = straight(p);
            p = premultiplied((((s >> 24) * a >> 8) << 24) | (s & 0xFFFFFF));
        }
        std::uint32_t& d = target->pixels[static_cast<std::size_t>(ty) * target->width + tx];
        if (!target->transparent)
            d = over(p, d) | 0xFF000000u;
        else
            d = mergeAlpha ? over(p, d) : p;
    });
    return 0.0;
}

// Mixes straight colours, each channel by its multiplier (0 to 256, the source's share);
// a missing alpha multiplier takes the source's alpha whole.
Value merge(Vm& vm, const Value& self, Args args) {
    BitmapDataObject *target = nullptr, *source = nullptr;
    Area area;
    if (args.size() < 6)
        return -1.0;
    if (int code = sourceCheck(vm, self, args, 6, target, source, area))
        return static_cast<double>(code);
    int toX = 0, toY = 0;
    pointOf(vm, args[2], toX, toY);
    const auto share = [&](const Value& v) {
        return static_cast<std::uint32_t>(std::clamp(toInt32(vm.toNumber(v)), 0, 256));
    };
    const std::uint32_t mult[4] = {share(args[5]), share(args[4]), share(args[3]),
                                   args.size() > 6 ? share(args[6]) : 256};
    const SourcePixels from(*source, *target);
    forEachCopied(*source, *target, area, toX, toY, [&](int sx, int sy, int tx, int ty) {
        const std::uint32_t s = straight(from.at(sx, sy));
        const std::uint32_t d = target->pixel(tx, ty);
        std::uint32_t out = 0;
        for (int i = 0; i < 4; ++i) {
            const int shift = i * 8;
            const std::uint32_t c =
                (((s >> shift) & 0xFF) * mult[i] + ((d >> shift) & 0xFF) * (256 - mult[i])) / 256;
            out |= std::min<std::uint32_t>(c, 255) << shift;
        }
        target->setPixel(tx, ty, out);
    });
    return -1.0;
}

Value copyChannel(Vm& vm, const Value& self, Args args) {
    BitmapDataObject *target = nullptr, *source = nullptr;
    Area area;
    if (int code = sourceCheck(vm, self, args, 5, target, source, area))
        return static_cast<double>(code);
    int toX = 0, toY = 0;
    pointOf(vm, args[2], toX, toY);
    const auto shiftOf = [](std::uint32_t channel) {
        return channel == 1 ? 16 : channel == 2 ? 8 : channel == 4 ? 0 : channel == 8 ? 24 : -1;
    };
    const int fromShift = shiftOf(toUint32(vm.toNumber(args[3])));
    const int toShift = shiftOf(toUint32(vm.toNumber(args[4])));
    if (fromShift < 0 || toShift < 0)
        return 0.0;
    const SourcePixels from(*source, *target);
    forEachCopied(*source, *target, area, toX, toY, [&](int sx, int sy, int tx, int ty) {
        const std::uint32_t s = straight(from.at(sx, sy));
        const std::uint32_t v = (s >> fromShift) & 0xFF;
        const std::uint32_t d = target->pixel(tx, ty);
        target->setPixel(tx, ty, (d & ~(0xFFu << toShift)) | (v << toShift));
    });
    return 0.0;
}

// Each channel floored, as the player's bitmaps do (not rounded, as drawing does).
std::uint32_t transformed(const ColorTransform& cx, std::uint32_t argb) {
    const auto channel = [&](int shift, double mult, double add) {
        const double v = std::floor(((argb >> shift) & 0xFF) * mult + add);
        return static_cast<std::uint32_t>(std::isnan(v) ? 0 : std::clamp(v, 0.0, 255.0)) << shift;
    };
    return channel(24, cx.aMult, cx.aAdd) | channel(16, cx.rMult, cx.rAdd) |
           channel(8, cx.gMult, cx.gAdd) | channel(0, cx.bMult, cx.bAdd);
}

Value colorTransform(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 2);
    if (!b)
        return -1.0;
    Area a;
    if (!areaOf(vm, args[0], a))
        return -4.0;
    const ColorTransform* cx = geometry::colorTransformOf(args[1]);
    if (!cx)
        return -2.0;
    // The player takes a transform that only multiplies alpha for a fade, which never
    // raises alpha: a multiplier over 1 then changes nothing.
    const bool alphaOnly = cx->rMult == 1 && cx->gMult == 1 && cx->bMult == 1 && cx->rAdd == 0 &&
                           cx->gAdd == 0 && cx->bAdd == 0 && cx->aAdd == 0;
    if (alphaOnly && cx->aMult >= 1)
        return 0.0;
    const Area c = clipped(a, b->width, b->height);
    for (int y = c.y; y < c.y + c.h; ++y)
        for (int x = c.x; x < c.x + c.w; ++x)
            b->setPixel(x, y, transformed(*cx, b->pixel(x, y)));
    return 0.0;
}

// Four-way fill of the area that has the start pixel's colour; every pixel is visited
// at most once, so the cost is bounded by the bitmap's size.
Value floodFill(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 3);
    if (!b)
        return -1.0;
    const int x0 = coordinate(vm, args[0]), y0 = coordinate(vm, args[1]);
    if (!b->contains(x0, y0))
        return 0.0;
    std::uint32_t color = toUint32(vm.toNumber(args[2]));
    if (!b->transparent)
        color |= 0xFF000000u;
    const std::uint32_t was = b->pixels[static_cast<std::size_t>(y0) * b->width + x0];
    const std::uint32_t now = premultiplied(color);
    if (was == now)
        return 0.0;
    // Pixels are filled as they are queued, so each is queued once at most.
    const auto at = [b](int x, int y) -> std::uint32_t& {
        return b->pixels[static_cast<std::size_t>(y) * b->width + x];
    };
    std::vector<std::pair<int, int>> stack{{x0, y0}};
    at(x0, y0) = now;
    while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        const std::pair<int, int> next[] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
        for (const auto& [nx, ny] : next)
            if (b->contains(nx, ny) && at(nx, ny) == was) {
                at(nx, ny) = now;
                stack.emplace_back(nx, ny);
            }
    }
    return 0.0;
}

// The player's noise: a Park-Miller generator, one draw per chosen channel of each pixel
// (one for all three when grey), row by row.
Value noise(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 1);
    if (!b)
        return -1.0;
    std::int64_t seed = toInt32(vm.toNumber(args[0]));
    seed = seed <= 0 ? 1 - seed : seed;
    seed %= 2147483647;
    const int low = args.size() > 1 ? std::clamp(toInt32(vm.toNumber(args[1])), 0, 255) : 0;
    const int high = args.size() > 2 ? std::clamp(toInt32(vm.toNumber(args[2])), 0, 255) : 255;
    const std::uint32_t channels = args.size() > 3 ? toUint32(vm.toNumber(args[3])) : 7;
    const bool grey = args.size() > 4 && vm.toBoolean(args[4]);
    const auto draw = [&] {
        seed = seed * 16807 % 2147483647;
        return high >= low ? static_cast<std::uint32_t>(low + seed % (high - low + 1))
                           : static_cast<std::uint32_t>(low);
    };
    for (int y = 0; y < b->height; ++y)
        for (int x = 0; x < b->width; ++x) {
            std::uint32_t argb = 0;
            if (grey) {
                const std::uint32_t v = draw();
                argb = (v << 16) | (v << 8) | v;
            } else {
                if (channels & 1)
                    argb |= draw() << 16;
                if (channels & 2)
                    argb |= draw() << 8;
                if (channels & 4)
                    argb |= draw();
            }
            argb |= (channels & 8 ? draw() : 255) << 24;
            b->setPixel(x, y, argb);
        }
    return Undefined{};
}

// Moves the pixels; what is uncovered keeps its old pixels.
Value scroll(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 2);
    if (!b)
        return -1.0;
    const int dx = coordinate(vm, args[0]), dy = coordinate(vm, args[1]);
    const std::vector<std::uint32_t> from = b->pixels;
    for (int y = 0; y < b->height; ++y)
        for (int x = 0; x < b->width; ++x) {
            const long long sx = static_cast<long long>(x) - dx,
                            sy = static_cast<long long>(y) - dy;
            if (sx >= 0 && sy >= 0 && sx < b->width && sy < b->height)
                b->pixels[static_cast<std::size_t>(y) * b->width + x] =
                    from[static_cast<std::size_t>(sy) * b->width + static_cast<std::size_t>(sx)];
        }
    return Undefined{};
}

void storeImage(BitmapDataObject& b, const QImage& image) {
    for (int y = 0; y < b.height; ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < b.width; ++x) {
            std::uint32_t p = line[x];
            if (!b.transparent)
                p = straight(p) | 0xFF000000u;
            b.pixels[static_cast<std::size_t>(y) * b.width + x] = p;
        }
    }
}

// draw(source, matrix, colorTransform, blendMode, clipRect, smoothing): a bitmap source
// is painted here; a clip needs the drawing layer, which the player lends through
// PlayContext.
Value draw(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 1);
    if (!b)
        return -1.0;
    QTransform matrix;
    if (args.size() > 1 && geometry::matrixOf(vm, args[1], matrix))
        matrix = QTransform(matrix.m11(), matrix.m12(), matrix.m21(), matrix.m22(),
                            matrix.dx() / 20, matrix.dy() / 20);
    const ColorTransform* cx = args.size() > 2 ? geometry::colorTransformOf(args[2]) : nullptr;
    QImage picture = b->image();
    QPainter painter(&picture);
    Area clip;
    if (args.size() > 4 && areaOf(vm, args[4], clip))
        painter.setClipRect(QRect(clip.x, clip.y, clip.w, clip.h));
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          args.size() > 5 && vm.toBoolean(args[5]));
    painter.setTransform(matrix);
    if (BitmapDataObject* source = liveBitmap(args[0])) {
        QImage from = source->image();
        if (cx)
            for (int y = 0; y < source->height; ++y)
                for (int x = 0; x < source->width; ++x)
                    from.setPixel(x, y, premultiplied(transformed(*cx, source->pixel(x, y))));
        painter.drawImage(0, 0, from);
    } else if (auto clipTimeline = vm.clipOf(args[0]); clipTimeline && vm.context().drawTimeline) {
        vm.context().drawTimeline(*clipTimeline, painter,
                                  QTransform::fromScale(0.05, 0.05) * matrix,
                                  cx ? *cx : ColorTransform{});
    }
    painter.end();
    storeImage(*b, picture);
    return Undefined{};
}

// Methods this player does not carry out yet: -1 on a disposed bitmap, as the rest.
Value notYet(Vm&, const Value& self, Args) {
    return liveBitmap(self) ? Value(Undefined{}) : Value(-1.0);
}

Value cloneBitmap(Vm& vm, const Value& self, Args) {
    BitmapDataObject* b = liveBitmap(self);
    if (!b)
        return -1.0;
    BitmapDataObject* c = newBitmapData(vm, b->width, b->height, b->transparent, 0);
    if (!c)
        return Undefined{};
    c->pixels = b->pixels;
    return c;
}

Value dispose(Vm&, const Value& self, Args) {
    BitmapDataObject* b = liveBitmap(self);
    if (!b)
        return -1.0;
    b->disposed = true;
    b->width = b->height = 0;
    std::vector<std::uint32_t>().swap(b->pixels);
    return Undefined{};
}

Value getColorBoundsRect(Vm& vm, const Value& self, Args args) {
    BitmapDataObject* b = receiver(self, args, 2);
    if (!b)
        return -1.0;
    const std::uint32_t mask = toUint32(vm.toNumber(args[0]));
    const std::uint32_t color = toUint32(vm.toNumber(args[1]));
    const bool find = args.size() < 3 || vm.toBoolean(args[2]);
    int left = b->width, top = b->height, right = -1, bottom = -1;
    for (int y = 0; y < b->height; ++y)
        for (int x = 0; x < b->width; ++x)
            if (((b->pixel(x, y) & mask) == (color & mask)) == find) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return geometry::newRectangle(vm, 0.0, 0.0, 0.0, 0.0);
    return geometry::newRectangle(vm, double(left), double(top), double(right - left + 1),
                                  double(bottom - top + 1));
}

} // namespace

void installBitmapData(Vm& vm) {
    Object* flash = objectOf(vm.getMember(Value(vm.global), QStringLiteral("flash")));
    if (!flash)
        return;
    Object* display = vm.newObject();
    flash->put(QStringLiteral("display"), display);
    Object* proto = geometry::defineGeomClass(vm, display, "BitmapData", nothing, construct);
    geometry::accessor(vm, proto, "width", widthOf);
    geometry::accessor(vm, proto, "height", heightOf);
    geometry::accessor(vm, proto, "transparent", transparentOf);
    geometry::accessor(vm, proto, "rectangle", rectangleOf);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"getPixel", getPixel},
        {"getPixel32", getPixel32},
        {"setPixel", setPixel},
        {"setPixel32", setPixel32},
        {"fillRect", fillRect},
        {"copyPixels", copyPixels},
        {"merge", merge},
        {"copyChannel", copyChannel},
        {"colorTransform", colorTransform},
        {"floodFill", floodFill},
        {"clone", cloneBitmap},
        {"dispose", dispose},
        {"getColorBoundsRect", getColorBoundsRect},
        {"noise", noise},
        {"scroll", scroll}};
    for (const auto& [name, fn] : methods)
        geometry::member(vm, proto, name, fn);
    geometry::member(vm, proto, "draw", draw);
    for (const char* name : {"applyFilter", "generateFilterRect", "hitTest", "paletteMap",
                             "perlinNoise", "pixelDissolve", "threshold"})
        geometry::member(vm, proto, name, notYet);
    Object* ctor = objectOf(vm.getMember(Value(display), QStringLiteral("BitmapData")));
    vm.method(ctor, QStringLiteral("loadBitmap"), loadBitmap);
    const std::pair<const char*, double> channels[] = {
        {"RED_CHANNEL", 1}, {"GREEN_CHANNEL", 2}, {"BLUE_CHANNEL", 4}, {"ALPHA_CHANNEL", 8}};
    for (const auto& [name, value] : channels)
        ctor->put(QLatin1String(name), value);
}

} // namespace builtins
} // namespace reelcase::swf::avm1
