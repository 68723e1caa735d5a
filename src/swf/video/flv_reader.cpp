#include "swf/video/flv_reader.h"

#include "swf/video/video_decoder.h"

#include <QtEndian>

namespace reelcase::swf {
namespace {

constexpr qsizetype kHeaderBytes = 9;
constexpr qsizetype kTagHeaderBytes = 11;

std::uint32_t u24(const char* p) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(p);
    return std::uint32_t(b[0]) << 16 | std::uint32_t(b[1]) << 8 | b[2];
}

} // namespace

std::optional<FlvFile> readFlv(const QByteArray& bytes) {
    if (bytes.size() < kHeaderBytes || bytes.size() > kMaxFlvBytes || !bytes.startsWith("FLV"))
        return std::nullopt;
    FlvFile file;
    const auto flags = std::uint8_t(bytes[4]);
    file.hasAudio = flags & 0x04;
    file.hasVideo = flags & 0x01;
    const std::uint32_t headerSize = qFromBigEndian<quint32>(bytes.constData() + 5);
    if (headerSize < kHeaderBytes || headerSize > std::uint64_t(bytes.size()))
        return std::nullopt;
    // Each tag follows the size of the one before it (four bytes).
    qsizetype at = qsizetype(headerSize) + 4;
    while (at < bytes.size()) {
        if (bytes.size() - at < kTagHeaderBytes || int(file.tags.size()) >= kMaxFlvTags) {
            file.truncated = true;
            break;
        }
        const char* h = bytes.constData() + at;
        const auto type = std::uint8_t(h[0]) & 0x1F; // the top bits mark filtered tags
        const std::uint32_t size = u24(h + 1);
        // The low 24 bits of the time, then its top 8.
        const std::int64_t timeMs = std::int64_t(u24(h + 4)) | std::int64_t(std::uint8_t(h[7]))
                                                                   << 24;
        if (size > kMaxFlvTagBytes || bytes.size() - at - kTagHeaderBytes < qsizetype(size)) {
            file.truncated = true;
            break;
        }
        if (type == FlvTag::Audio || type == FlvTag::Video || type == FlvTag::Script)
            file.tags.push_back(
                {FlvTag::Type(type), timeMs, bytes.mid(at + kTagHeaderBytes, size)});
        at += kTagHeaderBytes + qsizetype(size) + 4;
    }
    return file;
}

std::optional<FlvVideoPacket> flvVideoPacket(const QByteArray& body) {
    if (body.isEmpty())
        return std::nullopt;
    FlvVideoPacket packet;
    const auto first = std::uint8_t(body[0]);
    packet.codecId = first & 0x0F;
    const int frameType = first >> 4;
    if (frameType == 5)
        return std::nullopt; // a command frame carries no picture
    packet.key = frameType == 1;
    qsizetype skip = 1;
    switch (static_cast<VideoCodec>(packet.codecId)) {
    case VideoCodec::Vp6:
    case VideoCodec::Vp6Alpha:
        if (body.size() > 1)
            packet.vp6Adjustment = std::uint8_t(body[1]);
        skip = 2;
        break;
    case VideoCodec::H264:
        if (body.size() < 5)
            return std::nullopt;
        packet.config = body[1] == 0;
        if (!packet.config && body[1] != 1)
            return std::nullopt; // the end of the sequence
        skip = 5;                // packet type and composition time
        break;
    default:
        break;
    }
    if (body.size() <= skip)
        return std::nullopt;
    packet.data = body.mid(skip);
    return packet;
}

std::optional<FlvAudioPacket> flvAudioPacket(const QByteArray& body) {
    if (body.size() < 2)
        return std::nullopt;
    FlvAudioPacket packet;
    const auto first = std::uint8_t(body[0]);
    packet.format = first >> 4;
    static constexpr int kRates[] = {5512, 11025, 22050, 44100};
    packet.rate = kRates[(first >> 2) & 3];
    packet.sixteenBit = first & 0x02;
    packet.stereo = first & 0x01;
    qsizetype skip = 1;
    if (packet.format == 10) { // AAC: a packet type first
        packet.config = body[1] == 0;
        skip = 2;
    }
    if (body.size() <= skip)
        return std::nullopt;
    packet.data = body.mid(skip);
    return packet;
}

} // namespace reelcase::swf
