#include "swf/video/video_picture.h"

#include "swf/bitmaps/bitmap_character.h"

#include <QPainter>

#include <atomic>

namespace reelcase::swf {

void drawVideoImage(const DrawArgs& args, const QImage& picture, QSizeF area, bool smoothing) {
    if (picture.isNull() || area.isEmpty())
        return;
    QPainter& p = args.painter;
    QTransform toTwips;
    toTwips.scale(area.width() / picture.width(), area.height() / picture.height());
    p.setTransform(toTwips * args.matrix);
    p.setRenderHint(QPainter::SmoothPixmapTransform,
                    smoothing && args.context.quality == Quality::High);
    if (isAlphaOnly(args.cxform)) {
        p.setOpacity(p.opacity() * args.cxform.aMult);
        p.drawImage(QPointF(0, 0), picture);
    } else {
        p.drawImage(QPointF(0, 0), tintImage(picture, args.cxform));
    }
}

VideoPicture::VideoPicture(QImage picture, QRectF bounds, bool smoothing)
    : m_picture(std::move(picture))
    , m_bounds(bounds)
    , m_smoothing(smoothing) {
    static std::atomic<std::uint64_t> next{1};
    m_serial = next++;
}

void VideoPicture::draw(const DrawArgs& args) const {
    QTransform matrix = args.matrix;
    matrix.translate(m_bounds.x(), m_bounds.y());
    drawVideoImage(DrawArgs{args.painter, matrix, args.cxform, args.ratio, args.context}, m_picture,
                   m_bounds.size(), m_smoothing);
}

QPainterPath VideoPicture::outline(int) const {
    QPainterPath path;
    path.addRect(m_bounds);
    return path;
}

} // namespace reelcase::swf
