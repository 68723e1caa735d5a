#pragma once

#include "swf/format/color_transform.h"
#include "swf/shapes/shape_records.h"

#include <QBrush>

namespace reelcase::swf {

class Dictionary;

// The brush that paints a fill style in shape twips, its colours passed through cxform.
// Bitmap fills take their image from the dictionary; a missing image paints nothing
// (Qt::NoBrush).
QBrush fillBrush(const FillStyle& style, const ColorTransform& cxform, const Dictionary* dict);

} // namespace reelcase::swf
