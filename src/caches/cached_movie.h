#pragma once

#include "caches/parsed_entry.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace reelcase {

// Movies larger than this are neither read nor decoded (the player's own limit).
constexpr qint64 kMaxMovieBytes = 256 * 1024 * 1024;

// A Flash movie found in a browser cache, decoded.
struct CachedMovie {
    QString url;           // where the browser fetched it; empty when the cache does not say
    QString browser;       // the browser whose cache holds it, for people
    QDateTime cached;      // when the browser stored it (an instant)
    QString source;        // the cache entry's file
    QByteArray body;       // the movie, content coding undone
    QByteArray sha256;     // of body, lower-case hex
    bool complete = false; // false for a body cut short
};

// The movie in an entry: empty unless the stored body, decoded, starts with a movie's
// signature. Bodies that cannot be whole are still returned, with complete false:
// a partial (206) response, a transfer the browser marked cut short, fewer bytes than
// Content-Length, a coded stream that ends early, or a movie shorter than its header
// says. Anything unreadable, undecodable or larger than kMaxMovieBytes is dropped.
std::optional<CachedMovie> extractMovie(const ParsedEntry& entry);

// The same for the bytes of a plain movie file (Internet Explorer keeps them so).
CachedMovie movieFromFileBytes(QByteArray bytes);

} // namespace reelcase
