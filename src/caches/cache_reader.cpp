#include "caches/cache_reader.h"

#include "caches/chromium_blockfile_cache.h"
#include "caches/chromium_simple_cache.h"
#include "caches/firefox_cache2.h"
#include "caches/folder_listing.h"

#include <QFile>

namespace reelcase {

namespace {

// A cache of more entries than this is read only that far.
constexpr size_t kMaxEntries = 1000000;

bool cancelled(const std::atomic_bool* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

void deliver(const ParsedEntry& entry, const CacheSource& source,
             const std::function<void(CachedMovie&&)>& onMovie) {
    auto movie = extractMovie(entry);
    if (!movie)
        return;
    movie->browser = source.browser;
    movie->source = entry.source;
    // An entry that does not say when it was stored was stored when its file was written.
    if (!movie->cached.isValid())
        movie->cached = entry.body.file->lastWrite();
    onMovie(std::move(*movie));
}

// Simple cache and cache2 keep one file per entry, recognised by its name.
bool readEntryFiles(const CacheSource& source, bool (*isEntryName)(QByteArrayView),
                    std::optional<ParsedEntry> (*parse)(std::shared_ptr<const ReadOnlyFile>),
                    const std::function<void(CachedMovie&&)>& onMovie,
                    const std::atomic_bool* cancel) {
    const OpenFolder folder(source.folder);
    if (!folder.isOpen())
        return false;
    for (const FolderEntry& name : folder.list(kMaxEntries)) {
        if (cancelled(cancel))
            break;
        if (name.type != FolderEntry::Type::File || !isEntryName(name.name))
            continue;
        auto file = ReadOnlyFile::openAt(folder.fd(), name.name.constData());
        if (!file)
            continue; // gone, or replaced by something that is not a plain file
        auto entry = parse(std::make_shared<const ReadOnlyFile>(std::move(*file)));
        if (!entry)
            continue;
        entry->source = source.folder + QLatin1Char('/') + QFile::decodeName(name.name);
        deliver(*entry, source, onMovie);
    }
    return true;
}

} // namespace

bool readBrowserCacheMovies(const CacheSource& source,
                            const std::function<void(CachedMovie&&)>& onMovie,
                            const std::atomic_bool* cancel) {
    switch (source.format) {
    case CacheSource::Format::ChromiumSimple:
        return readEntryFiles(source, isSimpleCacheEntryName, parseSimpleCacheEntry, onMovie,
                              cancel);
    case CacheSource::Format::FirefoxCache2:
        return readEntryFiles(source, isCache2EntryName, parseCache2Entry, onMovie, cancel);
    case CacheSource::Format::ChromiumBlockfile:
        return readBlockfileCache(
            source.folder, [&](ParsedEntry&& entry) { deliver(entry, source, onMovie); }, cancel);
    case CacheSource::Format::InternetExplorer:
        break;
    }
    return false;
}

} // namespace reelcase
