#include "swf/bitmaps/bitmap_character.h"

#include "swf/format/draw_cache.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cstdint>

namespace reelcase::swf {

namespace {

constexpr double kTwipsPerPixel = 20;

} // namespace

bool isAlphaOnly(const ColorTransform& cx) {
    return cx.rMult == 1 && cx.gMult == 1 && cx.bMult == 1 && cx.rAdd == 0 && cx.gAdd == 0 &&
           cx.bAdd == 0 && cx.aAdd == 0 && cx.aMult >= 0 && cx.aMult <= 1;
}

QImage tintImage(const QImage& source, const ColorTransform& cx) {
    // Each channel maps on its own, so one table per channel gives every pixel the same
    // result as the transform's own arithmetic at a fraction of its cost.
    std::array<std::array<std::uint8_t, 256>, 4> table;
    for (int v = 0; v < 256; ++v) {
        const QRgb t = cx.apply(qRgba(v, v, v, v));
        table[0][v] = std::uint8_t(qRed(t));
        table[1][v] = std::uint8_t(qGreen(t));
        table[2][v] = std::uint8_t(qBlue(t));
        table[3][v] = std::uint8_t(qAlpha(t));
    }
    QImage out = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = qUnpremultiply(line[x]);
            line[x] = qPremultiply(qRgba(table[0][qRed(c)], table[1][qGreen(c)], table[2][qBlue(c)],
                                         table[3][qAlpha(c)]));
        }
    }
    return out;
}

BitmapCharacter::BitmapCharacter(QImage premultiplied)
    : m_image(std::move(premultiplied)) {}

QRectF BitmapCharacter::bounds() const {
    return QRectF(0, 0, m_image.width() * kTwipsPerPixel, m_image.height() * kTwipsPerPixel);
}

QPainterPath BitmapCharacter::outline(int) const {
    QPainterPath path;
    path.addRect(bounds());
    return path;
}

QImage tintedImage(const QImage& image, const ColorTransform& cx, DrawCache* cache) {
    if (cx.isIdentity())
        return image;
    return *cached<QImage>(
        cache, &image, bytesKey(cx), [&] { return tintImage(image, cx); },
        static_cast<std::size_t>(image.sizeInBytes()));
}

void BitmapCharacter::draw(const DrawArgs& args) const {
    QPainter& p = args.painter;
    QTransform toPixels;
    toPixels.scale(kTwipsPerPixel, kTwipsPerPixel);
    p.setTransform(toPixels * args.matrix);
    p.setRenderHint(QPainter::SmoothPixmapTransform, args.context.quality == Quality::High);
    if (isAlphaOnly(args.cxform)) {
        p.setOpacity(p.opacity() * args.cxform.aMult);
        p.drawImage(QPointF(0, 0), m_image);
    } else {
        p.drawImage(QPointF(0, 0), tintedImage(m_image, args.cxform, args.context.cache));
    }
}

} // namespace reelcase::swf
