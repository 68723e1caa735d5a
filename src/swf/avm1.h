#pragma once

#include "swf/timeline_instance.h"

namespace reelcase::swf {

// Runs the frame actions queued in context (and those their gotos queue), at most
// maxSteps actions in all. Understands the timeline actions (stop, play, goto frame or
// label, next and previous frame, set target); every other action is stepped over.
void runPendingActions(PlayContext& context, int maxSteps = 100'000);

} // namespace reelcase::swf
