#include "caches/parsed_entry.h"

namespace reelcase {

namespace {

bool isSchemeChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

} // namespace

QString urlFromCacheKey(QByteArrayView key) {
    // Chromium: "1/0/_dk_<site> <site> <url>", the URL last; Firefox: "<tags>,:<url>".
    // URLs hold no unescaped spaces, and the scheme ends at the first "://".
    QByteArrayView rest = key.sliced(key.lastIndexOf(' ') + 1);
    const qsizetype separator = rest.indexOf("://");
    if (separator > 0) {
        qsizetype start = separator;
        while (start > 0 && isSchemeChar(rest[start - 1]))
            --start;
        if (start < separator)
            rest = rest.sliced(start);
    } else if (const qsizetype tags = rest.indexOf(",:"); tags >= 0) {
        rest = rest.sliced(tags + 2);
    } else if (rest.startsWith(':')) {
        rest = rest.sliced(1);
    }
    return QString::fromUtf8(rest);
}

} // namespace reelcase
