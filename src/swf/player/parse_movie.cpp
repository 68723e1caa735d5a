#include "swf/player/player.h"

#include "swf/format/movie.h"
#include "swf/player/standard_tags.h"

#include "swf/format/container.h"
#include "swf/format/limits.h"
#include "swf/format/records.h"
#include "swf/format/tag_table.h"

namespace reelcase::swf {

std::shared_ptr<const Movie> parseMovie(const QByteArray& bytes, LoadError* error) {
    const std::optional<Container> container = readContainer(bytes, error);
    if (!container)
        return nullptr;
    auto movie = std::make_shared<Movie>();
    movie->version = container->version;
    movie->truncated = container->truncated;
    movie->declaredLength = container->declaredLength;
    movie->fileBytes = static_cast<std::uint32_t>(bytes.size());
    BitReader r(container->body);
    movie->stage = readRect(r);
    const std::uint16_t rate = r.u16(); // 8.8 fixed point
    movie->frameRate = rate / 256.0;
    movie->declaredFrameCount = r.u16();
    if (!r.ok()) {
        if (error)
            *error = {QStringLiteral("movie header is truncated"), r.position()};
        return nullptr;
    }
    if (!movie->stage.isValid() || movie->stage.width() > 20 * 100'000 ||
        movie->stage.height() > 20 * 100'000) {
        if (error)
            *error = {QStringLiteral("stage size is empty or absurd"), 0};
        return nullptr;
    }
    ParseState parse{standardTagTable(), limits::maxTags, {}, 0};
    parseTags(parse, r, *movie, movie->root, false);
    return movie;
}

} // namespace reelcase::swf
