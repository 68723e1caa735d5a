#pragma once

#include "caches/cache_source.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>

namespace reelcase {

class FoundStore;

// What a search looks at and which rules it applies.
struct MovieSearchRequest {
    QString cacheFolder;         // the configured cache (REELCASE_CACHE or Wine), any format
    QList<CacheSource> browsers; // further Chromium and Firefox caches, searched after it
    QDateTime now;
    bool applyRules = true;            // the size and age tests
    bool includeCutShort = false;      // also bodies that are not whole
    bool hashIeFiles = false;          // read Internet Explorer files for sha256 and completeness
    const FoundStore* store = nullptr; // where movies from browser caches are copied
};

// One movie that the search lists.
struct FoundMovie {
    QString path; // a plain file: the Internet Explorer file, or the copy in the store
                  // (empty for a browser's movie when no store was given)
    QString url;  // empty when the cache does not say
    QString browser;
    QDateTime cached;  // the file's local write time, or when the browser stored it
    qint64 size = 0;   // of the movie, decoded
    QByteArray sha256; // lower-case hex; empty for an Internet Explorer file not read
    bool complete = true;
    QString source; // the cache entry's file
};

// Lists the movies of the configured cache, then those of the browser caches:
// - an Internet Explorer cache (or a folder of no browser format) is scanned by file name
//   exactly as scanIeCache does, each file in its own right, in scan order, each given
//   its URL from the content folder's index.dat when it has one;
// - Chromium and Firefox caches yield the movies recognised by signature in their decoded
//   bodies; the same movie (by content) found several times is listed once, the copy
//   stored last; they follow in groups (configured cache first), newest first in each.
// onFound is called in that order; onProblem with a note on a cache that cannot be read.
// Blocks on the disk; stops early when cancel is set.
void searchMovies(const MovieSearchRequest& request,
                  const std::function<void(const FoundMovie&)>& onFound,
                  const std::function<void(const QString&)>& onProblem = {},
                  const std::atomic_bool* cancel = nullptr);

} // namespace reelcase
