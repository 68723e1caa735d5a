#include "caches/firefox_cache2.h"

#include "caches/byte_view.h"

#include <algorithm>

namespace reelcase {

namespace {

constexpr qint64 kChunkBytes = 256 * 1024;
constexpr qint64 kMaxMetadataBytes = 1024 * 1024;
constexpr qint64 kHeaderFieldsV1 = 7; // version … key size
constexpr qint64 kHeaderFieldsV2 = 8; // and flags, from version 2 on
constexpr qint64 kHeadRead = 4096;
constexpr qint64 kTailRead = 16 * 1024;

// The value of name among the NUL-separated pairs that follow the key.
QByteArrayView element(QByteArrayView pairs, QByteArrayView name) {
    qsizetype at = 0;
    while (at < pairs.size()) {
        const qsizetype nameEnd = pairs.indexOf('\0', at);
        if (nameEnd <= at)
            break; // an empty name ends the list
        const qsizetype valueEnd = pairs.indexOf('\0', nameEnd + 1);
        if (valueEnd < 0)
            break;
        if (pairs.sliced(at, nameEnd - at) == name)
            return pairs.sliced(nameEnd + 1, valueEnd - nameEnd - 1);
        at = valueEnd + 1;
    }
    return {};
}

// "alt-data" = "<version>;<offset>,<type>": alternative data (compiled scripts) stored
// after the body, which then ends at that offset.
std::optional<qint64> altDataOffset(QByteArrayView value) {
    const qsizetype semicolon = value.indexOf(';');
    const qsizetype comma = value.indexOf(',', semicolon + 1);
    if (semicolon < 0 || comma < 0)
        return std::nullopt;
    bool ok = false;
    const qint64 offset = value.sliced(semicolon + 1, comma - semicolon - 1).toLongLong(&ok);
    return ok && offset >= 0 ? std::optional<qint64>(offset) : std::nullopt;
}

} // namespace

bool isCache2EntryName(QByteArrayView name) {
    return name.size() == 40 && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
           });
}

std::optional<ParsedEntry> parseCache2Entry(std::shared_ptr<const ReadOnlyFile> file) {
    const qint64 size = file->size();
    // One read from the end usually holds the metadata, and for small entries all of it.
    const qint64 tailStart = std::max<qint64>(0, size - kTailRead);
    const QByteArray tail = file->read(tailStart, size - tailStart);
    if (tail.size() != size - tailStart)
        return std::nullopt; // the file shrank: a browser is rewriting it
    const auto offset = ByteView(tail).be32(tail.size() - 4);
    if (!offset || *offset > size - 4 || size - 4 - *offset > kMaxMetadataBytes)
        return std::nullopt;
    const QByteArray metadata = *offset >= tailStart ? tail.mid(qsizetype(*offset - tailStart),
                                                                qsizetype(size - 4 - *offset))
                                                     : file->read(*offset, size - 4 - *offset);
    const ByteView bytes(metadata);
    const qint64 chunks = (*offset + kChunkBytes - 1) / kChunkBytes;
    const qint64 headerAt = 4 + 2 * chunks;
    const auto version = bytes.be32(headerAt);
    if (!version || *version == 0)
        return std::nullopt;
    const qint64 fields = *version >= 2 ? kHeaderFieldsV2 : kHeaderFieldsV1;
    const auto lastModified = bytes.be32(headerAt + 12);
    const auto keySize = bytes.be32(headerAt + 24);
    const qint64 keyAt = headerAt + 4 * fields;
    if (!lastModified || !keySize || !bytes.has(keyAt, qint64(*keySize) + 1) ||
        metadata[qsizetype(keyAt + *keySize)] != '\0')
        return std::nullopt;

    ParsedEntry entry;
    entry.url = urlFromCacheKey(bytes.mid(keyAt, *keySize));
    const QByteArrayView pairs =
        bytes.mid(keyAt + *keySize + 1, bytes.size() - keyAt - *keySize - 1);
    entry.head = parseResponseHead(element(pairs, "response-head"));
    if (*lastModified != 0)
        entry.cached = QDateTime::fromSecsSinceEpoch(*lastModified, Qt::UTC);
    qint64 bodyLength = *offset;
    if (const auto alt = altDataOffset(element(pairs, "alt-data")))
        bodyLength = std::min(bodyLength, *alt);
    entry.body.file = std::move(file);
    entry.body.offset = 0;
    entry.body.length = bodyLength;
    entry.body.start = tailStart == 0
                           ? tail.first(qsizetype(std::min<qint64>(bodyLength, kHeadRead)))
                           : entry.body.file->read(0, std::min(bodyLength, kHeadRead));
    return entry;
}

} // namespace reelcase
