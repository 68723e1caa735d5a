#include "swf/render/render_layer.h"

#include <QPaintDevice>

#include <algorithm>

namespace reelcase::swf {
namespace {

// Beyond this the layer costs more memory than a frame is worth; the caller falls back to
// drawing without one (a 4K screen at ratio 2 is 33 M pixels, a mask rarely covers it all).
constexpr long long maxLayerPixels = 16LL * 1024 * 1024;
constexpr int maxLayerSide = 8192;

} // namespace

RenderLayer::RenderLayer(QPainter& outer, const QRectF& bounds, bool cutToClip) {
    if (outer.device())
        m_ratio = std::max(1.0, outer.device()->devicePixelRatioF());
    QRectF visible = bounds;
    if (cutToClip && outer.hasClipping()) {
        outer.save();
        outer.setTransform(QTransform());
        visible &= outer.clipBoundingRect();
        outer.restore();
    }
    if (visible.isEmpty() || !visible.isValid())
        return;
    const QRect pixels =
        QRectF(visible.topLeft() * m_ratio, visible.size() * m_ratio).toAlignedRect();
    if (pixels.isEmpty())
        return;
    if (pixels.width() > maxLayerSide || pixels.height() > maxLayerSide ||
        static_cast<long long>(pixels.width()) * pixels.height() > maxLayerPixels) {
        m_state = State::TooLarge;
        return;
    }
    m_image = QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    if (m_image.isNull()) {
        m_state = State::TooLarge;
        return;
    }
    m_image.fill(Qt::transparent);
    m_image.setDevicePixelRatio(m_ratio);
    m_origin = QPointF(pixels.topLeft()) / m_ratio;
    m_painter = std::make_unique<QPainter>(&m_image);
    m_painter->setRenderHints(outer.renderHints());
    // Nested layers take their bounds from this clip.
    m_painter->setClipRect(QRectF(QPointF(0, 0), QSizeF(pixels.size()) / m_ratio));
    m_state = State::Ready;
}

RenderLayer::~RenderLayer() = default;

void RenderLayer::keepInside(const QPainterPath& path) {
    if (m_state != State::Ready)
        return;
    QImage coverage(m_image.size(), QImage::Format_ARGB32_Premultiplied);
    coverage.fill(Qt::transparent);
    coverage.setDevicePixelRatio(m_ratio);
    {
        QPainter p(&coverage);
        p.setRenderHint(QPainter::Antialiasing, m_painter->testRenderHint(QPainter::Antialiasing));
        p.setTransform(offset());
        p.fillPath(path, Qt::black);
    }
    m_painter->save();
    m_painter->resetTransform();
    m_painter->setClipping(false);
    m_painter->setCompositionMode(QPainter::CompositionMode_DestinationIn);
    m_painter->drawImage(QPointF(0, 0), coverage);
    m_painter->restore();
}

QImage& RenderLayer::finish() {
    if (m_painter && m_painter->isActive())
        m_painter->end();
    return m_image;
}

void RenderLayer::compositeInto(QPainter& outer, QPainter::CompositionMode mode, double opacity) {
    if (m_state != State::Ready)
        return;
    finish();
    outer.save();
    outer.setTransform(QTransform());
    outer.setCompositionMode(mode);
    outer.setOpacity(outer.opacity() * std::clamp(opacity, 0.0, 1.0));
    outer.drawImage(m_origin, m_image);
    outer.restore();
}

} // namespace reelcase::swf
