#include "swf/sound/sound_character.h"

#include "swf/format/limits.h"
#include "swf/sound/sound_decoder.h"

#include <algorithm>

namespace reelcase::swf {

namespace {

// How many sample values (two a stereo frame) a decoded sound may hold.
std::size_t capValues(std::int64_t maxBytes) {
    const std::int64_t cap =
        std::min<std::int64_t>(maxBytes, std::int64_t(limits::maxSoundSeconds) * kMixRate * 4);
    return static_cast<std::size_t>(std::max<std::int64_t>(cap / 2, 0));
}

// Flushes the decoder into samples unless they are full, then cuts them to the cap.
std::shared_ptr<const SoundSamples> finish(SoundDecoder& decoder,
                                           std::shared_ptr<SoundSamples> samples, std::size_t cap) {
    if (samples->size() < cap)
        decoder.flush(*samples);
    if (samples->size() > cap)
        samples->resize(cap & ~std::size_t(1));
    if (samples->empty())
        return nullptr;
    samples->shrink_to_fit();
    return samples;
}

// Decodes one piece of coded sound, appending to samples until they hold cap values.
void decodeInto(SoundDecoder& decoder, const SoundFormat& format, const char* data,
                std::int64_t size, SoundSamples& samples, std::size_t cap) {
    if (format.codec == SoundCodec::Adpcm || format.codec == SoundCodec::Speex ||
        format.codec == SoundCodec::Aac) {
        // One packet: cut to the most bytes the length cap can use (5 bits a sample).
        const std::int64_t most =
            std::int64_t(limits::maxSoundSeconds) * format.rate * format.channels() * 5 / 8 + 4096;
        decoder.decode(data, std::min(size, most), samples);
        return;
    }
    constexpr std::int64_t slice = 16 * 1024;
    for (std::int64_t at = 0; at < size && samples.size() < cap; at += slice)
        decoder.decode(data + at, std::min(slice, size - at), samples);
}

} // namespace

std::shared_ptr<const SoundSamples>
decodeEventSound(const SoundFormat& format, const QByteArray& coded, std::int64_t maxBytes) {
    std::unique_ptr<SoundDecoder> decoder = makeSoundDecoder(format);
    if (!decoder)
        return nullptr;
    const std::size_t cap = capValues(maxBytes);
    const char* data = coded.constData();
    std::int64_t size = coded.size();
    if (format.codec == SoundCodec::Mp3) {
        data += std::min<std::int64_t>(size, 2); // the seek field
        size = std::max<std::int64_t>(size - 2, 0);
    }
    auto samples = std::make_shared<SoundSamples>();
    decodeInto(*decoder, format, data, size, *samples, cap);
    return finish(*decoder, std::move(samples), cap);
}

std::shared_ptr<const SoundSamples> decodeSoundPackets(const SoundFormat& format,
                                                       const QByteArray& config,
                                                       std::span<const QByteArray> packets,
                                                       std::int64_t maxBytes) {
    std::unique_ptr<SoundDecoder> decoder = makeSoundDecoder(format, config);
    if (!decoder)
        return nullptr;
    const std::size_t cap = capValues(maxBytes);
    auto samples = std::make_shared<SoundSamples>();
    for (const QByteArray& packet : packets) {
        if (samples->size() >= cap)
            break;
        decodeInto(*decoder, format, packet.constData(), packet.size(), *samples, cap);
    }
    return finish(*decoder, std::move(samples), cap);
}

} // namespace reelcase::swf
