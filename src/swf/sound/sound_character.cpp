#include "swf/sound/sound_character.h"

#include "swf/format/limits.h"
#include "swf/sound/sound_decoder.h"

#include <algorithm>

namespace reelcase::swf {

std::shared_ptr<const SoundSamples>
decodeEventSound(const SoundFormat& format, const QByteArray& coded, std::int64_t maxBytes) {
    std::unique_ptr<SoundDecoder> decoder = makeSoundDecoder(format);
    if (!decoder)
        return nullptr;
    const std::int64_t cap =
        std::min<std::int64_t>(maxBytes, std::int64_t(limits::maxSoundSeconds) * kMixRate * 4);
    const std::size_t capValues = static_cast<std::size_t>(std::max<std::int64_t>(cap / 2, 0));
    const char* data = coded.constData();
    std::int64_t size = coded.size();
    if (format.codec == SoundCodec::Mp3) {
        data += std::min<std::int64_t>(size, 2); // the seek field
        size = std::max<std::int64_t>(size - 2, 0);
    }
    auto samples = std::make_shared<SoundSamples>();
    if (format.codec == SoundCodec::Adpcm || format.codec == SoundCodec::Speex) {
        // One packet: cut to the most bytes the length cap can use (5 bits a sample).
        const std::int64_t most =
            std::int64_t(limits::maxSoundSeconds) * format.rate * format.channels() * 5 / 8 + 4096;
        decoder->decode(data, std::min(size, most), *samples);
    } else {
        constexpr std::int64_t slice = 16 * 1024;
        for (std::int64_t at = 0; at < size && samples->size() < capValues; at += slice)
            decoder->decode(data + at, std::min(slice, size - at), *samples);
    }
    if (samples->size() < capValues)
        decoder->flush(*samples);
    if (samples->size() > capValues)
        samples->resize(capValues & ~std::size_t(1));
    if (samples->empty())
        return nullptr;
    samples->shrink_to_fit();
    return samples;
}

} // namespace reelcase::swf
