#pragma once

#include "swf/script/vm.h"

namespace reelcase::swf::avm1::builtins {

// What a value becomes after the player serializes it and reads it back (messages
// between connections): primitives as they are; dates and XML documents as new ones;
// arrays and other objects as new arrays and plain objects with their enumerable own
// members copied (shared and cyclic references stay shared); a function as an empty
// object, though functions inside objects are dropped; display objects as undefined.
Value copyAsSerialized(Vm& vm, const Value& value);

} // namespace reelcase::swf::avm1::builtins
