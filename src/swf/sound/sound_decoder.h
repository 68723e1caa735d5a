#pragma once

#include "swf/format/sound_def.h"

#include <cstdint>
#include <memory>
#include <vector>

struct AVCodecContext;

namespace reelcase::swf {

// Everything the mixer makes and holds is interleaved stereo, 16 bits, at this rate.
inline constexpr int kMixRate = 44100;

// Turns one sound's coded bytes into interleaved stereo 16-bit samples at kMixRate.
// One decoder per sound or per stream: it keeps the codec's state between blocks.
class SoundDecoder {
public:
    virtual ~SoundDecoder() = default;
    // Decodes data (a whole sound, or a stream's next block) and appends the result to out.
    // Corrupt parts are passed over; false when nothing at all could be decoded.
    virtual bool decode(const char* data, std::int64_t size, std::vector<std::int16_t>& out) = 0;
    // The sound has ended: appends what the codec and the resampler still hold.
    virtual void flush(std::vector<std::int16_t>& out) = 0;
};

// A decoder for format, or null when the format is unknown or the codec is missing.
// config: what the container gives the codec besides the packets (AAC's
// AudioSpecificConfig, without which AAC is refused).
std::unique_ptr<SoundDecoder> makeSoundDecoder(const SoundFormat& format,
                                               const QByteArray& config = {});

// Gives a libavcodec codec, before it opens, what its container holds besides the packets
// (at most maxBytes of data, padded as libavcodec reads past the end); false when out of
// memory. Video decoders use it too.
bool setCodecExtradata(AVCodecContext& codec, const QByteArray& data, int maxBytes);

} // namespace reelcase::swf
