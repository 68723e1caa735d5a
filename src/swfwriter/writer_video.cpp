#include "swfwriter/writer_video.h"

#include "swfwriter/bit_writer.h"

namespace reelcase::swf::write {

std::uint16_t defineVideoStream(SwfWriter& w, int frames, QSize size, int codec, bool smoothing,
                                int deblocking) {
    const std::uint16_t id = w.takeId();
    BitWriter b;
    b.u16(id);
    b.u16(static_cast<std::uint16_t>(frames));
    b.u16(static_cast<std::uint16_t>(size.width()));
    b.u16(static_cast<std::uint16_t>(size.height()));
    b.u8(static_cast<std::uint8_t>((deblocking & 7) << 1 | (smoothing ? 1 : 0)));
    b.u8(static_cast<std::uint8_t>(codec));
    w.rawTag(60, b.data());
    return id;
}

void videoFrame(Timeline& t, std::uint16_t streamId, int frame, const QByteArray& data) {
    BitWriter b;
    b.u16(streamId);
    b.u16(static_cast<std::uint16_t>(frame));
    t.rawTag(61, b.data() + data);
}

} // namespace reelcase::swf::write
