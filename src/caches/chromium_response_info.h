#pragma once

#include "caches/http_response_head.h"

#include <QByteArrayView>
#include <QDateTime>

#include <optional>

namespace reelcase {

// Chromium keeps a response's status, headers and times as a pickle (stream 0 of an
// entry): a payload length, flags, optional extra flags, the request and response times
// in microseconds since 1601, then the NUL-separated header lines.
struct ChromiumResponseInfo {
    std::optional<HttpResponseHead> head;
    QDateTime responseTime; // invalid when out of any plausible range
    bool truncated = false; // the transfer stopped before the body was complete
};

std::optional<ChromiumResponseInfo> parseChromiumResponseInfo(QByteArrayView pickle);

// A Chromium internal time (microseconds since 1601-01-01 UTC) as an instant; invalid
// when it lies outside 1990 to 2200, which no real entry does.
QDateTime fromChromiumTime(qint64 microseconds);

} // namespace reelcase
