#pragma once

#include "swf/script/clip_object.h"

#include <QImage>
#include <QRectF>

namespace reelcase::swf {
class Character;
class VideoStream;
} // namespace reelcase::swf

namespace reelcase::swf::avm1::builtins {

// A connection knows whether connect(null) (the only kind without a server) was made.
class ConnectionObject : public Object {
public:
    using Object::Object;
    bool connected = false;
};

// A Video object on the stage (a placed video character): the stream it shows, if any,
// and what scripts set on it.
class VideoObject : public DisplayHandle {
public:
    using DisplayHandle::DisplayHandle;
    void markChildren(Heap& heap) override;
    Object* stream = nullptr;       // a NetStream, or null
    const Character* own = nullptr; // the placed character, drawn until a frame comes
    QRectF area;                    // where frames are drawn (twips)
    bool smoothing = false;
    double deblocking = 0;
};

VideoObject* makeVideoObject(Vm& vm, const VideoStream& character);

// NetStream and Video: streams made on a NetConnection with connect(null) play FLV files
// beside the movie.
void installNetStream(Vm& vm);
// Once a frame, after the scripts: playing streams move on by the frame's time, decode
// what came due, show it in the Video objects attached and send their status events.
void advanceNetStreams(Vm& vm);
// The picture a NetStream shows now (null image before any); null when stream is none.
const QImage* streamPicture(Object* stream);

// The Video class (from SWF 6), and the picture shown in every Video object attached to
// stream.
void installVideo(Vm& vm);
void showStreamPicture(Vm& vm, Object* stream, const QImage& picture);

} // namespace reelcase::swf::avm1::builtins
