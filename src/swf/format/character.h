#pragma once

#include "swf/format/color_transform.h"
#include "swf/format/quality.h"

#include <QPainterPath>
#include <QRectF>
#include <QTransform>

#include <cmath>
#include <cstdint>

class QImage;
class QPainter;

namespace reelcase::swf {

class DeviceFonts;
class Dictionary;
class DrawCache;
struct TimelineDef;

// What stays the same for a whole rendered frame.
struct RenderContext {
    const Dictionary* dictionary = nullptr;
    Quality quality = Quality::High;
    // Seam remedy for fills that share an edge (see shape_paths.h); off only to measure it.
    bool sealSharedEdges = true;
    // Characters that are drawn again unchanged come from a kept picture (render/raster_cache.h).
    bool rasterCache = true;
    // Device pixels per twip of the stage (for lines that do not scale with their object).
    double stageScale = 1.0 / 20.0;
    // Draws left in this frame (limits::maxDrawsPerFrame); counted down by the renderer.
    mutable int drawBudget = 0;
    // Installed fonts for device text; null uses the default mapping.
    const DeviceFonts* fonts = nullptr;
    // The player's store of what drawing derives from definitions; null makes it afresh.
    DrawCache* cache = nullptr;
};

// One draw of one placed character.
struct DrawArgs {
    QPainter& painter;
    QTransform matrix;     // character twips -> device pixels (includes the painter's own)
    ColorTransform cxform; // accumulated from the root down
    int ratio = 0;         // PlaceObject ratio (morph shapes), 0..65535
    const RenderContext& context;
};

// A defined character of the dictionary: shape, morph shape, sprite, bitmap, font, text ...
// Characters are immutable once parsed and shared between threads; what drawing derives
// from them and keeps goes into RenderContext::cache, which belongs to one player.
class Character {
public:
    virtual ~Character() = default;
    // Bounds in the character's own twips.
    virtual QRectF bounds() const = 0;
    // Draws the character. The painter's state (transform, brush, pen, composition mode)
    // may be changed; the caller saves and restores it.
    virtual void draw(const DrawArgs& args) const = 0;
    // Where drawing under toDevice can paint, in device pixels: the bounds, plus whatever
    // reaches past them (strokes wider than the bounds allow for, lines that keep their
    // width in stage pixels). stageScale: device pixels per stage twip.
    virtual QRectF paintedArea(const QTransform& toDevice, double stageScale) const {
        (void)stageScale;
        return toDevice.mapRect(bounds());
    }
    // The area the character covers, in its own twips, for use as a mask (clip depth).
    virtual QPainterPath outline(int ratio) const {
        (void)ratio;
        return {};
    }
    // Whether the point (own twips) lies on what the character paints: inside its outline,
    // or its box when it has none (text, bitmaps).
    virtual bool hits(QPointF point, int ratio) const {
        const QPainterPath area = outline(ratio);
        return area.isEmpty() ? bounds().contains(point) : outlineHolds(area, point);
    }
    // Flash counts the edges strictly left of the point, so a point on a left edge or a
    // corner is outside; Qt counts an edge through the point as well.
    static bool outlineHolds(const QPainterPath& area, QPointF point) {
        return area.contains(QPointF(std::nextafter(point.x(), -INFINITY), point.y()));
    }
    // Sprites own a timeline; everything else returns null.
    virtual const TimelineDef* timeline() const { return nullptr; }
    // Bitmaps return their decoded image (straight or premultiplied ARGB32); others null.
    virtual const QImage* image() const { return nullptr; }
};

} // namespace reelcase::swf
