#include "swf/render/frame_renderer.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/limits.h"
#include "swf/render/renderer.h"

#include <QPaintDevice>
#include <QPainter>
#include <QThread>

#include <cmath>

namespace reelcase::swf {
namespace {

// Below this many device pixels a second thread costs more than it saves.
constexpr long long minParallelPixels = 256LL * 1024;
// A redraw of more than this share of the picture is done as one rectangle.
constexpr double wholeShare = 0.6;
constexpr int maxRedrawRects = 8;

long long areaOf(const QRect& r) {
    return static_cast<long long>(r.width()) * r.height();
}

RenderContext frameContext(const FrameScene& scene, const QTransform& device, DrawCache& cache) {
    RenderContext context = scene.context;
    context.cache = &cache;
    context.drawBudget = limits::maxDrawsPerFrame;
    context.stageScale = std::sqrt(std::abs(device.determinant()));
    return context;
}

void setHints(QPainter& painter, Quality quality) {
    painter.setRenderHint(QPainter::Antialiasing, quality != Quality::Low);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, quality == Quality::High);
}

} // namespace

void FrameRenderer::reset() {
    m_cache.clear();
    m_picture = QImage();
    m_records.clear();
}

void FrameRenderer::draw(QPainter& painter, const FrameScene& scene, const QTransform& device,
                         const QRectF* cull) {
    const RenderContext context = frameContext(scene, device, m_cache);
    setHints(painter, context.quality);
    // Without anti-aliasing Flash fills a pixel whose centre lies on a left or top edge and
    // Qt does not; a sixty-fourth of a pixel towards the origin settles such ties its way.
    const QTransform drawn = context.quality == Quality::Low
                                 ? device * QTransform::fromTranslate(-1.0 / 64, -1.0 / 64)
                                 : device;
    renderTimeline(*scene.root, painter, drawn, ColorTransform{}, context, 0, cull);
    for (const TimelineInstance* level : scene.levels)
        renderTimeline(*level, painter, drawn, ColorTransform{}, context, 0, cull);
}

void FrameRenderer::render(QPainter& painter, const FrameScene& scene) {
    const QTransform world = painter.transform();
    const QPaintDevice* pd = painter.device();
    if (!scene.root || !scene.redrawChangedOnly || world.type() > QTransform::TxTranslate || !pd) {
        m_picture = QImage();
        painter.save();
        painter.fillRect(scene.target, scene.background);
        if (scene.root) {
            painter.setClipRect(scene.target, Qt::IntersectClip);
            painter.setClipRect(scene.toTarget.mapRect(scene.stage), Qt::IntersectClip);
            draw(painter, scene, scene.toTarget * world, nullptr);
        }
        painter.restore();
        m_cache.endFrame();
        return;
    }
    const double ratio = std::max(1.0, pd->devicePixelRatioF());
    const QRectF onDevice = world.mapRect(scene.target);
    const QRect area = QRectF(onDevice.topLeft() * ratio, onDevice.size() * ratio).toAlignedRect();
    if (area.isEmpty())
        return;
    const QPointF origin = QPointF(area.topLeft()) / ratio; // picture's top-left, logical
    const QTransform device =
        scene.toTarget * world * QTransform::fromTranslate(-origin.x(), -origin.y());

    const bool whole = m_picture.size() != area.size() || m_picture.devicePixelRatio() != ratio ||
                       m_lastDevice != device || m_lastBackground != scene.background ||
                       m_lastQuality != scene.context.quality ||
                       m_lastSeal != scene.context.sealSharedEdges;
    if (whole) {
        m_picture = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
        m_picture.setDevicePixelRatio(ratio);
        m_records.clear();
    }
    m_lastDevice = device;
    m_lastBackground = scene.background;
    m_lastQuality = scene.context.quality;
    m_lastSeal = scene.context.sealSharedEdges;

    const RenderContext context = frameContext(scene, device, m_cache);
    std::vector<DrawRecord> records = collectDrawRecords(*scene.root, device, context);
    for (const TimelineInstance* level : scene.levels) {
        std::vector<DrawRecord> more = collectDrawRecords(*level, device, context);
        records.insert(records.end(), more.begin(), more.end());
    }
    const QRect all(QPoint(0, 0), area.size());
    std::vector<QRect> rects;
    if (whole) {
        rects.push_back(all);
    } else {
        std::vector<QRectF> changed = changedAreas(m_records, records);
        for (QRectF& r : changed)
            r = QRectF(r.topLeft() * ratio, r.size() * ratio);
        rects = coveringRects(changed, all, maxRedrawRects);
        long long redrawn = 0;
        for (const QRect& r : rects)
            redrawn += areaOf(r);
        if (redrawn > wholeShare * areaOf(all))
            rects = {all};
    }
    for (const QRect& r : rects)
        redraw(scene, device, r);
    m_records = std::move(records);

    painter.save();
    painter.resetTransform();
    painter.drawImage(origin, m_picture);
    painter.restore();
    m_cache.endFrame();
}

// Draws the frame again inside rect (picture pixels), in two bands on two threads when it
// is large: each band paints through its own image over the same pixels.
void FrameRenderer::redraw(const FrameScene& scene, const QTransform& device, const QRect& rect) {
    const double ratio = m_picture.devicePixelRatio();
    const QRectF stageArea = device.mapRect(scene.stage);
    auto drawBand = [&](const QRect& band) {
        QImage view(m_picture.bits() +
                        static_cast<qsizetype>(band.top()) * m_picture.bytesPerLine(),
                    m_picture.width(), band.height(), m_picture.bytesPerLine(), m_picture.format());
        view.setDevicePixelRatio(ratio);
        const double top = band.top() / ratio;
        const QRectF clip(band.left() / ratio, 0, band.width() / ratio, band.height() / ratio);
        QPainter p(&view);
        p.setClipRect(clip);
        p.fillRect(clip, scene.background);
        p.setClipRect(stageArea.translated(0, -top), Qt::IntersectClip);
        draw(p, scene, device * QTransform::fromTranslate(0, -top), &clip);
    };
    const bool split = scene.parallelTiles && areaOf(rect) >= minParallelPixels &&
                       QThread::idealThreadCount() > 1 && rect.height() >= 2;
    if (!split) {
        drawBand(rect);
        return;
    }
    const int middle = rect.top() + rect.height() / 2;
    const QRect upper(rect.left(), rect.top(), rect.width(), middle - rect.top());
    const QRect lower(rect.left(), middle, rect.width(), rect.bottom() + 1 - middle);
    if (!m_worker)
        m_worker = std::make_unique<BandWorker>();
    m_worker->runBeside([&] { drawBand(lower); }, [&] { drawBand(upper); });
}

} // namespace reelcase::swf
