#pragma once

#include "swf/format/sound_def.h"
#include "swfwriter/writer.h"

#include <utility>
#include <vector>

// Writers for the sound tags, beside writer.h. Sample data is given as it is stored in
// the file (already coded); pcm16 makes uncompressed test tones.
namespace reelcase::swf::write {

// A sound's storage as the tags pack it: codec, rate code (0: 5.5 kHz, 1: 11, 2: 22,
// 3: 44), 16-bit samples and stereo.
struct SoundBits {
    SoundCodec codec = SoundCodec::PcmLittle;
    int rateCode = 3;
    bool sixteenBit = true;
    bool stereo = false;
};

QByteArray soundInfoBytes(const SoundInfo& info);

std::uint16_t defineSound(SwfWriter& w, const SoundBits& bits, std::uint32_t sampleCount,
                          const QByteArray& data);
void startSound(Timeline& t, std::uint16_t soundId, const SoundInfo& info = {});
void startSound2(Timeline& t, const QString& className, const SoundInfo& info = {});
// SoundStreamHead2 (or SoundStreamHead when head2 is false); LatencySeek is written for MP3.
void soundStreamHead(Timeline& t, const SoundBits& bits, int samplesPerBlock, int latencySeek = 0,
                     bool head2 = true);
void soundStreamBlock(Timeline& t, const QByteArray& body);
// An MP3 stream block's body: sample count, seek samples, then the frames.
QByteArray mp3StreamBlock(int sampleCount, int seekSamples, const QByteArray& frames);
void defineButtonSound(SwfWriter& w, std::uint16_t buttonId, const ButtonSounds& sounds);
void exportAssets(SwfWriter& w, const std::vector<std::pair<std::uint16_t, QString>>& names);

// Little-endian 16-bit samples of a sine tone (both channels alike when stereo); a
// frequency of 0 gives a constant level of amplitude.
QByteArray pcm16(double frequency, int samples, int rate, bool stereo, int amplitude = 12000);
// A silent MPEG-1 layer III frame (128 kbit/s, 44.1 kHz, stereo): a valid header and zero
// side information, 417 bytes.
QByteArray silentMp3Frame();

} // namespace reelcase::swf::write
