#include "swf/video/video_stream.h"

#include "swf/format/bit_reader.h"
#include "swf/format/draw_cache.h"
#include "swf/video/video_picture.h"

#include <algorithm>
#include <mutex>

namespace reelcase::swf {
namespace {

constexpr double kTwipsPerPixel = 20;
// Frames decoded for one draw at most: a jump far into a long video catches up over
// the next draws instead of stalling one.
constexpr int kMostDecodesPerDraw = 120;

// One player's decoding of one video: the decoder, the frame it last decoded and that
// frame's picture. Kept in the draw cache, so the video character itself stays immutable.
struct VideoPlayback {
    std::mutex mutex;
    std::unique_ptr<VideoDecoder> decoder;
    int decoded = -1;
    QImage picture;
};

} // namespace

bool isKeyFrame(int codecId, const QByteArray& data) {
    BitReader r(data);
    switch (static_cast<VideoCodec>(codecId)) {
    case VideoCodec::SorensonH263: {
        if (r.ub(17) != 1)
            return false;
        r.ub(5 + 8); // version, temporal reference
        const std::uint32_t size = r.ub(3);
        if (size == 0)
            r.ub(16);
        else if (size == 1)
            r.ub(32);
        return r.ok() && r.ub(2) == 0;
    }
    case VideoCodec::Vp6:
        return !data.isEmpty() && !(std::uint8_t(data[0]) & 0x80);
    case VideoCodec::Vp6Alpha:
        return data.size() > 3 && !(std::uint8_t(data[3]) & 0x80);
    default:
        return false; // decoded from the first frame on
    }
}

VideoStream::VideoStream(int frameCount, int width, int height, int codecId, bool smoothing,
                         int deblocking)
    : m_frames(static_cast<std::size_t>(std::max(frameCount, 0)))
    , m_width(width)
    , m_height(height)
    , m_codecId(codecId)
    , m_smoothing(smoothing)
    , m_deblocking(deblocking) {}

QRectF VideoStream::bounds() const {
    return QRectF(0, 0, m_width * kTwipsPerPixel, m_height * kTwipsPerPixel);
}

QPainterPath VideoStream::outline(int) const {
    QPainterPath path;
    path.addRect(bounds());
    return path;
}

void VideoStream::addFrame(int frame, QByteArray data) {
    if (frame < 0 || frame >= frameCount() || !m_frames[std::size_t(frame)].data.isEmpty())
        return;
    const bool key = frame == 0 || isKeyFrame(m_codecId, data);
    m_frames[std::size_t(frame)] = {std::move(data), key};
}

const QByteArray* VideoStream::frame(int n) const {
    if (n < 0 || n >= frameCount() || m_frames[std::size_t(n)].data.isEmpty())
        return nullptr;
    return &m_frames[std::size_t(n)].data;
}

int VideoStream::keyFrameAtOrBefore(int n) const {
    for (int i = std::min(n, frameCount() - 1); i > 0; --i)
        if (m_frames[std::size_t(i)].key)
            return i;
    return 0;
}

void VideoStream::draw(const DrawArgs& args) const {
    if (frameCount() == 0 || !isKnownVideoCodec(m_codecId))
        return;
    const int wanted = std::clamp(args.ratio, 0, frameCount() - 1);
    const auto kept = cached<std::shared_ptr<VideoPlayback>>(
        args.context.cache, this, 0, [] { return std::make_shared<VideoPlayback>(); },
        std::size_t(m_width) * m_height * 4);
    VideoPlayback* playback = kept->get();
    QImage picture;
    {
        std::lock_guard lock(playback->mutex);
        if (!playback->decoder)
            playback->decoder = makeVideoDecoder(static_cast<VideoCodec>(m_codecId),
                                                 {.shownSize = size(), .deblocking = m_deblocking});
        if (!playback->decoder)
            return;
        // Backwards, or past a key frame: start again from the key frame.
        const int key = keyFrameAtOrBefore(wanted);
        if (wanted < playback->decoded || key > playback->decoded) {
            playback->decoder->reset();
            playback->decoded = key - 1;
        }
        for (int budget = kMostDecodesPerDraw; playback->decoded < wanted && budget > 0; --budget) {
            ++playback->decoded;
            if (const QByteArray* coded = frame(playback->decoded)) {
                QImage next = playback->decoder->decode(*coded);
                if (!next.isNull())
                    playback->picture = std::move(next);
            }
        }
        picture = playback->picture;
    }
    // The picture fills the stream's declared size, whatever size the codec gave it.
    drawVideoImage(args, picture, bounds().size(), m_smoothing);
}

} // namespace reelcase::swf
