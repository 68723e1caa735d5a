#include "swf/bitmaps/bitmap_character.h"

#include <QPainter>

#include <algorithm>

namespace reelcase::swf {

namespace {

constexpr double kTwipsPerPixel = 20;
constexpr std::size_t kTintCacheSize = 4;

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

QImage BitmapCharacter::tinted(const ColorTransform& cx) const {
    if (cx.isIdentity())
        return m_image;
    std::lock_guard lock(m_tintMutex);
    const auto found = std::find_if(m_tints.begin(), m_tints.end(),
                                    [&](const auto& entry) { return entry.first == cx; });
    if (found != m_tints.end()) {
        m_tints.splice(m_tints.begin(), m_tints, found);
        return m_tints.front().second;
    }
    m_tints.emplace_front(cx, tintImage(m_image, cx));
    if (m_tints.size() > kTintCacheSize)
        m_tints.pop_back();
    return m_tints.front().second;
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
        p.drawImage(QPointF(0, 0), tinted(args.cxform));
    }
}

} // namespace reelcase::swf
