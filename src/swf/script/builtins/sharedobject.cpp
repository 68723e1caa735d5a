#include "swf/script/builtins/builtins.h"

namespace reelcase::swf::avm1::builtins {

void installSharedObject(Vm& vm) {
    (void)vm;
}

} // namespace reelcase::swf::avm1::builtins
