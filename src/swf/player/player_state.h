#pragma once

#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/player/button_input.h"
#include "swf/player/player.h"
#include "swf/render/frame_renderer.h"
#include "swf/script/input_scripts.h"
#include "swf/script/script_runtime.h"
#include "swf/sound/sound_mixer.h"

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
    int scriptStepsPerFrame = 0;
    bool keyTakenByButton = false; // the character the key types goes to no text field
    Host* host = nullptr;
    std::shared_ptr<SoundMixer> mixer = std::make_shared<SoundMixer>();
    std::int64_t audioFramesRendered = 0; // timeline frames renderAudio() has played
    FrameRenderer renderer;               // the kept picture and drawing caches of this player

    // The levels above the first move on as the root does (they always loop).
    void tickLevels() {
        std::vector<std::shared_ptr<TimelineInstance>> above;
        for (const auto& [level, timeline] : context.levels)
            if (level > 0)
                above.push_back(timeline);
        for (const auto& timeline : above)
            timeline->tick();
    }
    void runActions() {
        if (scripts)
            scripts->runPending();
    }
    bool hasBlock(int frame) const {
        const TimelineDef& t = movie->root;
        return frame >= 0 && frame < t.frameCount() &&
               !t.frames[static_cast<std::size_t>(frame)].streamBlock.isEmpty();
    }
    // The main timeline's stream, keyed by its definition (sprites key theirs by instance).
    void followStream(int before) {
        if (root)
            mixer->followTimeline(&movie->root, movie->root, before, root->currentFrame(),
                                  root->isPlaying(), root->soundOwners());
    }
    // Runs what an input event queued; a click or key press lets scripts open links.
    void runInputActions(bool userInitiated) {
        context.input.userInitiated = userInitiated;
        runActions();
        context.input.userInitiated = false;
    }
};

} // namespace reelcase::swf
