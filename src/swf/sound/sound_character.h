#pragma once

#include "swf/format/character.h"
#include "swf/format/sound_def.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace reelcase::swf {

// Interleaved stereo 16-bit samples at the mixer's rate.
using SoundSamples = std::vector<std::int16_t>;

// DefineSound: the coded bytes as stored (for saving the sound) and the samples decoded
// while the movie is read (null when they could not be decoded or the movie's budget for
// decoded sound ran out). Draws nothing.
class SoundCharacter : public Character {
public:
    SoundCharacter(SoundFormat format, std::uint32_t declaredSamples, QByteArray coded,
                   std::shared_ptr<const SoundSamples> samples)
        : m_format(format)
        , m_declaredSamples(declaredSamples)
        , m_coded(std::move(coded))
        , m_samples(std::move(samples)) {}
    QRectF bounds() const override { return {}; }
    void draw(const DrawArgs&) const override {}

    const SoundFormat& format() const { return m_format; }
    std::uint32_t declaredSamples() const { return m_declaredSamples; }
    // For MP3 the two-byte seek field comes first, then the frames.
    const QByteArray& coded() const { return m_coded; }
    const std::shared_ptr<const SoundSamples>& samples() const { return m_samples; }
    // Length at the mixer's rate, in sample frames.
    std::int64_t frames() const { return m_samples ? std::int64_t(m_samples->size() / 2) : 0; }

private:
    SoundFormat m_format;
    std::uint32_t m_declaredSamples = 0;
    QByteArray m_coded;
    std::shared_ptr<const SoundSamples> m_samples;
};

// Decodes a DefineSound's data, at most limits::maxSoundSeconds and maxBytes of samples;
// null when nothing decodes.
std::shared_ptr<const SoundSamples>
decodeEventSound(const SoundFormat& format, const QByteArray& coded, std::int64_t maxBytes);

// Decodes a container's sound packet by packet through one decoder (ADPCM and AAC start
// each packet afresh; MP3 frames may run on from one packet into the next), at most
// limits::maxSoundSeconds and maxBytes of samples; null when nothing decodes. config:
// AAC's AudioSpecificConfig.
std::shared_ptr<const SoundSamples> decodeSoundPackets(const SoundFormat& format,
                                                       const QByteArray& config,
                                                       std::span<const QByteArray> packets,
                                                       std::int64_t maxBytes);

} // namespace reelcase::swf
