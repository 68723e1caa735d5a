#pragma once

#include "swfwriter/writer.h"

// Writers for DefineButton and DefineButton2, beside writer.h. Geometry in stage pixels.
namespace reelcase::swf::write {

// Which states a button record shows in (its flags byte).
enum ButtonStates : int { StateUp = 0x1, StateOver = 0x2, StateDown = 0x4, StateHit = 0x8 };

struct ButtonRecord {
    int states = StateUp | StateOver | StateDown | StateHit;
    std::uint16_t character = 0;
    int depth = 1;
    QTransform matrix = {};
    std::optional<ColorTransform> cxform = {}; // DefineButton2 only
};

// One DefineButton2 condition action: the transitions (the low byte of the conditions
// word and OverDownToIdle in bit 8) or a key (keyPress, 0 for none) that run it.
struct ButtonCondition {
    int transitions = 0;
    int keyPress = 0;
    Actions actions;
};

// The transition bits of ButtonCondition::transitions.
enum ButtonTransition : int {
    IdleToOverUp = 0x1,
    OverUpToIdle = 0x2,
    OverUpToOverDown = 0x4,
    OverDownToOverUp = 0x8,
    OverDownToOutDown = 0x10,
    OutDownToOverDown = 0x20,
    OutDownToIdle = 0x40,
    IdleToOverDown = 0x80,
    OverDownToIdle = 0x100,
};

// DefineButton: the actions run on release.
std::uint16_t defineButton(SwfWriter& w, const std::vector<ButtonRecord>& records,
                           const Actions& onRelease);
std::uint16_t defineButton2(SwfWriter& w, const std::vector<ButtonRecord>& records,
                            const std::vector<ButtonCondition>& conditions,
                            bool trackAsMenu = false);

} // namespace reelcase::swf::write
