#pragma once

#include "swf/display/timeline_instance.h"
#include "swf/player/button_input.h"
#include "swf/player/player.h"
#include "swf/script/input_scripts.h"
#include "swf/script/script_runtime.h"

namespace reelcase::swf {

// What one Player holds; shared by its source files.
struct Player::State {
    std::shared_ptr<const Movie> movie;
    PlayContext context; // declared before root: outlives every timeline
    std::unique_ptr<ScriptRuntime> scripts;
    std::unique_ptr<InputScripts> inputScripts;
    std::vector<std::shared_ptr<const Movie>> imported; // files ImportAssets reads from
    std::shared_ptr<TimelineInstance> root;
    ButtonInput buttons{context};
    bool playing = false;
    bool looping = true;
    bool firstActionsPending = false;
    Host* host = nullptr;

    void runActions() {
        if (scripts)
            scripts->runPending();
    }
    // Runs what an input event queued; a click or key press lets scripts open links.
    void runInputActions(bool userInitiated) {
        context.input.userInitiated = userInitiated;
        runActions();
        context.input.userInitiated = false;
    }
};

} // namespace reelcase::swf
