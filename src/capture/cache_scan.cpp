// Which files of a cache the search lists, as the found list names them.
#include "caches/found_store.h"
#include "caches/movie_search.h"
#include "capture/cache_search.h"

#include <QSet>

namespace reelcase {

QString displayNameFor(const QDateTime& localTime) {
    return localTime.toString(QStringLiteral("MMddHHmmss")) + QStringLiteral(".swf");
}

void scanCache(const QString& cacheFolder, const QDateTime& now,
               const std::function<void(const FoundFlash&)>& onFound,
               const std::atomic_bool* cancel) {
    scanIeCache(
        cacheFolder, now, true,
        [&](const IeCacheFile& file) {
            onFound({displayNameFor(file.written), file.path, {}, {}, file.written});
        },
        cancel);
}

int runCacheSearch(const CacheSearchRequest& request,
                   const std::function<void(const FoundFlash&)>& onFound,
                   const std::atomic_bool* cancel) {
    const bool browsers = !request.locations.home.isEmpty();
    const FoundStore store(browsers ? foundFolderFor(request.locations) : QString());
    MovieSearchRequest search;
    search.cacheFolder = request.cacheFolder;
    if (browsers)
        search.browsers = discoverBrowserCaches(request.locations, cancel);
    search.now = request.now;
    search.store = &store;
    QSet<QString> listed{request.inUse};
    int count = 0;
    searchMovies(
        search,
        [&](const FoundMovie& movie) {
            ++count;
            listed.insert(movie.path);
            onFound({displayNameFor(movie.cached.toLocalTime()), movie.path, movie.url,
                     movie.browser, movie.cached});
        },
        {}, cancel);
    if (browsers)
        store.prune(FoundStore::kDefaultMaxBytes, listed);
    return count;
}

} // namespace reelcase
