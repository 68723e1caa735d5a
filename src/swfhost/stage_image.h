#pragma once

#include "swf/player/player.h"

#include <QImage>
#include <QSize>

namespace reelcase::swfhost {

struct StageImageOptions {
    swf::Quality quality = swf::Quality::High;
    double scale = 1.0; // output pixels per stage pixel, when no viewport is given
    QSize viewport;     // when valid: the picture's size, the stage stretched to fill it
};

// Draws the player's current frame as an opaque picture. Null with error set when the
// picture would be empty or too large, or memory runs out.
QImage renderStage(const swf::Player& player, const StageImageOptions& options, QString* error);

// Parses "low", "medium" or "high" (any case).
std::optional<swf::Quality> qualityFromName(const QString& name);

} // namespace reelcase::swfhost
