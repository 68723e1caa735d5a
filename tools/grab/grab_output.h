#pragma once

#include "caches/movie_search.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace reelcase {

// One line of the listing: local time, size in bytes, browser and URL (the entry's file
// when the URL is unknown), separated by tabs.
QString listingLine(const FoundMovie& movie);

// url, browser, cached (ISO 8601 with the local offset), size, sha256, complete, source.
QJsonObject movieJson(const FoundMovie& movie);

// A file name for movie, from the last segment of its URL's path (else of its file):
// characters unsafe in a file name replaced, no leading dot, at most 120 characters, and
// ".swf" at the end.
QString exportName(const FoundMovie& movie);

struct ExportResult {
    QJsonArray manifest;  // movieJson of each movie, with "file": its name in the folder
    QStringList problems; // one line per movie that could not be written
};

// Copies each movie's file into folder under exportName (through the safe copy), giving
// taken names a suffix ("name-2.swf") and writing identical bodies once, then writes
// manifest.json there. Existing files are never replaced, manifest.json excepted.
ExportResult exportMovies(const QList<FoundMovie>& movies, const QString& folder);

} // namespace reelcase
