#pragma once

#include <QByteArray>

namespace reelcase::democache {

// A painted landscape (a JPEG with shared tables, as old tools stored photographs) under a
// slow pan and zoom, with translucent lossless clouds drifting over it.
QByteArray landscapeMovie();

// A poem shown line by line in text fields (installed Chinese fonts) over a night sky,
// each line fading in, with a title in the text fields' HTML.
QByteArray poemMovie();

} // namespace reelcase::democache
