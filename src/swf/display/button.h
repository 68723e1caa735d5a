#pragma once

#include "swf/format/character.h"
#include "swf/format/timeline_def.h"

#include <vector>

namespace reelcase::swf {

// DefineButton and DefineButton2, drawn in their up state: the player takes no pointer
// input, so a button shows as it does before the pointer reaches it. Button actions are
// not run.
class Button : public Character {
public:
    struct Part {
        std::uint16_t characterId = 0;
        std::uint16_t depth = 0;
        QTransform matrix;
        ColorTransform cxform;
        BlendMode blendMode = BlendMode::Normal;
    };
    Button(std::vector<Part> upState, QRectF bounds)
        : m_up(std::move(upState))
        , m_bounds(bounds) {}
    QRectF bounds() const override { return m_bounds; }
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;
    const std::vector<Part>& upState() const { return m_up; }

private:
    std::vector<Part> m_up; // sorted by depth
    QRectF m_bounds;        // of the up state's parts known when it was defined
};

} // namespace reelcase::swf
