#pragma once

#include "swf/format/character.h"

#include <QRect>

#include <cstdint>
#include <vector>

namespace reelcase::swf {

class TimelineInstance;

// What one object contributes to a frame: a key that changes whenever anything it draws
// changes (character, matrix, colour transform, ratio, blend mode, and for a mask or a
// blended group everything inside it) and the device area it draws into.
struct DrawRecord {
    std::uint64_t key = 0;
    QRectF bounds;
};

// The records of a display list in drawing order; matrix maps its twips to device pixels.
// Masks with what they mask, and groups composited as one, make one record each.
std::vector<DrawRecord> collectDrawRecords(const TimelineInstance& root, const QTransform& matrix,
                                           const RenderContext& context);

// The device areas where two frames' records differ: both the old and the new bounds of
// each record that changed, appeared or went.
std::vector<QRectF> changedAreas(const std::vector<DrawRecord>& before,
                                 const std::vector<DrawRecord>& after);

// Whole-pixel rectangles inside within that cover areas (grown by a pixel for
// anti-aliasing), merged where that costs little, at most maxRects of them.
std::vector<QRect> coveringRects(const std::vector<QRectF>& areas, const QRect& within,
                                 int maxRects);

} // namespace reelcase::swf
