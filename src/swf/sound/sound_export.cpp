#include "swf/sound/sound_export.h"

#include "swf/format/limits.h"
#include "swf/format/movie.h"
#include "swf/sound/sound_character.h"
#include "swf/sound/sound_decoder.h"

#include <QtEndian>

#include <algorithm>

namespace reelcase::swf {
namespace {

void put32(QByteArray& b, std::uint32_t v) {
    char le[4];
    qToLittleEndian(v, le);
    b.append(le, 4);
}
void put16(QByteArray& b, std::uint16_t v) {
    char le[2];
    qToLittleEndian(v, le);
    b.append(le, 2);
}

std::optional<ExportedSound> exportStream(const TimelineDef& timeline) {
    if (!timeline.stream)
        return std::nullopt;
    const SoundFormat& format = timeline.stream->format;
    if (format.codec == SoundCodec::Mp3) {
        QByteArray frames;
        for (const FrameDef& f : timeline.frames)
            if (f.streamBlock.size() > 4)
                frames += f.streamBlock.mid(4);
        if (frames.isEmpty())
            return std::nullopt;
        return ExportedSound{QStringLiteral("stream"), QStringLiteral("mp3"), frames};
    }
    std::unique_ptr<SoundDecoder> decoder = makeSoundDecoder(format);
    if (!decoder)
        return std::nullopt;
    const std::size_t cap = std::size_t(limits::maxSoundBytesPerMovie / 2);
    SoundSamples samples;
    for (const FrameDef& f : timeline.frames) {
        if (samples.size() >= cap)
            break;
        if (!f.streamBlock.isEmpty())
            decoder->decode(f.streamBlock.constData(), f.streamBlock.size(), samples);
    }
    decoder->flush(samples);
    samples.resize(std::min(samples.size(), cap) & ~std::size_t(1));
    if (samples.empty())
        return std::nullopt;
    return ExportedSound{QStringLiteral("stream"), QStringLiteral("wav"),
                         wavFile(samples.data(), samples.size())};
}

} // namespace

QByteArray wavHeader(std::uint32_t dataBytes) {
    dataBytes = std::min<std::uint32_t>(dataBytes, 0xffffffffu - 36);
    QByteArray b;
    b.append("RIFF");
    put32(b, 36 + dataBytes);
    b.append("WAVEfmt ");
    put32(b, 16);
    put16(b, 1); // PCM
    put16(b, 2);
    put32(b, kMixRate);
    put32(b, kMixRate * 4);
    put16(b, 4);
    put16(b, 16);
    b.append("data");
    put32(b, dataBytes);
    return b;
}

QByteArray wavFile(const std::int16_t* samples, std::size_t count) {
    const auto dataBytes = static_cast<std::uint32_t>(
        std::min<std::size_t>(count * 2, 0xffffffffu - 36) & ~std::size_t(3));
    QByteArray b = wavHeader(dataBytes);
    b.reserve(static_cast<qsizetype>(44 + dataBytes));
    for (std::size_t i = 0; i < dataBytes / 2; ++i)
        put16(b, static_cast<std::uint16_t>(samples[i]));
    return b;
}

std::vector<ExportedSound> exportSounds(const Movie& movie) {
    std::vector<ExportedSound> out;
    if (auto stream = exportStream(movie.root))
        out.push_back(std::move(*stream));
    std::vector<std::uint16_t> ids;
    movie.dictionary.forEach([&](std::uint16_t id, const Character& c) {
        if (dynamic_cast<const SoundCharacter*>(&c))
            ids.push_back(id);
    });
    std::sort(ids.begin(), ids.end());
    for (const std::uint16_t id : ids) {
        const auto& sound = static_cast<const SoundCharacter&>(*movie.dictionary.character(id));
        const QString name = QStringLiteral("sound%1").arg(id);
        if (sound.format().codec == SoundCodec::Mp3 && sound.coded().size() > 2)
            out.push_back({name, QStringLiteral("mp3"), sound.coded().mid(2)});
        else if (sound.samples())
            out.push_back({name, QStringLiteral("wav"),
                           wavFile(sound.samples()->data(), sound.samples()->size())});
    }
    return out;
}

} // namespace reelcase::swf
