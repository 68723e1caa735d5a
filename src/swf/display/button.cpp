#include "swf/display/button.h"

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
constexpr int maxButtonNesting = 4; // buttons drawing buttons

thread_local int drawNesting = 0;

void defineButton(TagContext& c) {
    BitReader& r = c.body;
    const bool v2 = c.code == tag::DefineButton2;
    const std::uint16_t id = r.u16();
    if (v2) {
        r.u8();  // track as menu
        r.u16(); // action offset
    }
    std::vector<Button::Part> up;
    for (int i = 0; i < maxButtonParts && r.ok(); ++i) {
        const int flags = r.u8();
        if (flags == 0 || !r.ok())
            break;
        Button::Part part;
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
        if (flags & 0x01)
            up.push_back(part);
    }
    std::stable_sort(up.begin(), up.end(), [](const Button::Part& a, const Button::Part& b) {
        return a.depth < b.depth;
    });
    // The parts are defined before the button; their bounds let the renderer skip it
    // where nothing changed.
    QRectF bounds;
    for (const Button::Part& part : up)
        if (const Character* ch = c.movie.dictionary.character(part.characterId))
            bounds |= part.matrix.mapRect(ch->bounds());
    c.movie.dictionary.define(id, std::make_shared<Button>(std::move(up), bounds));
}

} // namespace

void Button::draw(const DrawArgs& args) const {
    const Dictionary* dict = args.context.dictionary;
    if (!dict || drawNesting >= maxButtonNesting)
        return;
    ++drawNesting;
    for (const Part& part : m_up) {
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

void registerButtonTags(TagTable& t) {
    t.add(tag::DefineButton, defineButton, true);
    t.add(tag::DefineButton2, defineButton, true);
}

} // namespace reelcase::swf
