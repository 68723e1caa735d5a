#pragma once

#include "swf/format/character.h"
#include "swf/shapes/shape_records.h"

namespace reelcase::swf {

// Paints one area of a shape with a bitmap fill style. path is in shape twips (args.matrix
// maps those to device pixels); style.matrix maps bitmap pixels to shape twips. Repeating
// fills tile the bitmap; clipped fills stretch its edge pixels beyond its edges. The
// colour transform applies to each pixel (cached per bitmap; alpha-only transforms use the
// painter's opacity). Smoothing follows the fill type at high quality. A missing bitmap
// paints nothing. Leaves the painter's state as it found it.
void drawBitmapFill(const DrawArgs& args, const QPainterPath& path, const FillStyle& style);

} // namespace reelcase::swf
