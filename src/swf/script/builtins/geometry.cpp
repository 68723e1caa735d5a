#include "swf/script/builtins/builtins.h"

namespace reelcase::swf::avm1::builtins {

void installGeometry(Vm& vm) {
    (void)vm;
}

} // namespace reelcase::swf::avm1::builtins
