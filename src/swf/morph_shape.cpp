#include "swf/tag_table.h"

namespace reelcase::swf {

void registerMorphShapeTags(TagTable&) {}

} // namespace reelcase::swf
