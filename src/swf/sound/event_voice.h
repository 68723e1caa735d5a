#pragma once

#include "swf/format/sound_def.h"
#include "swf/sound/sound_character.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace reelcase::swf {

// Who started a sound: 0 for the movie's own frames, otherwise the address of whatever
// started it (a script's Sound object), so that it can stop and shape its own sounds.
using SoundOwner = std::uintptr_t;
// The clips around a sound's owner, innermost first: a Sound object made on any of them
// shapes the sound too.
using SoundOwners = std::vector<SoundOwner>;

// A Sound object's shaping: percentages of each source channel in each output channel
// (left to left, left to right ...) and the volume over both.
struct SoundTransform {
    double ll = 100, lr = 0, rr = 100, rl = 0;
    double volume = 100;
};

// One playing instance of an event sound.
class EventVoice {
public:
    EventVoice(int id, SoundOwner owner, SoundOwners outer, std::uint16_t soundId,
               std::shared_ptr<const SoundSamples> samples, const SoundInfo& info,
               double offsetSeconds);

    // Adds up to frames sample frames into acc (interleaved stereo floats); false once the
    // voice has ended.
    bool mixInto(float* acc, int frames, const SoundTransform& transform);

    int id() const { return m_id; }
    SoundOwner owner() const { return m_owner; }
    const SoundOwners& outerOwners() const { return m_outer; }
    std::uint16_t soundId() const { return m_soundId; }
    bool notifies = false; // report its end to whoever started it
    // Seconds into the sound (within the current loop).
    double position() const;

private:
    float envelopeLevel(bool right) const;

    int m_id;
    SoundOwner m_owner;
    SoundOwners m_outer;
    std::uint16_t m_soundId;
    std::shared_ptr<const SoundSamples> m_samples;
    std::vector<EnvelopePoint> m_envelope;
    std::int64_t m_begin = 0, m_end = 0; // sample frames played of each loop
    std::int64_t m_cursor = 0;
    std::int64_t m_elapsed = 0; // frames since the start, across loops (the envelope's clock)
    int m_loopsLeft = 1;
    std::size_t m_segment = 0; // envelope point at or before m_elapsed
};

} // namespace reelcase::swf
