#pragma once

#include "caches/parsed_entry.h"

#include <QByteArrayView>

#include <memory>
#include <optional>

namespace reelcase {

// Chromium's simple cache keeps each entry in a file named "<16 hex digits>_0": a header
// (magic, version, key length), the key (with the URL), the body (stream 1) and its end
// record, then the response info (stream 0), an optional SHA-256 of the key and the end
// record of stream 0, whose size field locates stream 0 from the end of the file.
std::optional<ParsedEntry> parseSimpleCacheEntry(std::shared_ptr<const ReadOnlyFile> file);

// Whether name is that of an entry's main file.
bool isSimpleCacheEntryName(QByteArrayView name);

// Whether bytes start like the "index" file of a simple cache folder.
bool isSimpleCacheIndex(QByteArrayView bytes);

} // namespace reelcase
