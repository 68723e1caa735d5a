#include "swf/bitmaps/jpeg_data.h"

namespace reelcase::swf {

namespace {

constexpr unsigned char kMarker = 0xFF;
constexpr unsigned char kStartOfImage = 0xD8;
constexpr unsigned char kEndOfImage = 0xD9;
constexpr unsigned char kStartOfScan = 0xDA;

unsigned char byteAt(QByteArrayView data, qsizetype i) {
    return static_cast<unsigned char>(data[i]);
}

bool isMarkerAt(QByteArrayView data, qsizetype i, unsigned char marker) {
    return i + 1 < data.size() && byteAt(data, i) == kMarker && byteAt(data, i + 1) == marker;
}

// Markers that stand alone, without a length field.
bool isStandaloneMarker(unsigned char marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

} // namespace

QByteArray repairJpeg(QByteArrayView data) {
    qsizetype i = 0;
    // Skip the erroneous header and any further end/start pairs in front of the stream.
    while (isMarkerAt(data, i, kEndOfImage) && isMarkerAt(data, i + 2, kStartOfImage))
        i += 4;
    if (!isMarkerAt(data, i, kStartOfImage))
        return data.toByteArray();

    QByteArray out;
    out.reserve(data.size());
    out.append(char(kMarker)).append(char(kStartOfImage));
    i += 2;
    while (i + 1 < data.size()) {
        if (byteAt(data, i) != kMarker) {
            // Not a marker where one belongs: keep the rest and let the decoder judge it.
            out.append(data.sliced(i));
            return out;
        }
        const unsigned char marker = byteAt(data, i + 1);
        if (marker == kMarker) { // fill byte
            ++i;
            continue;
        }
        if (marker == kStartOfImage || marker == kEndOfImage) {
            i += 2;
            continue;
        }
        if (marker == kStartOfScan) {
            out.append(data.sliced(i));
            return out;
        }
        if (isStandaloneMarker(marker)) {
            out.append(data.sliced(i, 2));
            i += 2;
            continue;
        }
        if (i + 3 >= data.size())
            break;
        const qsizetype length = (qsizetype(byteAt(data, i + 2)) << 8) | byteAt(data, i + 3);
        if (length < 2 || i + 2 + length > data.size()) {
            out.append(data.sliced(i));
            return out;
        }
        out.append(data.sliced(i, 2 + length));
        i += 2 + length;
    }
    // Tables only, no scan: still a complete (if empty) stream.
    out.append(char(kMarker)).append(char(kEndOfImage));
    return out;
}

QByteArray mergeJpegTables(QByteArrayView tables, QByteArrayView image) {
    QByteArray joined;
    joined.reserve(tables.size() + image.size());
    joined.append(tables).append(image);
    return repairJpeg(joined);
}

} // namespace reelcase::swf
