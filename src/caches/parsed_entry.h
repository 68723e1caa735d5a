#pragma once

#include "caches/http_response_head.h"
#include "caches/read_only_file.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

namespace reelcase {

// Where an entry keeps its body as the browser stored it (still content-coded).
struct StoredBody {
    std::shared_ptr<const ReadOnlyFile> file;
    qint64 offset = 0;
    qint64 length = 0;
    QByteArray start; // the first bytes, when the parser has read them already
};

// What a cache-format parser learns from one entry before its body is looked at.
struct ParsedEntry {
    QString url;
    QString source; // the file that holds the body
    std::optional<HttpResponseHead> head;
    QDateTime cached; // when the response was stored; invalid when the entry does not say
    bool markedTruncated = false; // the browser noted that the body is incomplete
    StoredBody body;
};

// The URL inside a cache key: browsers put partition and other tags before it.
QString urlFromCacheKey(QByteArrayView key);

} // namespace reelcase
