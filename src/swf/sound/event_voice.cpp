#include "swf/sound/event_voice.h"

#include "swf/sound/sound_decoder.h"

#include <algorithm>
#include <cmath>

namespace reelcase::swf {

EventVoice::EventVoice(int id, SoundOwner owner, SoundOwners outer, std::uint16_t soundId,
                       std::shared_ptr<const SoundSamples> samples, const SoundInfo& info,
                       double offsetSeconds)
    : m_id(id)
    , m_owner(owner)
    , m_outer(std::move(outer))
    , m_soundId(soundId)
    , m_samples(std::move(samples))
    , m_envelope(info.envelope) {
    const std::int64_t length = m_samples ? std::int64_t(m_samples->size() / 2) : 0;
    // In and out points count 44.1 kHz samples, the mixer's own rate.
    m_begin = std::clamp<std::int64_t>(info.inPoint.value_or(0), 0, length);
    m_end = std::clamp<std::int64_t>(info.outPoint.value_or(length), m_begin, length);
    m_loopsLeft = std::max(info.loops, 1);
    const double offset = std::isfinite(offsetSeconds) ? std::max(offsetSeconds, 0.0) : 0.0;
    m_cursor = m_begin + std::min<std::int64_t>(std::llround(std::min(offset, 1e7) * kMixRate),
                                                m_end - m_begin);
    std::stable_sort(
        m_envelope.begin(), m_envelope.end(),
        [](const EnvelopePoint& a, const EnvelopePoint& b) { return a.position44 < b.position44; });
}

float EventVoice::envelopeLevel(bool right) const {
    const auto level = [right](const EnvelopePoint& p) {
        return std::min(right ? p.right : p.left, std::uint16_t(32768)) / 32768.0f;
    };
    const EnvelopePoint& a = m_envelope[m_segment];
    if (m_elapsed <= std::int64_t(a.position44) || m_segment + 1 >= m_envelope.size())
        return level(a);
    const EnvelopePoint& b = m_envelope[m_segment + 1];
    const double span = double(b.position44) - a.position44;
    const double t = span > 0 ? (m_elapsed - double(a.position44)) / span : 1.0;
    return static_cast<float>(level(a) + (level(b) - level(a)) * std::clamp(t, 0.0, 1.0));
}

bool EventVoice::mixInto(float* acc, int frames, const SoundTransform& t) {
    if (!m_samples || m_end <= m_begin)
        return false;
    const std::int16_t* pcm = m_samples->data();
    const float v = static_cast<float>(t.volume / 100.0);
    const float ll = static_cast<float>(t.ll / 100.0) * v,
                lr = static_cast<float>(t.lr / 100.0) * v;
    const float rr = static_cast<float>(t.rr / 100.0) * v,
                rl = static_cast<float>(t.rl / 100.0) * v;
    for (int i = 0; i < frames; ++i) {
        if (m_cursor >= m_end) {
            if (--m_loopsLeft <= 0)
                return false;
            m_cursor = m_begin;
        }
        float l = pcm[2 * m_cursor], r = pcm[2 * m_cursor + 1];
        if (!m_envelope.empty()) {
            while (m_segment + 1 < m_envelope.size() &&
                   m_elapsed >= std::int64_t(m_envelope[m_segment + 1].position44))
                ++m_segment;
            l *= envelopeLevel(false);
            r *= envelopeLevel(true);
        }
        acc[2 * i] += l * ll + r * rl;
        acc[2 * i + 1] += r * rr + l * lr;
        ++m_cursor;
        ++m_elapsed;
    }
    return m_cursor < m_end || m_loopsLeft > 1;
}

double EventVoice::position() const {
    return double(m_cursor - m_begin) / kMixRate;
}

} // namespace reelcase::swf
