#pragma once

#include "caches/cached_movie.h"

#include <QSet>
#include <QString>

namespace reelcase {

// The folder of plain copies of movies found in browser caches, so that the player, Save
// As and the favorites work on an ordinary file. One file per content, "<sha256>.swf";
// writing one that exists only marks it used. Nothing else in the folder is touched.
class FoundStore {
public:
    static constexpr qint64 kDefaultMaxBytes = qint64(512) * 1024 * 1024;

    explicit FoundStore(QString folder);
    const QString& folder() const { return m_folder; }

    // The movie's file, written when missing (complete or not at all); empty on failure.
    // Blocks on the disk.
    QString store(const CachedMovie& movie) const;

    // Removes stored movies, least recently stored or used first, until the folder holds
    // at most maxBytes of them; files named in keep stay.
    void prune(qint64 maxBytes, const QSet<QString>& keep) const;

private:
    QString m_folder;
};

} // namespace reelcase
