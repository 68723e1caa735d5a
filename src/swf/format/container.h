#pragma once

#include "swf/format/load_error.h"

#include <QByteArray>

#include <optional>

namespace reelcase::swf {

enum class Compression { None, Zlib, Lzma };

// A file's 8-byte header and its body (everything after the header), decompressed.
struct Container {
    int version = 0;
    Compression compression = Compression::None;
    quint32 declaredLength = 0; // the header's total uncompressed length
    QByteArray body;
    bool truncated = false; // the data ended before the declared length (body holds the rest)
};

// Reads the FWS, CWS (zlib) and ZWS (LZMA) containers. The decompressed body is capped at
// maxBody bytes (a declared length beyond it fails). A stream that stops early yields what
// it held, flagged truncated, as a partly downloaded file plays as far as it goes; a
// corrupt stream fails. Error offsets count from the start of the file for the header and
// from the start of the body for the stream.
std::optional<Container> readContainer(const QByteArray& file, LoadError* error,
                                       qint64 maxBody = -1);

} // namespace reelcase::swf
