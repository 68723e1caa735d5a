#pragma once

#include "caches/parsed_entry.h"

#include <QByteArrayView>
#include <QString>

#include <atomic>
#include <functional>

namespace reelcase {

// Chromium's older block-file cache (still made on Windows disks and by older installs):
// a hash table in "index" whose cells address entries of 256-byte blocks in "data_1";
// each entry holds its key (the URL), and the sizes and addresses of its streams, which
// lie in blocks of "data_1" to "data_3" or in separate files "f_XXXXXX". Stream 0 is the
// response info, stream 1 the body.
//
// Calls onEntry for each entry reachable from the index, each once, cycles and lying
// sizes or addresses passed over. Returns false when folder holds no readable index.
bool readBlockfileCache(const QString& folder, const std::function<void(ParsedEntry&&)>& onEntry,
                        const std::atomic_bool* cancel = nullptr);

// Whether bytes start like the "index" file of a block-file cache.
bool isBlockfileIndex(QByteArrayView bytes);

} // namespace reelcase
