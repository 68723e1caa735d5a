#pragma once

#include "swf/format/character.h"
#include "swf/format/draw_cache.h"
#include "swf/render/band_worker.h"
#include "swf/render/draw_records.h"

#include <QColor>
#include <QImage>

#include <memory>
#include <vector>

namespace reelcase::swf {

class TimelineInstance;

// What one frame is drawn from.
struct FrameScene {
    const TimelineInstance* root = nullptr;
    std::vector<const TimelineInstance*> levels; // drawn over the root, lowest first
    QRectF stage;                                // twips
    QTransform toTarget;                         // stage twips -> the painter's logical coordinates
    QRectF target;                               // the area to fill, painter's logical coordinates
    QColor background;                           // also the bands outside the stage
    RenderContext context;                       // without cache: the renderer supplies its own
    bool redrawChangedOnly = true;               // keep the last frame and redraw where it changed
    bool parallelTiles = true;                   // split large redraws between threads
};

// Draws a player's frames and keeps what drawing derives from the movie (one per player).
// Frames are drawn into a kept picture where only the areas whose objects changed since the
// last frame are drawn again (each object's device bounds, before and after); the picture
// is then copied to the painter. Large areas are split into bands drawn on two threads.
// A painter that rotates or scales gets the frame drawn straight onto it.
class FrameRenderer {
public:
    void render(QPainter& painter, const FrameScene& scene);
    // Forgets the kept picture and the cache (a new movie).
    void reset();
    DrawCache& cache() { return m_cache; }

private:
    void draw(QPainter& painter, const FrameScene& scene, const QTransform& device,
              const QRectF* cull);
    void redraw(const FrameScene& scene, const QTransform& device, const QRect& area);

    DrawCache m_cache;
    QImage m_picture;    // the last frame, in the painter's device pixels
    QRect m_pictureArea; // where it lies on the device
    QTransform m_lastDevice;
    QColor m_lastBackground;
    Quality m_lastQuality = Quality::High;
    bool m_lastSeal = true;
    std::vector<DrawRecord> m_records;    // what the last frame drew
    std::unique_ptr<BandWorker> m_worker; // draws the second band, kept for its font caches
};

} // namespace reelcase::swf
