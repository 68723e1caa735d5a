#include "swfhost/movie_file.h"

#include "swfhost/regular_file.h"

#include "swf/player/player.h"

namespace reelcase::swfhost {

std::shared_ptr<const swf::Movie> loadMovieFile(const QString& path, QString* error) {
    const FileRead read = readRegularFile(path, kMaxMovieFileBytes);
    if (!read.bytes) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(path, read.error);
        return nullptr;
    }
    swf::LoadError loadError;
    auto movie = swf::parseMovie(*read.bytes, &loadError);
    if (!movie && error)
        *error =
            QStringLiteral("%1: %2 (at byte %3)").arg(path, loadError.reason).arg(loadError.offset);
    return movie;
}

} // namespace reelcase::swfhost
