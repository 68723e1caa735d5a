// Handlers of the font tags: DefineFont 1-3 and DefineFontInfo 1-2. The hinting and
// naming tags of later authoring tools (DefineFontAlignZones, CSMTextSettings,
// DefineFontName) change nothing this player draws and are passed over.

#include "swf/format/movie.h"
#include "swf/format/tag_table.h"
#include "swf/text/font.h"
#include "swf/text/text_tags.h"

namespace reelcase::swf {

namespace {

enum : int {
    DefineFont = 10,
    DefineFontInfo = 13,
    DefineFont2 = 48,
    DefineFontInfo2 = 62,
    DefineFontAlignZones = 73,
    CsmTextSettings = 74,
    DefineFont3 = 75,
    DefineFontName = 88,
};

void defineFont(TagContext& c) {
    BitReader& r = c.body;
    const std::uint16_t id = r.u16();
    if (!r.ok() || c.movie.dictionary.character(id))
        return;
    const int version = c.code == DefineFont ? 1 : c.code == DefineFont2 ? 2 : 3;
    if (auto font = Font::read(r, version, c.movie.version))
        c.movie.dictionary.define(id, std::move(font));
    else
        r.fail();
}

void defineFontInfo(TagContext& c) {
    BitReader& r = c.body;
    const std::uint16_t id = r.u16();
    // The font is not shared yet: the movie is still being read on this thread.
    auto font = std::const_pointer_cast<Font>(
        std::dynamic_pointer_cast<const Font>(c.movie.dictionary.shared(id)));
    if (!font || !font->readInfo(r, c.code == DefineFontInfo ? 1 : 2, c.movie.version))
        r.fail();
}

void ignore(TagContext&) {}

} // namespace

void registerFontTags(TagTable& table) {
    for (int code : {DefineFont, DefineFont2, DefineFont3})
        table.add(code, defineFont, true);
    table.add(DefineFontInfo, defineFontInfo, true);
    table.add(DefineFontInfo2, defineFontInfo, true);
    for (int code : {DefineFontAlignZones, CsmTextSettings, DefineFontName})
        table.add(code, ignore, true);
}

} // namespace reelcase::swf
