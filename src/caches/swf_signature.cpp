#include "caches/swf_signature.h"

#include "caches/byte_view.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>

namespace reelcase {

namespace {

constexpr qsizetype kHeaderBytes = 8;
constexpr qsizetype kLzmaHeaderBytes = 12; // signature, version, length, compressed length

// Inflates a zlib stream into a scratch buffer until it has produced wanted bytes.
bool inflatesTo(QByteArrayView in, quint64 wanted) {
    z_stream stream{};
    if (in.size() > (qsizetype(1) << 31) || inflateInit(&stream) != Z_OK)
        return false;
    std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&stream, inflateEnd);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    stream.avail_in = uInt(in.size());
    std::array<Bytef, 64 * 1024> scratch;
    quint64 produced = 0;
    while (produced < wanted) {
        stream.next_out = scratch.data();
        stream.avail_out = uInt(scratch.size());
        const int rc = inflate(&stream, Z_NO_FLUSH);
        produced += scratch.size() - stream.avail_out;
        if (rc != Z_OK)
            break; // the end of the stream, or of the input, or damage
    }
    return produced >= wanted;
}

} // namespace

std::optional<SwfHeader> readSwfHeader(QByteArrayView bytes) {
    if (bytes.size() < kHeaderBytes || bytes[1] != 'W' || bytes[2] != 'S')
        return std::nullopt;
    SwfHeader header;
    switch (bytes[0]) {
    case 'F':
        header.compression = SwfHeader::Compression::None;
        break;
    case 'C':
        header.compression = SwfHeader::Compression::Zlib;
        break;
    case 'Z':
        header.compression = SwfHeader::Compression::Lzma;
        break;
    default:
        return std::nullopt;
    }
    header.version = quint8(bytes[3]);
    header.declaredLength = *ByteView(bytes).le32(4);
    if (header.version == 0 || header.declaredLength < kHeaderBytes)
        return std::nullopt;
    return header;
}

bool isWholeSwf(QByteArrayView bytes, const SwfHeader& header) {
    switch (header.compression) {
    case SwfHeader::Compression::None:
        return quint64(bytes.size()) >= header.declaredLength;
    case SwfHeader::Compression::Zlib:
        return inflatesTo(bytes.sliced(std::min(bytes.size(), kHeaderBytes)),
                          header.declaredLength - kHeaderBytes);
    case SwfHeader::Compression::Lzma: {
        // Writers differ on whether the five LZMA property bytes count in the compressed
        // length; the shorter reading is taken, so no whole movie is refused.
        const auto compressed = ByteView(bytes).le32(8);
        return compressed && quint64(bytes.size()) >= quint64(kLzmaHeaderBytes) + *compressed;
    }
    }
    return false;
}

} // namespace reelcase
