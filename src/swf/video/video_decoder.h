#pragma once

#include <QByteArray>
#include <QImage>

#include <memory>

namespace reelcase::swf {

// The codecs a SWF's embedded video or an FLV file names (their codec ids).
enum class VideoCodec {
    SorensonH263 = 2,
    ScreenVideo = 3,
    Vp6 = 4,
    Vp6Alpha = 5,
    ScreenVideo2 = 6,
    H264 = 7,
};

bool isKnownVideoCodec(int codecId);

// Turns one stream's packets, in order, into pictures through libavcodec. A decoder keeps
// the state between packets that the codec needs (frames predicted from earlier ones).
class VideoDecoder {
public:
    virtual ~VideoDecoder() = default;
    // Decodes one packet; the picture it completes (premultiplied ARGB32), or a null image
    // when the packet is broken or completes none.
    virtual QImage decode(const QByteArray& packet) = 0;
    // Forgets every earlier packet (before decoding from a key frame again).
    virtual void reset() = 0;
};

// A decoder for codec, or null when libavcodec has none for it. extradata: what the
// container gives the codec besides the packets (H.264's configuration record).
std::unique_ptr<VideoDecoder> makeVideoDecoder(VideoCodec codec, const QByteArray& extradata = {});

} // namespace reelcase::swf
