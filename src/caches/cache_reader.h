#pragma once

#include "caches/cache_source.h"
#include "caches/cached_movie.h"

#include <atomic>
#include <functional>

namespace reelcase {

// Calls onMovie for every entry of a Chromium or Firefox cache whose decoded body is a
// Flash movie, whole or cut short (see extractMovie), in the cache's own order. Entries
// that vanish, change or make no sense while a browser writes are passed over. Returns
// false when the cache cannot be read at all. Blocks on the disk.
bool readBrowserCacheMovies(const CacheSource& source,
                            const std::function<void(CachedMovie&&)>& onMovie,
                            const std::atomic_bool* cancel = nullptr);

} // namespace reelcase
