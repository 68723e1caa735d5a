#include "swf/script/builtins/builtins.h"

namespace reelcase::swf::avm1::builtins {

void installMisc(Vm& vm) {
    (void)vm;
}

} // namespace reelcase::swf::avm1::builtins
