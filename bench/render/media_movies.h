#pragma once

#include <QByteArray>

// Generated movies for the render benchmark that stress bitmaps and text. Need a
// QGuiApplication (the text movie takes glyph outlines from an installed font).
namespace reelcase::bench {

// A panned and zoomed photograph, tiled and clipped fills, and twenty translucent sprites
// turning over it, some with a brightness tween (a new colour transform every frame).
QByteArray bitmapHeavyMovie();

// Paragraphs of wrapped device text in Chinese and Latin, HTML-styled fields, and lines
// of static text in an embedded font, scrolling and fading, 20 frames per second.
QByteArray textHeavyMovie();

} // namespace reelcase::bench
