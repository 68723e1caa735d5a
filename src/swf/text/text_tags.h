#pragma once

namespace reelcase::swf {

class TagTable;

// DefineFont 1-3, DefineFontInfo 1-2, DefineText 1-2 and DefineEditText.
void registerFontTags(TagTable& table);
void registerTextTags(TagTable& table);

} // namespace reelcase::swf
