#pragma once

#include "swf/format/character.h"

namespace reelcase::swf {

// Draws a character from a picture of it kept in the context's cache, when the character
// has been drawn the same way before (same matrix but for whole device pixels of
// translation, same colour transform and ratio): things that stay still or slide by whole
// pixels cost a copy instead of filling their paths again. The picture holds the character
// drawn on transparent pixels, so anti-aliased edges may round differently by a level or
// two where fills overlap; nothing else changes. Returns false when the caller must draw it
// (first sighting, too large, or no cache).
bool drawFromRaster(const Character& character, const DrawArgs& args, const QRectF& deviceBounds);

} // namespace reelcase::swf
