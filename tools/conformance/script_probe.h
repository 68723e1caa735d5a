#pragma once

#include <QByteArray>

namespace reelcase::conformance {

// Whether a movie carries ActionScript anywhere: frame or init actions, button actions, or
// clip event handlers on a placement, at the top level or inside a sprite. A file that
// cannot be read counts as scripted, so that it never flatters the script-free figures.
bool movieHasScripts(const QByteArray& file);

} // namespace reelcase::conformance
