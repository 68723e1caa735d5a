#pragma once

#include "caches/parsed_entry.h"

#include <QByteArrayView>

#include <memory>
#include <optional>

namespace reelcase {

// Firefox's cache2 keeps each entry in a file named by the SHA-1 of its key (40 hex
// digits) under cache2/entries: the body first, then the metadata at the offset that the
// file's last four bytes give (big-endian): a hash, one 16-bit hash per 256 KiB chunk of
// the body, a header (version, fetch count, times, key size, flags), the key with the URL,
// and NUL-separated name/value pairs, among them "response-head".
std::optional<ParsedEntry> parseCache2Entry(std::shared_ptr<const ReadOnlyFile> file);

// Whether name is that of an entry file (40 hex digits).
bool isCache2EntryName(QByteArrayView name);

} // namespace reelcase
