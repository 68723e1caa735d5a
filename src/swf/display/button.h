#pragma once

#include "swf/format/character.h"
#include "swf/format/timeline_def.h"

#include <QByteArray>

#include <vector>

namespace reelcase::swf {

// The transitions between a button's pointer states (Idle, OverUp, OverDown, OutDown), as
// DefineButton2's condition words number them. The key-press condition sits beside them.
namespace transition {
enum : int {
    IdleToOverUp = 0x1,       // roll over
    OverUpToIdle = 0x2,       // roll out
    OverUpToOverDown = 0x4,   // press
    OverDownToOverUp = 0x8,   // release
    OverDownToOutDown = 0x10, // drag out
    OutDownToOverDown = 0x20, // drag over
    OutDownToIdle = 0x40,     // release outside
    IdleToOverDown = 0x80,    // drag over, as a menu
    OverDownToIdle = 0x100,   // drag out, as a menu
};
} // namespace transition

// What a button shows.
enum class ButtonState : std::uint8_t { Up, Over, Down };

// The state a transition leaves a button in.
ButtonState stateAfter(int transition);
// Which of DefineButtonSound's four sounds (roll out, roll over, press, release) a
// transition plays, or -1.
int buttonSoundIndex(int transition);

// DefineButton and DefineButton2: the characters of each state, the hit area and the
// actions. A button on a display list is a stateful instance (timeline_instance.h); this
// definition draws the up state where no instance exists.
class Button : public Character {
public:
    enum StateFlag : int { Up = 0x1, Over = 0x2, Down = 0x4, Hit = 0x8 };
    struct Part {
        std::uint16_t characterId = 0;
        std::uint16_t depth = 0;
        int states = 0; // StateFlag bits
        QTransform matrix;
        ColorTransform cxform;
        BlendMode blendMode = BlendMode::Normal;
    };
    // Runs on any of the transitions, or on the key (keyPress, 0 for none).
    struct Action {
        int transitions = 0;
        int keyPress = 0;
        QByteArray code;
    };
    Button(std::vector<Part> parts, std::vector<Action> actions, bool trackAsMenu, QRectF bounds)
        : m_parts(std::move(parts))
        , m_actions(std::move(actions))
        , m_trackAsMenu(trackAsMenu)
        , m_bounds(bounds) {}
    QRectF bounds() const override { return m_bounds; }
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;
    // Every part by depth; a part shows in the states its flags name.
    const std::vector<Part>& parts() const { return m_parts; }
    const std::vector<Action>& actions() const { return m_actions; }
    bool trackAsMenu() const { return m_trackAsMenu; }

private:
    std::vector<Part> m_parts;
    std::vector<Action> m_actions;
    bool m_trackAsMenu = false;
    QRectF m_bounds; // of the parts known when it was defined, every state
};

// The stage flag of a shown state.
int stateFlag(ButtonState state);

// A key-press condition's code for a key the movie saw (key code and typed character), or
// 0 when no condition can name it.
int buttonKeyCode(int keyCode, char32_t character);

} // namespace reelcase::swf
