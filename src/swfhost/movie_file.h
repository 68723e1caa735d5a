#pragma once

#include <QString>

#include <memory>

namespace reelcase::swf {
class Movie;
}

namespace reelcase::swfhost {

// Movies above this size are not read (bytes).
constexpr qint64 kMaxMovieFileBytes = qint64(512) << 20;

// Reads and parses the movie at path. On failure returns null and sets error to one line
// naming the file and the reason (with the byte offset where parsing stopped).
std::shared_ptr<const swf::Movie> loadMovieFile(const QString& path, QString* error);

} // namespace reelcase::swfhost
