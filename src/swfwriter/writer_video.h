#pragma once

#include "swfwriter/writer.h"

#include <QSize>

// Writers for embedded video, beside writer.h.
namespace reelcase::swf::write {

// DefineVideoStream of frames frames of size pixels in codec (its SWF id), with the
// deblocking level (0-7); returns its id.
std::uint16_t defineVideoStream(SwfWriter& w, int frames, QSize size, int codec,
                                bool smoothing = false, int deblocking = 0);
// VideoFrame: the coded data of one frame of the stream.
void videoFrame(Timeline& t, std::uint16_t streamId, int frame, const QByteArray& data);

} // namespace reelcase::swf::write
