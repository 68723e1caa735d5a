#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace reelcase::swf {

// Rewrites the JPEG data found in SWF bitmap tags into one well-formed JPEG stream that a
// standard decoder accepts. Authoring tools split and glued JPEG streams in ways a decoder
// rejects: the erroneous header FF D9 FF D8 before the real start of image, and a tables
// stream (SOI, DQT, DHT, EOI) placed in front of an image stream (SOI, SOF, ..., EOI).
// Every end/start-of-image pair before the first scan is dropped; from the first scan on the
// data is copied as it is. Data that does not begin like a JPEG is returned unchanged, so
// PNG and GIF data pass through.
QByteArray repairJpeg(QByteArrayView data);

// DefineBits: the movie's shared JPEGTables stream followed by the tag's image stream, as
// one repaired stream. Either part may be empty.
QByteArray mergeJpegTables(QByteArrayView tables, QByteArrayView image);

} // namespace reelcase::swf
