#include "caches/chromium_response_info.h"

#include "caches/byte_view.h"

namespace reelcase {

namespace {

constexpr quint32 kTruncatedFlag = 1u << 12;
constexpr quint32 kExtraFlagsFlag = 1u << 31;
constexpr qint64 kMicrosecondsFrom1601To1970 = 11644473600LL * 1000000;

} // namespace

QDateTime fromChromiumTime(qint64 microseconds) {
    static const qint64 earliest =
        QDateTime(QDate(1990, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    static const qint64 latest =
        QDateTime(QDate(2200, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    if (microseconds <= kMicrosecondsFrom1601To1970)
        return {};
    const qint64 ms = (microseconds - kMicrosecondsFrom1601To1970) / 1000;
    if (ms < earliest || ms > latest)
        return {};
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

std::optional<ChromiumResponseInfo> parseChromiumResponseInfo(QByteArrayView pickle) {
    const ByteView bytes(pickle);
    const auto payload = bytes.le32(0);
    const auto flags = bytes.le32(4);
    if (!payload || !flags || *payload > quint64(bytes.size()) - 4)
        return std::nullopt;
    const qint64 times = (*flags & kExtraFlagsFlag) ? 12 : 8;
    const auto responseTime = bytes.le64s(times + 8);
    if (!responseTime)
        return std::nullopt;
    ChromiumResponseInfo info;
    info.responseTime = fromChromiumTime(*responseTime);
    info.truncated = (*flags & kTruncatedFlag) != 0;
    // Versions differ in how many times precede the headers; the header string (a length,
    // then "HTTP/") follows them at one of a few 4-byte aligned places.
    for (qint64 at = times + 16; at <= times + 40; at += 4) {
        const auto length = bytes.le32(at);
        if (length && bytes.mid(at + 4, 5) == "HTTP/" && bytes.has(at + 4, *length)) {
            info.head = parseResponseHead(bytes.mid(at + 4, *length));
            break;
        }
    }
    return info;
}

} // namespace reelcase
