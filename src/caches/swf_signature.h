#pragma once

#include <QByteArrayView>

#include <optional>

namespace reelcase {

// The eight bytes every Flash movie starts with.
struct SwfHeader {
    enum class Compression { None, Zlib, Lzma }; // "FWS", "CWS", "ZWS"
    Compression compression = Compression::None;
    quint8 version = 0;
    quint32 declaredLength = 0; // the whole movie's length, uncompressed
};

// The header, when bytes start like a movie: signature, a version above 0 and a length
// at least as long as the header itself.
std::optional<SwfHeader> readSwfHeader(QByteArrayView bytes);

// Whether bytes hold the whole movie that header announces, not one cut short: an
// uncompressed movie is as long as it says; a zlib one inflates to that length; an LZMA
// one holds the compressed length its header gives. Inflating stops at the announced
// length, so this costs no memory and bounded time.
bool isWholeSwf(QByteArrayView bytes, const SwfHeader& header);

} // namespace reelcase
