#include "swfhost/frame_loop.h"

#include "swf/player/player.h"

namespace reelcase::swfhost {

void FrameLoop::runFrame() {
    if (m_framesRun == 0)
        m_player.runFirstFrameActions();
    else
        m_player.tick();
    ++m_framesRun;
}

} // namespace reelcase::swfhost
