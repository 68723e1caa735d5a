#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace reelcase {

// The content codings a browser stores bodies in (HTTP Content-Encoding).
enum class ContentCoding { Gzip, Deflate, Brotli };

// The codings of a Content-Encoding value in the order the server applied them; "identity"
// and an empty value add none. Empty optional for a coding that cannot be decoded here.
std::optional<QList<ContentCoding>> parseContentEncoding(QByteArrayView value);

struct DecodedBody {
    enum class Status {
        Complete,  // every coding ended properly
        CutShort,  // the stored bytes end inside a coded stream
        Corrupt,   // not a valid stream
        Oversized, // more than the limit: bytes holds the first limit bytes
    };
    Status status = Status::Corrupt;
    QByteArray bytes;
};

// Undoes codings (last applied first), producing at most limit bytes however small the
// input, so a compression bomb costs no more than limit bytes of memory.
DecodedBody decodeBody(QByteArrayView stored, const QList<ContentCoding>& codings, qsizetype limit);

} // namespace reelcase
