#pragma once

#include "swf/format/character.h"
#include "swf/format/timeline_def.h"

namespace reelcase::swf {

// DefineSprite: a character with its own timeline. Its instances (timeline_instance.h)
// carry the playing state; drawing goes through the instance, not this definition.
class Sprite : public Character {
public:
    explicit Sprite(TimelineDef timeline)
        : m_timeline(std::move(timeline)) {}
    QRectF bounds() const override { return {}; }
    void draw(const DrawArgs&) const override {}
    const TimelineDef* timeline() const override { return &m_timeline; }

private:
    TimelineDef m_timeline;
};

} // namespace reelcase::swf
