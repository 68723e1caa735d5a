#include "swf/render/raster_cache.h"

#include "swf/format/draw_cache.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <cmath>

namespace reelcase::swf {
namespace {

// Pictures larger than this are not kept: a copy that size costs about what filling does.
constexpr long long maxRasterPixels = 2LL * 1024 * 1024;

struct RasterKey {
    double m11, m12, m21, m22, fracX, fracY, ratio;
    ColorTransform cxform;
    int quality, seal, characterRatio, padding = 0;
};

struct Raster {
    QImage image;  // premultiplied, at the device's pixel ratio
    QPoint offset; // of its top-left from the whole-pixel part of the translation
};

} // namespace

bool drawFromRaster(const Character& character, const DrawArgs& args, const QRectF& bounds) {
    DrawCache* cache = args.context.cache;
    QPainter& painter = args.painter;
    if (!cache || !painter.device())
        return false;
    const double ratio = std::max(1.0, painter.device()->devicePixelRatioF());
    const QRect pixels = QRectF(bounds.topLeft() * ratio, bounds.size() * ratio).toAlignedRect();
    if (pixels.isEmpty() ||
        static_cast<long long>(pixels.width()) * pixels.height() > maxRasterPixels)
        return false;
    const QTransform device = args.matrix * QTransform::fromScale(ratio, ratio);
    const double wholeX = std::floor(device.dx()), wholeY = std::floor(device.dy());
    const RasterKey key{device.m11(),
                        device.m12(),
                        device.m21(),
                        device.m22(),
                        device.dx() - wholeX,
                        device.dy() - wholeY,
                        ratio,
                        args.cxform,
                        static_cast<int>(args.context.quality),
                        args.context.sealSharedEdges ? 1 : 0,
                        args.ratio};
    const std::uint64_t hash = bytesKey(key);
    // A picture is made only for what is drawn the same way in frames that follow each
    // other: what moves or changes every frame never pays for one, nor does a motion that
    // comes round again when its loop does.
    if (!cache->seenInLastFrame(&character, hash ^ 0x5bd1e995u))
        return false;
    const QPoint offset = pixels.topLeft() - QPoint(int(wholeX), int(wholeY));
    const auto raster = cache->get<Raster>(
        &character, hash,
        [&] {
            Raster r;
            r.offset = offset;
            r.image = QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied);
            r.image.fill(Qt::transparent);
            r.image.setDevicePixelRatio(ratio);
            QPainter p(&r.image);
            p.setRenderHints(painter.renderHints());
            const QTransform toImage = device *
                                       QTransform::fromTranslate(-pixels.left(), -pixels.top()) *
                                       QTransform::fromScale(1 / ratio, 1 / ratio);
            character.draw(DrawArgs{p, toImage, args.cxform, args.ratio, args.context});
            return r;
        },
        static_cast<std::size_t>(pixels.width()) * pixels.height() * 4);
    if (raster->image.isNull())
        return false;
    const QPoint at = QPoint(int(wholeX), int(wholeY)) + raster->offset;
    painter.save();
    painter.resetTransform(); // args.matrix already holds the painter's own
    painter.drawImage(QPointF(at) / ratio, raster->image);
    painter.restore();
    return true;
}

} // namespace reelcase::swf
