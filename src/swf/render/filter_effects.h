#pragma once

#include "swf/format/filters.h"

#include <QImage>

namespace reelcase::swf {

// Applies a filter list in order to a premultiplied ARGB32 picture of the filtered
// object. pixelsPerStagePixel scales blur sizes and distances (the stage's scale on the
// device). The picture must already have room for what the filters add around the object
// (filterReach). Cost is bounded: blur sizes are capped, each pass runs in time linear in
// the pixels whatever the size, passes are at most 15 and the whole list has a budget of
// plane passes over the picture. Returns the plane passes spent (pixels each).
long long applyFilters(QImage& picture, const FilterList& filters, double pixelsPerStagePixel);

} // namespace reelcase::swf
