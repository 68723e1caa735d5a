#include "caches/http_response_head.h"

#include <algorithm>

namespace reelcase {

namespace {

// Header blocks are a few kilobytes; a larger one is not parsed in full.
constexpr qsizetype kMaxHeadBytes = 256 * 1024;

bool isLineEnd(char c) {
    return c == '\0' || c == '\n' || c == '\r';
}

} // namespace

QByteArray HttpResponseHead::value(QByteArrayView name) const {
    for (const auto& [fieldName, fieldValue] : fields)
        if (QByteArrayView(fieldName).compare(name, Qt::CaseInsensitive) == 0)
            return fieldValue;
    return {};
}

std::optional<qint64> HttpResponseHead::contentLength() const {
    const QByteArray text = value("Content-Length");
    bool ok = false;
    const qint64 length = text.toLongLong(&ok);
    if (!ok || length < 0 || text.startsWith('+') || text.startsWith('-'))
        return std::nullopt;
    return length;
}

std::optional<HttpResponseHead> parseResponseHead(QByteArrayView text) {
    text = text.first(std::min(text.size(), kMaxHeadBytes));
    HttpResponseHead head;
    qsizetype at = 0;
    bool first = true;
    while (at < text.size()) {
        qsizetype end = at;
        while (end < text.size() && !isLineEnd(text[end]))
            ++end;
        const QByteArrayView line = text.sliced(at, end - at);
        at = end + 1;
        if (line.isEmpty()) {
            if (!first && end < text.size() && text[end] == '\0')
                break; // Chromium ends the block with an empty NUL-terminated line
            continue;
        }
        if (first) {
            // "HTTP/1.1 200 OK": the code is the second word.
            if (!line.startsWith("HTTP/"))
                return std::nullopt;
            const qsizetype space = line.indexOf(' ');
            if (space < 0)
                return std::nullopt;
            bool ok = false;
            const int code = line.sliced(space + 1)
                                 .first(std::min<qsizetype>(3, line.size() - space - 1))
                                 .toInt(&ok);
            if (!ok || code < 100 || code > 999)
                return std::nullopt;
            head.status = code;
            first = false;
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        head.fields.append({line.first(colon).trimmed().toByteArray(),
                            line.sliced(colon + 1).trimmed().toByteArray()});
    }
    if (first)
        return std::nullopt;
    return head;
}

} // namespace reelcase
