#include "caches/chromium_simple_cache.h"

#include "caches/byte_view.h"
#include "caches/chromium_response_info.h"

#include <algorithm>

namespace reelcase {

namespace {

constexpr quint64 kInitialMagic = 0xfcfb6d1ba7725c30ULL;
constexpr quint64 kFinalMagic = 0xf4fa6f45970d41d8ULL;
constexpr quint64 kIndexMagic = 0x656e74657220796fULL;
constexpr qint64 kHeaderBytes = 24; // magic, version, key length, key hash, padding
constexpr qint64 kEofBytes = 24;    // magic, flags, CRC, stream size, padding
constexpr qint64 kKeySha256Bytes = 32;
constexpr quint32 kHasKeySha256 = 1u << 1;
// Keys are URLs with a few tags; the response info holds headers and certificates.
constexpr qint64 kMaxKeyBytes = 64 * 1024;
constexpr qint64 kMaxStream0Bytes = 1024 * 1024;
// One read at each end of the file usually covers header, key, the body's first bytes,
// and the whole response info.
constexpr qint64 kHeadRead = 4096;
constexpr qint64 kTailRead = 16 * 1024;

} // namespace

bool isSimpleCacheEntryName(QByteArrayView name) {
    if (name.size() != 18 || !name.endsWith("_0"))
        return false;
    return std::all_of(name.begin(), name.begin() + 16,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool isSimpleCacheIndex(QByteArrayView bytes) {
    const auto magic = ByteView(bytes).le64(0);
    return magic && *magic == kIndexMagic;
}

std::optional<ParsedEntry> parseSimpleCacheEntry(std::shared_ptr<const ReadOnlyFile> file) {
    const qint64 size = file->size();
    if (size < kHeaderBytes + 2 * kEofBytes)
        return std::nullopt;
    const QByteArray head = file->read(0, std::min(size, kHeadRead));
    const ByteView header(head);
    const auto magic = header.le64(0);
    const auto keyLength = header.le32(12);
    if (!magic || *magic != kInitialMagic || !keyLength || *keyLength > kMaxKeyBytes)
        return std::nullopt;
    const qint64 bodyStart = kHeaderBytes + *keyLength;

    const qint64 tailStart = std::max<qint64>(0, size - kTailRead);
    const QByteArray tail = file->read(tailStart, size - tailStart);
    if (tail.size() != size - tailStart)
        return std::nullopt; // the file shrank: a browser is rewriting it
    const ByteView end(tail);
    const qint64 eof0 = tail.size() - kEofBytes;
    const auto finalMagic = end.le64(eof0);
    const auto flags = end.le32(eof0 + 8);
    const auto stream0Size = end.le32(eof0 + 16);
    if (!finalMagic || *finalMagic != kFinalMagic || !flags || !stream0Size ||
        *stream0Size > kMaxStream0Bytes)
        return std::nullopt;
    const qint64 keySha = (*flags & kHasKeySha256) ? kKeySha256Bytes : 0;
    const qint64 stream0Start = size - kEofBytes - keySha - *stream0Size;
    const qint64 eof1Start = stream0Start - kEofBytes;
    if (eof1Start < bodyStart)
        return std::nullopt;

    // Key and stream 0 usually lie inside the two reads; read them apart when they do not.
    const auto slice = [&](qint64 offset, qint64 length) -> QByteArray {
        if (offset + length <= head.size())
            return head.mid(qsizetype(offset), qsizetype(length));
        if (offset >= tailStart)
            return tail.mid(qsizetype(offset - tailStart), qsizetype(length));
        return file->read(offset, length);
    };
    const QByteArray eof1 = slice(eof1Start, kEofBytes);
    const auto eof1Magic = ByteView(eof1).le64(0);
    if (!eof1Magic || *eof1Magic != kFinalMagic)
        return std::nullopt;
    const QByteArray key = slice(kHeaderBytes, *keyLength);
    const QByteArray stream0 = slice(stream0Start, *stream0Size);
    if (key.size() != qsizetype(*keyLength) || stream0.size() != qsizetype(*stream0Size))
        return std::nullopt;

    ParsedEntry entry;
    entry.url = urlFromCacheKey(key);
    if (const auto info = parseChromiumResponseInfo(stream0)) {
        entry.head = info->head;
        entry.cached = info->responseTime;
        entry.markedTruncated = info->truncated;
    }
    entry.body.file = std::move(file);
    entry.body.offset = bodyStart;
    entry.body.length = eof1Start - bodyStart;
    entry.body.start = head.mid(qsizetype(bodyStart), qsizetype(entry.body.length));
    return entry;
}

} // namespace reelcase
