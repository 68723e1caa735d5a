#include "caches/movie_search.h"

#include "caches/cache_reader.h"
#include "caches/found_store.h"
#include "caches/ie_cache.h"
#include "caches/ie_url_index.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace reelcase {

namespace {

constexpr qint64 kMaxIndexDatBytes = 64 * 1024 * 1024;

bool cancelled(const std::atomic_bool* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

void note(const std::function<void(const QString&)>& onProblem, const QString& text) {
    if (onProblem)
        onProblem(text);
}

// The URLs that index.dat gives, read once, only when a file is listed.
class IeUrls {
public:
    explicit IeUrls(QString contentFolder)
        : m_contentFolder(std::move(contentFolder)) {}
    QString urlOf(const IeCacheFile& file) {
        if (!m_loaded) {
            m_loaded = true;
            const auto index = ReadOnlyFile::open(m_contentFolder + QStringLiteral("/index.dat"));
            if (const auto bytes = index ? index->readAll(kMaxIndexDatBytes) : std::nullopt)
                m_urls = readIeUrlIndex(*bytes);
        }
        return m_urls.value(ieUrlIndexKey(file.subfolder, file.fileName));
    }

private:
    QString m_contentFolder;
    bool m_loaded = false;
    QHash<QString, QString> m_urls;
};

void searchIeCache(const MovieSearchRequest& request,
                   const std::function<void(const FoundMovie&)>& onFound,
                   const std::function<void(const QString&)>& onProblem,
                   const std::atomic_bool* cancel) {
    const QString content = findContentFolder(request.cacheFolder);
    if (content.isEmpty()) {
        note(onProblem, QStringLiteral("cannot read the cache %1").arg(request.cacheFolder));
        return;
    }
    IeUrls urls(content);
    scanIeCache(
        request.cacheFolder, request.now, request.applyRules,
        [&](const IeCacheFile& file) {
            FoundMovie found{file.path,    urls.urlOf(file), QStringLiteral("Internet Explorer"),
                             file.written, file.size,        {},
                             true,         file.path};
            if (request.hashIeFiles) {
                const auto opened = ReadOnlyFile::open(file.path);
                const auto bytes = opened ? opened->readAll(kMaxMovieBytes) : std::nullopt;
                if (!bytes)
                    return;
                const CachedMovie movie = movieFromFileBytes(*bytes);
                found.sha256 = movie.sha256;
                found.complete = movie.complete;
                found.size = movie.body.size();
            }
            onFound(found);
        },
        cancel);
}

struct Candidate {
    FoundMovie movie;
    int group = 0; // 0: the configured cache, 1: the others
};

// Reads one browser cache into candidates, copying each movie into the store.
void collectBrowserMovies(const CacheSource& source, int group, const MovieSearchRequest& request,
                          QList<Candidate>& candidates,
                          const std::function<void(const QString&)>& onProblem,
                          const std::atomic_bool* cancel) {
    const bool readable = readBrowserCacheMovies(
        source,
        [&](CachedMovie&& movie) {
            if (!movie.complete && !request.includeCutShort)
                return;
            if (request.applyRules && !qualifies(movie.body.size(), movie.cached, request.now))
                return;
            FoundMovie found{
                {},           movie.url,      movie.browser, movie.cached, movie.body.size(),
                movie.sha256, movie.complete, movie.source};
            if (request.store) {
                found.path = request.store->store(movie);
                if (found.path.isEmpty())
                    return;
            }
            candidates.append({found, group});
        },
        cancel);
    if (!readable)
        note(onProblem, QStringLiteral("cannot read the cache %1").arg(source.folder));
}

// One copy of each content, the one stored last; then by group, newest first.
QList<Candidate> newestOfEach(QList<Candidate> candidates) {
    QHash<QByteArray, qsizetype> newest;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        const auto known = newest.constFind(candidates[i].movie.sha256);
        if (known == newest.constEnd() ||
            candidates[*known].movie.cached < candidates[i].movie.cached)
            newest.insert(candidates[i].movie.sha256, i);
    }
    QList<Candidate> kept;
    for (qsizetype i = 0; i < candidates.size(); ++i)
        if (newest.value(candidates[i].movie.sha256) == i)
            kept.append(candidates[i]);
    std::stable_sort(kept.begin(), kept.end(), [](const Candidate& a, const Candidate& b) {
        return a.group != b.group ? a.group < b.group : a.movie.cached > b.movie.cached;
    });
    return kept;
}

} // namespace

void searchMovies(const MovieSearchRequest& request,
                  const std::function<void(const FoundMovie&)>& onFound,
                  const std::function<void(const QString&)>& onProblem,
                  const std::atomic_bool* cancel) {
    QList<Candidate> candidates;
    QString configuredFolder;
    if (!request.cacheFolder.isEmpty()) {
        if (const auto configured = identifyBrowserCache(request.cacheFolder)) {
            configuredFolder = QFileInfo(configured->folder).canonicalFilePath();
            collectBrowserMovies(*configured, 0, request, candidates, onProblem, cancel);
        } else {
            searchIeCache(request, onFound, onProblem, cancel);
        }
    }
    for (const CacheSource& source : request.browsers) {
        if (cancelled(cancel))
            return;
        // The configured cache may be one that discovery finds too; it is read once.
        if (!configuredFolder.isEmpty() &&
            QFileInfo(source.folder).canonicalFilePath() == configuredFolder)
            continue;
        collectBrowserMovies(source, 1, request, candidates, onProblem, cancel);
    }
    for (const Candidate& candidate : newestOfEach(std::move(candidates))) {
        if (cancelled(cancel))
            return;
        onFound(candidate.movie);
    }
}

} // namespace reelcase
