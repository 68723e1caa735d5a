#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

#include <optional>

namespace reelcase {

// The status line and header fields of a stored HTTP response.
struct HttpResponseHead {
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> fields; // names as sent, values trimmed

    // The value of the first field called name (letter case ignored); empty if none.
    QByteArray value(QByteArrayView name) const;
    // Content-Length, when present and a plain non-negative number.
    std::optional<qint64> contentLength() const;
};

// Parses "HTTP/x.y CODE reason" followed by "Name: value" lines. Lines may end in "\r\n",
// "\n" or NUL (Chromium keeps them NUL-separated). Empty optional without a status line.
std::optional<HttpResponseHead> parseResponseHead(QByteArrayView text);

} // namespace reelcase
