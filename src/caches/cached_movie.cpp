#include "caches/cached_movie.h"

#include "caches/content_decoding.h"
#include "caches/swf_signature.h"

#include <QCryptographicHash>

#include <algorithm>

namespace reelcase {

namespace {

constexpr int kPartialContent = 206;
constexpr qsizetype kSignatureBytes = 8;
constexpr qint64 kPrefixRead = 16 * 1024;

QByteArray sha256Hex(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// How long a decoded movie may be: what its header announces plus room for the overhead
// of a compressed movie and for trailing bytes, never more than kMaxMovieBytes. A
// compression bomb that announces a small movie stops here.
qsizetype decodedLimit(const SwfHeader& header) {
    const qint64 announced = header.declaredLength;
    return qsizetype(std::min<qint64>(kMaxMovieBytes, announced + announced / 8 + 1024 * 1024));
}

} // namespace

std::optional<CachedMovie> extractMovie(const ParsedEntry& entry) {
    const StoredBody& stored = entry.body;
    if (!stored.file || stored.length < kSignatureBytes || stored.length > kMaxMovieBytes)
        return std::nullopt;
    if (entry.head && (entry.head->status < 200 || entry.head->status > 299))
        return std::nullopt;
    const auto codings = entry.head ? parseContentEncoding(entry.head->value("Content-Encoding"))
                                    : std::optional<QList<ContentCoding>>(QList<ContentCoding>());
    if (!codings)
        return std::nullopt;

    // Most entries are pages, scripts and pictures: judge the signature from the first
    // bytes before reading or decoding a whole body. The bytes the parser read already
    // usually tell; more are read only when a coded start is too short to decode.
    const qint64 prefixLength = std::min(stored.length, kPrefixRead);
    const QByteArray first =
        stored.start.isEmpty() ? stored.file->read(stored.offset, prefixLength) : stored.start;
    DecodedBody start = decodeBody(first, *codings, kSignatureBytes);
    if (start.bytes.size() < kSignatureBytes && start.status == DecodedBody::Status::CutShort &&
        first.size() < prefixLength)
        start =
            decodeBody(stored.file->read(stored.offset, prefixLength), *codings, kSignatureBytes);
    const auto header = readSwfHeader(start.bytes);
    if (!header)
        return std::nullopt;

    const QByteArray raw = stored.file->read(stored.offset, stored.length);
    DecodedBody decoded = decodeBody(raw, *codings, decodedLimit(*header));
    if (decoded.status == DecodedBody::Status::Corrupt ||
        decoded.status == DecodedBody::Status::Oversized)
        return std::nullopt;

    const auto announced = entry.head ? entry.head->contentLength() : std::nullopt;
    CachedMovie movie;
    movie.url = entry.url;
    movie.cached = entry.cached;
    movie.complete = !entry.markedTruncated && raw.size() == stored.length &&
                     (!entry.head || entry.head->status != kPartialContent) &&
                     (!announced || *announced == raw.size()) &&
                     decoded.status == DecodedBody::Status::Complete &&
                     isWholeSwf(decoded.bytes, *header);
    movie.body = std::move(decoded.bytes);
    movie.sha256 = sha256Hex(movie.body);
    return movie;
}

CachedMovie movieFromFileBytes(QByteArray bytes) {
    CachedMovie movie;
    const auto header = readSwfHeader(bytes);
    movie.complete = header && isWholeSwf(bytes, *header);
    movie.sha256 = sha256Hex(bytes);
    movie.body = std::move(bytes);
    return movie;
}

} // namespace reelcase
