#include "swf/script/avm1.h"

#include "swf/script/avm1_interpreter.h"

namespace reelcase::swf {

void runPendingActions(PlayContext& context, int maxSteps) {
    int steps = maxSteps;
    avm1::Interpreter interpreter(context, steps);
    while (!context.actions.empty() && steps > 0) {
        PendingAction next = context.actions.front();
        context.actions.pop_front();
        if (auto timeline = next.timeline.lock())
            interpreter.runFrameScript(timeline, *next.code);
    }
    context.actions.clear();
}

} // namespace reelcase::swf
