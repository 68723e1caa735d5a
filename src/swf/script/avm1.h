#pragma once

#include "swf/display/timeline_instance.h"

namespace reelcase::swf {

// Runs the frame actions queued in context (and those their gotos queue), at most
// maxSteps actions in all; a script still running when they are spent stops there.
// Frame scripts of SWF 3 to 8 run on a value stack (see avm1_interpreter.h).
void runPendingActions(PlayContext& context, int maxSteps = 100'000);

} // namespace reelcase::swf
