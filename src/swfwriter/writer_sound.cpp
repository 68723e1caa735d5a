#include "swfwriter/writer_sound.h"

#include "swf/format/tag_table.h"
#include "swfwriter/bit_writer.h"

#include <cmath>
#include <numbers>

namespace reelcase::swf::write {
namespace {

void formatBits(BitWriter& w, const SoundBits& b) {
    w.ub(4, static_cast<std::uint32_t>(b.codec));
    w.ub(2, static_cast<std::uint32_t>(b.rateCode));
    w.flag(b.sixteenBit);
    w.flag(b.stereo);
}

} // namespace

QByteArray soundInfoBytes(const SoundInfo& info) {
    BitWriter w;
    w.u8((info.syncStop ? 0x20 : 0) | (info.syncNoMultiple ? 0x10 : 0) |
         (info.envelope.empty() ? 0 : 0x08) | (info.loops != 1 ? 0x04 : 0) |
         (info.outPoint ? 0x02 : 0) | (info.inPoint ? 0x01 : 0));
    if (info.inPoint)
        w.u32(*info.inPoint);
    if (info.outPoint)
        w.u32(*info.outPoint);
    if (info.loops != 1)
        w.u16(info.loops);
    if (!info.envelope.empty()) {
        w.u8(static_cast<int>(info.envelope.size()));
        for (const EnvelopePoint& p : info.envelope) {
            w.u32(p.position44);
            w.u16(p.left);
            w.u16(p.right);
        }
    }
    return w.data();
}

std::uint16_t defineSound(SwfWriter& w, const SoundBits& bits, std::uint32_t sampleCount,
                          const QByteArray& data) {
    const std::uint16_t id = w.takeId();
    BitWriter b;
    b.u16(id);
    formatBits(b, bits);
    b.u32(sampleCount);
    b.bytes(data);
    w.rawTag(tag::DefineSound, b.data());
    return id;
}

void startSound(Timeline& t, std::uint16_t soundId, const SoundInfo& info) {
    BitWriter b;
    b.u16(soundId);
    b.bytes(soundInfoBytes(info));
    t.rawTag(tag::StartSound, b.data());
}

void startSound2(Timeline& t, const QString& className, const SoundInfo& info) {
    BitWriter b;
    b.string(className);
    b.bytes(soundInfoBytes(info));
    t.rawTag(tag::StartSound2, b.data());
}

void soundStreamHead(Timeline& t, const SoundBits& bits, int samplesPerBlock, int latencySeek,
                     bool head2) {
    BitWriter b;
    b.ub(4, 0);
    b.ub(2, static_cast<std::uint32_t>(bits.rateCode));
    b.flag(bits.sixteenBit);
    b.flag(bits.stereo);
    formatBits(b, bits);
    b.u16(samplesPerBlock);
    if (bits.codec == SoundCodec::Mp3)
        b.u16(latencySeek & 0xffff);
    t.rawTag(head2 ? tag::SoundStreamHead2 : tag::SoundStreamHead, b.data());
}

void soundStreamBlock(Timeline& t, const QByteArray& body) {
    t.rawTag(tag::SoundStreamBlock, body);
}

QByteArray mp3StreamBlock(int sampleCount, int seekSamples, const QByteArray& frames) {
    BitWriter b;
    b.u16(sampleCount);
    b.u16(seekSamples & 0xffff);
    b.bytes(frames);
    return b.data();
}

void defineButtonSound(SwfWriter& w, std::uint16_t buttonId, const ButtonSounds& sounds) {
    BitWriter b;
    b.u16(buttonId);
    for (const ButtonSound& s : sounds) {
        b.u16(s.soundId);
        if (s.soundId)
            b.bytes(soundInfoBytes(s.info));
    }
    w.rawTag(tag::DefineButtonSound, b.data());
}

void exportAssets(SwfWriter& w, const std::vector<std::pair<std::uint16_t, QString>>& names) {
    BitWriter b;
    b.u16(static_cast<int>(names.size()));
    for (const auto& [id, name] : names) {
        b.u16(id);
        b.string(name);
    }
    w.rawTag(tag::ExportAssets, b.data());
}

QByteArray pcm16(double frequency, int samples, int rate, bool stereo, int amplitude) {
    BitWriter b;
    for (int i = 0; i < samples; ++i) {
        const double v = frequency > 0
                             ? amplitude * std::sin(2 * std::numbers::pi * frequency * i / rate)
                             : amplitude;
        const int s = static_cast<int>(std::lround(v));
        b.u16(s & 0xffff);
        if (stereo)
            b.u16(s & 0xffff);
    }
    return b.data();
}

QByteArray silentMp3Frame() {
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90);
    frame[3] = char(0x64);
    return frame;
}

} // namespace reelcase::swf::write
