#include "swf/sound/sound_tags.h"

#include "swf/format/limits.h"
#include "swf/format/movie.h"
#include "swf/format/tag_table.h"
#include "swf/sound/sound_character.h"

namespace reelcase::swf {
namespace {

// A stream block larger than this is cut: a minute of 44.1 kHz stereo PCM at 1 fps
// would fit with room to spare, and one block cannot flood the mixer.
constexpr qint64 kMaxStreamBlockBytes = 1 << 20;

SoundFormat readFormatBits(BitReader& r) {
    const int codec = static_cast<int>(r.ub(4));
    const int rate = static_cast<int>(r.ub(2));
    const int size = static_cast<int>(r.ub(1));
    const int type = static_cast<int>(r.ub(1));
    return SoundFormat::fromBits(codec, rate, size, type);
}

QByteArray rest(BitReader& r, qint64 cap) {
    const qint64 n = std::min(r.remaining(), cap);
    QByteArray bytes(r.data() + r.position(), static_cast<qsizetype>(n));
    r.skip(r.remaining());
    return bytes;
}

void defineSound(TagContext& c) {
    BitReader& r = c.body;
    const std::uint16_t id = r.u16();
    const SoundFormat format = readFormatBits(r);
    const std::uint32_t declared = r.u32();
    if (!r.ok() || !format.known())
        return;
    QByteArray coded = rest(r, r.remaining());
    const qint64 budget = limits::maxSoundBytesPerMovie - c.parse.decodedSoundBytes;
    std::shared_ptr<const SoundSamples> samples;
    if (budget > 0)
        samples = decodeEventSound(format, coded, budget);
    if (samples)
        c.parse.decodedSoundBytes += static_cast<qint64>(samples->size() * 2);
    c.movie.dictionary.define(id, std::make_shared<SoundCharacter>(
                                      format, declared, std::move(coded), std::move(samples)));
}

qsizetype startSoundsIn(const FrameDef& frame) {
    qsizetype n = 0;
    for (const FrameCommand& command : frame.commands)
        n += std::holds_alternative<StartSoundCommand>(command);
    return n;
}

void startSound(TagContext& c) {
    BitReader& r = c.body;
    StartSoundCommand command;
    if (c.code == tag::StartSound2)
        command.className = r.string(c.movie.version);
    else
        command.soundId = r.u16();
    command.info = readSoundInfo(r);
    if (r.ok() && startSoundsIn(c.frame) < limits::maxStartSoundsPerFrame)
        c.frame.commands.emplace_back(std::move(command));
}

void soundStreamHead(TagContext& c) {
    BitReader& r = c.body;
    r.ub(8); // reserved and the playback format: the stream's own format is what counts
    StreamHead head;
    head.format = readFormatBits(r);
    head.samplesPerBlock = r.u16();
    if (head.format.codec == SoundCodec::Mp3 && r.remaining() >= 2)
        head.latencySeek = r.s16();
    if (r.ok() && head.format.known() && !c.timeline.stream)
        c.timeline.stream = head;
}

void soundStreamBlock(TagContext& c) {
    if (c.frame.streamBlock.isEmpty())
        c.frame.streamBlock = rest(c.body, kMaxStreamBlockBytes);
}

void defineButtonSound(TagContext& c) {
    BitReader& r = c.body;
    const std::uint16_t buttonId = r.u16();
    ButtonSounds sounds;
    for (ButtonSound& s : sounds) {
        if (r.remaining() < 2)
            break;
        s.soundId = r.u16();
        if (s.soundId)
            s.info = readSoundInfo(r);
    }
    if (r.ok() && !c.movie.buttonSounds.contains(buttonId))
        c.movie.buttonSounds.insert(buttonId, sounds);
}

} // namespace

SoundInfo readSoundInfo(BitReader& r) {
    SoundInfo info;
    const int flags = r.u8();
    info.syncStop = flags & 0x20;
    info.syncNoMultiple = flags & 0x10;
    if (flags & 0x01)
        info.inPoint = r.u32();
    if (flags & 0x02)
        info.outPoint = r.u32();
    if (flags & 0x04)
        info.loops = r.u16();
    if (flags & 0x08) {
        const int points = r.u8();
        for (int i = 0; i < points && r.ok(); ++i) {
            EnvelopePoint p;
            p.position44 = r.u32();
            p.left = r.u16();
            p.right = r.u16();
            if (r.ok())
                info.envelope.push_back(p);
        }
    }
    return info;
}

void registerSoundTags(TagTable& t) {
    t.add(tag::DefineSound, defineSound, true);
    t.add(tag::StartSound, startSound);
    t.add(tag::StartSound2, startSound);
    t.add(tag::SoundStreamHead, soundStreamHead);
    t.add(tag::SoundStreamHead2, soundStreamHead);
    t.add(tag::SoundStreamBlock, soundStreamBlock);
    t.add(tag::DefineButtonSound, defineButtonSound, true);
}

} // namespace reelcase::swf
