#include "swf/format/sound_def.h"

namespace reelcase::swf {

bool SoundFormat::known() const {
    switch (codec) {
    case SoundCodec::PcmNative:
    case SoundCodec::Adpcm:
    case SoundCodec::Mp3:
    case SoundCodec::PcmLittle:
    case SoundCodec::Nellymoser16k:
    case SoundCodec::Nellymoser8k:
    case SoundCodec::Nellymoser:
    case SoundCodec::Speex:
        return true;
    case SoundCodec::Aac:
        return false; // FLV files only
    }
    return false;
}

SoundFormat SoundFormat::fromBits(int codec, int rateCode, int size, int type) {
    static constexpr int rates[4] = {5512, 11025, 22050, 44100};
    SoundFormat f;
    f.codec = static_cast<SoundCodec>(codec);
    f.rate = rates[rateCode & 3];
    f.sixteenBit = size != 0;
    f.stereo = type != 0;
    // These codecs fix their own rate and channels whatever the flags say.
    switch (f.codec) {
    case SoundCodec::Nellymoser16k:
    case SoundCodec::Speex:
        f.rate = 16000;
        f.stereo = false;
        break;
    case SoundCodec::Nellymoser8k:
        f.rate = 8000;
        f.stereo = false;
        break;
    case SoundCodec::Nellymoser:
        f.stereo = false;
        break;
    default:
        break;
    }
    return f;
}

} // namespace reelcase::swf
