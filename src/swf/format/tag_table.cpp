#include "swf/format/tag_table.h"

#include "swf/format/limits.h"
#include "swf/format/movie.h"

namespace reelcase::swf {

void TagTable::add(int code, TagHandler handler, bool topLevelOnly) {
    if (code >= 0 && code < static_cast<int>(m_entries.size()))
        m_entries[static_cast<size_t>(code)] = {handler, topLevelOnly};
}

TagHandler TagTable::find(int code, bool inSprite) const {
    if (code < 0 || code >= static_cast<int>(m_entries.size()))
        return nullptr;
    const Entry& e = m_entries[static_cast<size_t>(code)];
    return (inSprite && e.topLevelOnly) ? nullptr : e.handler;
}

void parseTags(ParseState& parse, BitReader& r, Movie& movie, TimelineDef& timeline,
               bool inSprite) {
    FrameDef frame;
    bool frameHasContent = false;
    bool sawEnd = false;
    while (r.remaining() >= 2) {
        if (--parse.tagBudget < 0)
            break;
        const qint64 tagStart = r.offset();
        const std::uint16_t codeAndLength = r.u16();
        const int code = codeAndLength >> 6;
        qint64 length = codeAndLength & 0x3f;
        if (length == 0x3f)
            length = r.u32();
        if (!r.ok())
            break;
        if (length > r.remaining()) {
            // The file stops inside this tag: keep everything before it.
            movie.truncated = true;
            break;
        }
        BitReader body = r.sub(length);
        if (code == tag::End) {
            sawEnd = true;
            break;
        }
        if (code == tag::ShowFrame) {
            if (static_cast<int>(timeline.frames.size()) >= limits::maxFrames)
                break;
            timeline.frames.push_back(std::move(frame));
            frame = {};
            frameHasContent = false;
            continue;
        }
        if (TagHandler handler = parse.table.find(code, inSprite)) {
            TagContext ctx{parse, movie, timeline, frame, body, code, tagStart, inSprite};
            handler(ctx);
            if (!body.ok())
                ++movie.skippedTags;
            frameHasContent = true;
        }
    }
    // A last frame without its ShowFrame (a cut-off file) still shows.
    const bool openFrame = frameHasContent && !frame.commands.empty();
    if (openFrame)
        timeline.frames.push_back(std::move(frame));
    timeline.complete = sawEnd && !openFrame;
    if (timeline.frames.empty())
        timeline.frames.emplace_back();
}

} // namespace reelcase::swf
