// Handlers of the text tags: DefineText, DefineText2 and DefineEditText.

#include "swf/text/text_tags.h"
#include "swf/format/movie.h"
#include "swf/format/tag_table.h"
#include "swf/text/edit_text.h"
#include "swf/text/text_character.h"

namespace reelcase::swf {

namespace {

enum : int { DefineText = 11, DefineText2 = 33, DefineEditText = 37 };

void defineText(TagContext& c) {
    BitReader& r = c.body;
    const std::uint16_t id = r.u16();
    if (!r.ok() || c.movie.dictionary.character(id))
        return;
    if (auto text = TextCharacter::read(r, c.code == DefineText2, c.movie.dictionary))
        c.movie.dictionary.define(id, std::move(text));
    else
        r.fail();
}

void defineEditText(TagContext& c) {
    BitReader& r = c.body;
    const std::uint16_t id = r.u16();
    if (!r.ok() || c.movie.dictionary.character(id))
        return;
    if (auto field = EditText::read(r, c.movie.dictionary))
        c.movie.dictionary.define(id, std::move(field));
    else
        r.fail();
}

} // namespace

void registerTextTags(TagTable& table) {
    table.add(DefineText, defineText, true);
    table.add(DefineText2, defineText, true);
    table.add(DefineEditText, defineEditText, true);
}

} // namespace reelcase::swf
