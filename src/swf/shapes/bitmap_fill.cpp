#include "swf/shapes/bitmap_fill.h"

#include "swf/bitmaps/bitmap_character.h"
#include "swf/format/dictionary.h"

#include <QPainter>

#include <cmath>

namespace reelcase::swf {

namespace {

// Stretches the edge rows, columns and corner pixels of image over the parts of area (in
// image pixels) that lie outside the image.
void drawClampedEdges(QPainter& p, const QImage& image, const QRectF& area) {
    const double w = image.width();
    const double h = image.height();
    const double left = std::min(0.0, area.left());
    const double top = std::min(0.0, area.top());
    const double right = std::max(w, area.right());
    const double bottom = std::max(h, area.bottom());
    const int lastX = image.width() - 1;
    const int lastY = image.height() - 1;
    auto stretch = [&](QRectF target, QRect source) {
        if (target.width() > 0 && target.height() > 0)
            p.drawImage(target, image, source);
    };
    stretch(QRectF(left, 0, -left, h), QRect(0, 0, 1, image.height()));
    stretch(QRectF(w, 0, right - w, h), QRect(lastX, 0, 1, image.height()));
    stretch(QRectF(0, top, w, -top), QRect(0, 0, image.width(), 1));
    stretch(QRectF(0, h, w, bottom - h), QRect(0, lastY, image.width(), 1));
    stretch(QRectF(left, top, -left, -top), QRect(0, 0, 1, 1));
    stretch(QRectF(w, top, right - w, -top), QRect(lastX, 0, 1, 1));
    stretch(QRectF(left, h, -left, bottom - h), QRect(0, lastY, 1, 1));
    stretch(QRectF(w, h, right - w, bottom - h), QRect(lastX, lastY, 1, 1));
}

} // namespace

void drawBitmapFill(const DrawArgs& args, const QPainterPath& path, const FillStyle& style) {
    const Dictionary* dictionary = args.context.dictionary;
    const Character* character = dictionary ? dictionary->character(style.bitmapId) : nullptr;
    const QImage* source = style.image ? style.image.get()
                           : character ? character->image()
                                       : nullptr;
    if (!source || source->isNull())
        return;
    bool invertible = false;
    const QTransform toImage = style.matrix.inverted(&invertible);
    if (!invertible)
        return;

    const bool alphaOnly = isAlphaOnly(args.cxform);
    QImage image;
    if (alphaOnly)
        image = *source;
    else
        image = tintedImage(*source, args.cxform, args.context.cache);

    QPainter& p = args.painter;
    p.save();
    p.setTransform(args.matrix);
    p.setRenderHint(QPainter::SmoothPixmapTransform,
                    style.isSmoothed() && args.context.quality == Quality::High);
    if (alphaOnly)
        p.setOpacity(p.opacity() * args.cxform.aMult);

    const QRectF imageRect(0, 0, image.width(), image.height());
    const QRectF area = toImage.mapRect(path.boundingRect());
    // Within half a pixel of the image a tiled brush and a clamped one look the same, and
    // the brush keeps the path's edges anti-aliased: the common case of a bitmap placed as
    // a rectangle of its own size.
    if (style.isRepeating() || imageRect.adjusted(-0.5, -0.5, 0.5, 0.5).contains(area)) {
        QBrush brush(image);
        brush.setTransform(style.matrix);
        p.setPen(Qt::NoPen);
        p.fillPath(path, brush);
    } else {
        p.setClipPath(path, Qt::IntersectClip);
        p.setTransform(style.matrix * args.matrix);
        p.drawImage(QPointF(0, 0), image);
        drawClampedEdges(p, image, area);
    }
    p.restore();
}

} // namespace reelcase::swf
