#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

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

// What a decoder needs to know besides the packets.
struct VideoDecoderSetup {
    // What the container gives the codec: H.264's configuration record, or the byte of an
    // FLV's VP6 packets saying how many pixels to cut off the right (high four bits) and
    // the bottom (low four) of the whole macroblocks VP6 codes.
    QByteArray extradata{};
    // A SWF stream's declared size: VP6 pictures coded in whole macroblocks show the part
    // of this size at their top left.
    QSize shownSize{};
    // DefineVideoStream's deblocking level: 1 turns VP6's loop filter off; the others
    // filter as the stream says.
    int deblocking = 0;
};

// A decoder for codec, or null when libavcodec has none for it.
std::unique_ptr<VideoDecoder> makeVideoDecoder(VideoCodec codec,
                                               const VideoDecoderSetup& setup = {});

} // namespace reelcase::swf
