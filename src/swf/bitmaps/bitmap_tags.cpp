// Handlers of the bitmap tags: JPEGTables, DefineBits, DefineBitsJPEG2/3/4 and
// DefineBitsLossless 1/2. Bitmaps are decoded as they are read.

#include "swf/bitmaps/bitmap_tags.h"

#include "swf/bitmaps/bitmap_character.h"
#include "swf/bitmaps/bitmap_decoder.h"
#include "swf/format/limits.h"
#include "swf/format/movie.h"
#include "swf/format/tag_table.h"

namespace reelcase::swf {

namespace {

enum : int {
    DefineBits = 6,
    JpegTables = 8,
    DefineBitsLossless = 20,
    DefineBitsJpeg2 = 21,
    DefineBitsJpeg3 = 35,
    DefineBitsLossless2 = 36,
    DefineBitsJpeg4 = 90,
};

QByteArrayView restOf(const BitReader& r) {
    return r.ok() ? QByteArrayView(r.data() + r.position(), r.remaining()) : QByteArrayView();
}

void jpegTables(TagContext& c) {
    // The first tables stand for the whole movie.
    if (c.parse.jpegTables.isEmpty())
        c.parse.jpegTables = restOf(c.body).toByteArray();
}

void defineBitmap(TagContext& c) {
    BitReader& r = c.body;
    const std::uint16_t id = r.u16();
    if (!r.ok() || c.movie.dictionary.character(id))
        return; // a later definition of a taken id is ignored: no need to decode it
    const QByteArrayView rest = restOf(r);
    DecodedBitmap decoded;
    switch (c.code) {
    case DefineBits:
        decoded = decodeDefineBits(rest, c.parse.jpegTables);
        break;
    case DefineBitsJpeg2:
        decoded = decodeDefineBitsJpeg2(rest);
        break;
    case DefineBitsJpeg3:
    case DefineBitsJpeg4:
        decoded = decodeDefineBitsJpeg3(rest, c.code == DefineBitsJpeg4);
        break;
    default:
        decoded = decodeDefineBitsLossless(rest, c.code == DefineBitsLossless2);
        break;
    }
    const qint64 bytes = decoded.image.sizeInBytes();
    if (!decoded.ok() || c.parse.decodedBitmapBytes + bytes > limits::maxBitmapBytesPerMovie) {
        r.fail(); // counted as a skipped tag; fills that use the id paint nothing
        return;
    }
    c.parse.decodedBitmapBytes += bytes;
    c.movie.dictionary.define(id, std::make_shared<BitmapCharacter>(std::move(decoded.image)));
}

} // namespace

void registerBitmapTags(TagTable& table) {
    table.add(JpegTables, jpegTables, true);
    for (int code : {DefineBits, DefineBitsLossless, DefineBitsJpeg2, DefineBitsJpeg3,
                     DefineBitsLossless2, DefineBitsJpeg4})
        table.add(code, defineBitmap, true);
}

} // namespace reelcase::swf
