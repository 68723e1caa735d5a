#pragma once

namespace reelcase::swf {

class TagTable;

// JPEGTables, DefineBits, DefineBitsJPEG2-4 and DefineBitsLossless 1-2.
void registerBitmapTags(TagTable& table);

} // namespace reelcase::swf
