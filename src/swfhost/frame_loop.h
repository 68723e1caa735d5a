#pragma once

namespace reelcase::swf {
class Player;
}

namespace reelcase::swfhost {

// Counts frames the way a player shows them: the first frame run is frame 1 with its
// actions, each later one is a tick of the clock. The player must already hold its movie.
class FrameLoop {
public:
    explicit FrameLoop(swf::Player& player)
        : m_player(player) {}

    void runFrame();
    int framesRun() const { return m_framesRun; }

private:
    swf::Player& m_player;
    int m_framesRun = 0;
};

} // namespace reelcase::swfhost
