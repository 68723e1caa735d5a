#include "swf/sound/stream_voice.h"

#include "swf/format/limits.h"

#include <algorithm>
#include <cmath>

namespace reelcase::swf {
namespace {

// The first two fields of an MP3 stream block: sample count and seek samples.
constexpr int kMp3BlockHeader = 4;

int lastBlockFrom(const TimelineDef& t, int from) {
    for (int f = t.frameCount() - 1; f >= from; --f)
        if (!t.frames[static_cast<std::size_t>(f)].streamBlock.isEmpty())
            return f;
    return -1;
}

} // namespace

StreamVoice::StreamVoice(const TimelineDef& timeline, int startFrame, double frameRate,
                         int maxFrames)
    : m_timeline(timeline)
    , m_startFrame(startFrame)
    , m_nextFrame(startFrame)
    , m_framesPerTimelineFrame(kMixRate / frameRate) {
    m_lastFrame = lastBlockFrom(timeline, startFrame);
    if (maxFrames >= 0)
        m_lastFrame = std::min(m_lastFrame, startFrame + maxFrames - 1);
    if (timeline.stream)
        m_decoder = makeSoundDecoder(timeline.stream->format);
    if (!m_decoder || m_lastFrame < startFrame) {
        m_ended = true;
        return;
    }
    const StreamHead& head = *timeline.stream;
    if (head.format.codec == SoundCodec::Mp3) {
        // From the start the decoder's latency goes; elsewhere the block's own seek count
        // says how many of its samples belong before this frame.
        int seek = head.latencySeek;
        const QByteArray& block = timeline.frames[static_cast<std::size_t>(startFrame)].streamBlock;
        if (startFrame > 0 && block.size() >= kMp3BlockHeader)
            seek = static_cast<std::int16_t>(std::uint8_t(block[2]) | std::uint8_t(block[3]) << 8);
        const double rate = std::max(head.format.rate, 1);
        m_skip = std::llround(std::clamp(seek, 0, 1 << 15) * (kMixRate / rate));
    }
}

void StreamVoice::refill(std::size_t wanted) {
    constexpr std::size_t cap = std::size_t(limits::maxStreamBufferFrames) * 2;
    while (m_buffer.size() - m_read < wanted && m_nextFrame <= m_lastFrame) {
        if (m_read > 0 && m_read * 2 >= m_buffer.size()) {
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(m_read));
            m_read = 0;
        }
        const QByteArray& block =
            m_timeline.frames[static_cast<std::size_t>(m_nextFrame)].streamBlock;
        ++m_nextFrame;
        const std::size_t before = m_buffer.size();
        if (block.isEmpty()) {
            // A frame without a block: its length of silence.
            m_gapCarry += m_framesPerTimelineFrame;
            const auto gap = static_cast<std::size_t>(m_gapCarry);
            m_gapCarry -= double(gap);
            m_buffer.resize(before + gap * 2, 0);
        } else {
            const bool mp3 = m_timeline.stream->format.codec == SoundCodec::Mp3;
            const qsizetype header = mp3 ? std::min<qsizetype>(kMp3BlockHeader, block.size()) : 0;
            m_decoder->decode(block.constData() + header, block.size() - header, m_buffer);
        }
        if (m_nextFrame > m_lastFrame)
            m_decoder->flush(m_buffer);
        if (m_skip > 0) {
            const auto drop =
                std::min<std::size_t>(std::size_t(m_skip) * 2, m_buffer.size() - before);
            m_buffer.erase(m_buffer.begin() + std::ptrdiff_t(before),
                           m_buffer.begin() + std::ptrdiff_t(before + drop));
            m_skip -= std::int64_t(drop / 2);
        }
        // A block whose contents lie about their length cannot flood the buffer.
        if (m_buffer.size() - m_read > cap)
            m_buffer.resize(m_read + cap);
    }
}

bool StreamVoice::mixInto(float* acc, int frames, float left, float right) {
    if (m_ended)
        return false;
    refill(std::size_t(frames) * 2);
    const int available = static_cast<int>((m_buffer.size() - m_read) / 2);
    const int n = std::min(frames, available);
    const std::int16_t* pcm = m_buffer.data() + m_read;
    for (int i = 0; i < n; ++i) {
        acc[2 * i] += pcm[2 * i] * left;
        acc[2 * i + 1] += pcm[2 * i + 1] * right;
    }
    m_read += std::size_t(n) * 2;
    m_played += n;
    if (n < frames && m_nextFrame > m_lastFrame)
        m_ended = true;
    return !m_ended;
}

} // namespace reelcase::swf
