#pragma once

#include "support/fake_swf_host.h"
#include "swf/player/input_event.h"
#include "swf/swf_fixtures.h"

namespace reelcase::test {

// A movie in a player with a recording host, past its first tick, taking input events.
struct PlayedMovie {
    swf::Player player;
    FakeSwfHost host;
    explicit PlayedMovie(const QByteArray& file) {
        player.setHost(&host);
        player.setMovie(load(file));
        player.tick();
        send(swf::InputEvent::Kind::FocusGained); // keys reach it
    }
    void send(swf::InputEvent::Kind kind, QPointF at = {}, int key = 0) {
        swf::InputEvent e;
        e.kind = kind;
        e.position = at;
        e.keyCode = key;
        player.handleInput(e);
    }
};

} // namespace reelcase::test
