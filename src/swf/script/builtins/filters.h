#pragma once

#include "swf/script/builtins/builtins.h"

namespace reelcase::swf::avm1::builtins {

// flash.filters: the filter classes and the filters property of clips, which feeds the
// drawing layer's filter list.
void installFilters(Vm& vm);

} // namespace reelcase::swf::avm1::builtins
