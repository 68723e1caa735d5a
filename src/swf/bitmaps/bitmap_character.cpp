#include "swf/bitmaps/bitmap_character.h"

#include "swf/format/draw_cache.h"

#include <QPainter>

#include <algorithm>

namespace reelcase::swf {

namespace {

constexpr double kTwipsPerPixel = 20;

} // namespace

bool isAlphaOnly(const ColorTransform& cx) {
    return cx.rMult == 1 && cx.gMult == 1 && cx.bMult == 1 && cx.rAdd == 0 && cx.gAdd == 0 &&
           cx.bAdd == 0 && cx.aAdd == 0 && cx.aMult >= 0 && cx.aMult <= 1;
}

QImage tintImage(const QImage& source, const ColorTransform& cx) {
    QImage out = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = qPremultiply(cx.apply(qUnpremultiply(line[x])));
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
