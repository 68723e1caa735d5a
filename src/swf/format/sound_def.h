#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace reelcase::swf {

// How a sound's samples are stored (DefineSound, SoundStreamHead).
enum class SoundCodec : std::uint8_t {
    PcmNative = 0, // little-endian as every authoring tool wrote it
    Adpcm = 1,
    Mp3 = 2,
    PcmLittle = 3,
    Nellymoser16k = 4,
    Nellymoser8k = 5,
    Nellymoser = 6,
    Aac = 10, // FLV files only: never in a SWF's own tags
    Speex = 11,
};

struct SoundFormat {
    SoundCodec codec = SoundCodec::PcmLittle;
    int rate = 44100; // samples per second per channel
    bool sixteenBit = true;
    bool stereo = false;

    int channels() const { return stereo ? 2 : 1; }
    // A format a SWF's sound tags may hold.
    bool known() const;
    // From the packed fields of a tag: codec (4 bits), rate code (2), size (1), type (1).
    static SoundFormat fromBits(int codec, int rateCode, int size, int type);
};

// A point of a sound's volume envelope: position in 44.1 kHz samples from the start of
// playback, levels 0..32768 per channel.
struct EnvelopePoint {
    std::uint32_t position44 = 0;
    std::uint16_t left = 32768;
    std::uint16_t right = 32768;
};

// SOUNDINFO: how StartSound plays an event sound. In and out points count 44.1 kHz samples.
struct SoundInfo {
    bool syncStop = false;       // stop every instance of the sound instead of starting it
    bool syncNoMultiple = false; // do not start it while it already plays
    std::optional<std::uint32_t> inPoint;
    std::optional<std::uint32_t> outPoint;
    int loops = 1;
    std::vector<EnvelopePoint> envelope;
};

// StartSound (by character id) and StartSound2 (by class name) on a frame.
struct StartSoundCommand {
    std::uint16_t soundId = 0;
    QString className;
    SoundInfo info;
};

// SoundStreamHead/SoundStreamHead2 of a timeline; its blocks are kept per frame.
struct StreamHead {
    SoundFormat format;
    int samplesPerBlock = 0; // as declared; the blocks' contents decide
    int latencySeek = 0;     // MP3: samples of decoder latency to skip at the start
};

// DefineButtonSound: what a button plays on each of its four transitions.
enum class ButtonTransition {
    OverUpToIdle = 0,
    IdleToOverUp = 1,
    OverUpToOverDown = 2,
    OverDownToOverUp = 3
};
struct ButtonSound {
    std::uint16_t soundId = 0; // 0: none
    SoundInfo info;
};
using ButtonSounds = std::array<ButtonSound, 4>;

} // namespace reelcase::swf
