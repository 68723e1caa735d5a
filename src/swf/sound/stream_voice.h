#pragma once

#include "swf/format/timeline_def.h"
#include "swf/sound/sound_character.h"
#include "swf/sound/sound_decoder.h"

#include <memory>

namespace reelcase::swf {

// A timeline's stream sound playing from one frame on: the blocks are decoded as the mixer
// reaches them, in frame order, whatever the picture does meanwhile. A frame without a
// block inside the stream is a frame's length of silence, so the sound keeps the
// timeline's pace; after the last block the voice ends.
class StreamVoice {
public:
    // frameRate: the movie's, sanely clamped. maxFrames limits the frames played (a single
    // step shows one frame and plays its block); negative for no limit.
    StreamVoice(const TimelineDef& timeline, int startFrame, double frameRate, int maxFrames);

    // Adds up to frames sample frames into acc; false once the stream has ended.
    bool mixInto(float* acc, int frames, float left, float right);

    int startFrame() const { return m_startFrame; }
    bool ended() const { return m_ended; }
    // Sample frames this voice has given the mix so far.
    std::int64_t framesPlayed() const { return m_played; }

private:
    void refill(std::size_t wanted);

    const TimelineDef& m_timeline;
    std::unique_ptr<SoundDecoder> m_decoder;
    int m_startFrame = 0;
    int m_nextFrame = 0;
    int m_lastFrame = -1; // the last frame whose block belongs to this play
    double m_framesPerTimelineFrame = 0;
    double m_gapCarry = 0;
    std::int64_t m_skip = 0; // decoded sample frames still to drop (decoder latency, seek)
    SoundSamples m_buffer;
    std::size_t m_read = 0; // values of m_buffer already mixed
    std::int64_t m_played = 0;
    bool m_ended = false;
};

} // namespace reelcase::swf
