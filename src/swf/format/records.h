#pragma once

#include "swf/format/bit_reader.h"
#include "swf/format/color_transform.h"

#include <QColor>
#include <QRectF>
#include <QTransform>

namespace reelcase::swf {

// The basic records shared by many tags. Geometry stays in twips (1/20 pixel).
QRectF readRect(BitReader& r);
// MATRIX as a QTransform mapping character coordinates to parent coordinates (twips).
QTransform readMatrix(BitReader& r);
// CXFORM (withAlpha false) or CXFORMWITHALPHA (true).
ColorTransform readColorTransform(BitReader& r, bool withAlpha);
QColor readRgb(BitReader& r);
QColor readRgba(BitReader& r);

} // namespace reelcase::swf
