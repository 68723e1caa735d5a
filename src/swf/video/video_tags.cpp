#include "swf/video/video_tags.h"

#include "swf/format/movie.h"
#include "swf/format/tag_table.h"
#include "swf/video/video_stream.h"

namespace reelcase::swf {
namespace {

enum : int { DefineVideoStream = 60, VideoFrame = 61 };

void defineVideoStream(TagContext& c) {
    BitReader& r = c.body;
    const std::uint16_t id = r.u16();
    const int frames = r.u16();
    const int width = r.u16();
    const int height = r.u16();
    r.ub(4); // reserved
    const int deblocking = int(r.ub(3));
    const bool smoothing = r.flag();
    const int codec = r.u8();
    if (!r.ok() || c.movie.dictionary.character(id))
        return;
    c.movie.dictionary.define(
        id, std::make_shared<VideoStream>(frames, width, height, codec, smoothing, deblocking));
}

void videoFrame(TagContext& c) {
    BitReader& r = c.body;
    const std::uint16_t id = r.u16();
    const int frame = r.u16();
    // The stream is not shared yet: the movie is still being read on this thread.
    auto stream = std::const_pointer_cast<VideoStream>(
        std::dynamic_pointer_cast<const VideoStream>(c.movie.dictionary.shared(id)));
    if (!r.ok() || !stream)
        return;
    stream->addFrame(frame, QByteArray(r.data() + r.position(), r.remaining()));
    r.skip(r.remaining());
}

} // namespace

void registerVideoTags(TagTable& table) {
    table.add(DefineVideoStream, defineVideoStream, true);
    table.add(VideoFrame, videoFrame);
}

} // namespace reelcase::swf
