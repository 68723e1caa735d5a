#include "swf/display/button.h"

#include "swf/display/input_state.h"
#include "swf/display/timeline_tags.h"
#include "swf/format/dictionary.h"
#include "swf/format/filters.h"
#include "swf/format/movie.h"
#include "swf/format/records.h"
#include "swf/format/tag_table.h"

#include <QPainter>

#include <algorithm>

namespace reelcase::swf {
namespace {

constexpr int maxButtonParts = 1000;
constexpr int maxButtonActions = 1000;
constexpr int maxButtonNesting = 4; // buttons drawing buttons

thread_local int drawNesting = 0;

QByteArray restOf(BitReader& r, qint64 size) {
    size = std::clamp<qint64>(size, 0, r.remaining());
    QByteArray code(r.data() + r.position(), static_cast<qsizetype>(size));
    r.skip(size);
    return code;
}

std::vector<Button::Action> readConditionActions(BitReader& r) {
    std::vector<Button::Action> actions;
    for (int i = 0; i < maxButtonActions && r.ok() && r.remaining() > 4; ++i) {
        const int size = r.u16();
        const int low = r.u8();
        const int high = r.u8();
        Button::Action a;
        a.transitions = low | ((high & 1) << 8);
        a.keyPress = high >> 1;
        // A size of 0 marks the last one, which runs to the end of the tag.
        a.code = restOf(r, size == 0 ? r.remaining() : size - 4);
        if (!r.ok())
            break;
        actions.push_back(std::move(a));
        if (size == 0)
            break;
    }
    return actions;
}

void defineButton(TagContext& c) {
    BitReader& r = c.body;
    const bool v2 = c.code == tag::DefineButton2;
    const std::uint16_t id = r.u16();
    bool trackAsMenu = false;
    qint64 actionStart = 0;
    if (v2) {
        trackAsMenu = (r.u8() & 1) != 0;
        const int offset = r.u16();
        actionStart = offset ? r.position() - 2 + offset : 0;
    }
    std::vector<Button::Part> parts;
    for (int i = 0; i < maxButtonParts && r.ok(); ++i) {
        const int flags = r.u8();
        if (flags == 0 || !r.ok())
            break;
        Button::Part part;
        part.states = flags & 0x0f;
        part.characterId = r.u16();
        part.depth = r.u16();
        part.matrix = readMatrix(r);
        if (v2) {
            part.cxform = readColorTransform(r, true);
            if (flags & 0x10)
                readFilterList(r); // parts are drawn without their filters
            if (flags & 0x20) {
                const int mode = r.u8();
                part.blendMode = static_cast<BlendMode>(mode >= 1 && mode <= 14 ? mode : 1);
            }
        }
        if (!r.ok())
            break;
        parts.push_back(part);
    }
    std::stable_sort(parts.begin(), parts.end(), [](const Button::Part& a, const Button::Part& b) {
        return a.depth < b.depth;
    });
    // The parts are defined before the button; their bounds, over every state, let the
    // renderer skip it where nothing changed.
    QRectF bounds;
    for (const Button::Part& part : parts)
        if (const Character* ch = c.movie.dictionary.character(part.characterId))
            bounds |= part.matrix.mapRect(ch->bounds());
    std::vector<Button::Action> actions;
    if (!v2) {
        Button::Action release;
        release.transitions = transition::OverDownToOverUp;
        release.code = restOf(r, r.remaining());
        actions.push_back(std::move(release));
    } else if (actionStart > 0 && actionStart < r.size()) {
        // Filter lists may not have been read exactly; the offset says where actions start.
        BitReader rest(r.data() + actionStart, r.size() - actionStart);
        actions = readConditionActions(rest);
    }
    c.movie.dictionary.define(
        id, std::make_shared<Button>(std::move(parts), std::move(actions), trackAsMenu, bounds));
}

} // namespace

void Button::draw(const DrawArgs& args) const {
    const Dictionary* dict = args.context.dictionary;
    if (!dict || drawNesting >= maxButtonNesting)
        return;
    ++drawNesting;
    for (const Part& part : m_parts) {
        if (!(part.states & Up))
            continue;
        const Character* character = dict->character(part.characterId);
        if (!character || character->timeline())
            continue; // sprites inside buttons need a running instance; not drawn
        args.painter.save();
        character->draw(DrawArgs{args.painter, part.matrix * args.matrix, args.cxform * part.cxform,
                                 0, args.context});
        args.painter.restore();
    }
    --drawNesting;
}

QPainterPath Button::outline(int) const {
    return {};
}

ButtonState stateAfter(int t) {
    switch (t) {
    case transition::OverUpToOverDown:
    case transition::OutDownToOverDown:
    case transition::IdleToOverDown:
        return ButtonState::Down;
    case transition::IdleToOverUp:
    case transition::OverDownToOverUp:
    case transition::OverDownToOutDown: // pressed and dragged off: still highlighted
        return ButtonState::Over;
    default:
        return ButtonState::Up;
    }
}

int buttonSoundIndex(int t) {
    switch (t) {
    case transition::OverUpToIdle:
        return 0;
    case transition::IdleToOverUp:
        return 1;
    case transition::OverUpToOverDown:
        return 2;
    case transition::OverDownToOverUp:
        return 3;
    default:
        return -1;
    }
}

int stateFlag(ButtonState state) {
    switch (state) {
    case ButtonState::Over:
        return Button::Over;
    case ButtonState::Down:
        return Button::Down;
    default:
        return Button::Up;
    }
}

int buttonKeyCode(int keyCode, char32_t character) {
    switch (keyCode) {
    case keycode::Left:
        return 1;
    case keycode::Right:
        return 2;
    case keycode::Home:
        return 3;
    case keycode::End:
        return 4;
    case keycode::Insert:
        return 5;
    case keycode::Delete:
        return 6;
    case keycode::Backspace:
        return 8;
    case keycode::Enter:
        return 13;
    case keycode::Up:
        return 14;
    case keycode::Down:
        return 15;
    case keycode::PageUp:
        return 16;
    case keycode::PageDown:
        return 17;
    case keycode::Tab:
        return 18;
    case keycode::Escape:
        return 19;
    default:
        return character >= 32 && character < 127 ? static_cast<int>(character) : 0;
    }
}

void registerButtonTags(TagTable& t) {
    t.add(tag::DefineButton, defineButton, true);
    t.add(tag::DefineButton2, defineButton, true);
}

} // namespace reelcase::swf
