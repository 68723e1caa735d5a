#pragma once

namespace reelcase::swf {

class TagTable;

// DefineShape 1-4 and DefineMorphShape 1-2.
void registerShapeTags(TagTable& table);
void registerMorphShapeTags(TagTable& table);

} // namespace reelcase::swf
