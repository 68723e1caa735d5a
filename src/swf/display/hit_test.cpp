#include "swf/display/hit_test.h"

#include "swf/display/button.h"
#include "swf/display/timeline_instance.h"
#include "swf/format/dictionary.h"
#include "swf/format/limits.h"

namespace reelcase::swf {
namespace {

bool inverseMap(const QTransform& m, QPointF point, QPointF& out) {
    bool invertible = false;
    const QTransform inverse = m.inverted(&invertible);
    if (!invertible)
        return false;
    out = inverse.map(point);
    return true;
}

// A sprite definition not placed anywhere yet (a button's hit area): its first frame.
bool hitsFirstFrame(const TimelineDef& def, QPointF point, const Dictionary& dictionary,
                    int nesting) {
    if (def.frames.empty())
        return false;
    for (const FrameCommand& command : def.frames.front().commands) {
        const auto* place = std::get_if<PlaceCommand>(&command);
        if (!place || !place->characterId || (place->clipDepth && *place->clipDepth))
            continue;
        const Character* c = dictionary.character(*place->characterId);
        QPointF local;
        if (c && inverseMap(place->matrix.value_or(QTransform()), point, local) &&
            hitsCharacter(*c, local, dictionary, place->ratio.value_or(0), nesting + 1))
            return true;
    }
    return false;
}

} // namespace

bool hitsCharacter(const Character& character, QPointF point, const Dictionary& dictionary,
                   int ratio, int nesting) {
    if (nesting > limits::maxSpriteNesting)
        return false;
    if (const TimelineDef* def = character.timeline())
        return hitsFirstFrame(*def, point, dictionary, nesting);
    if (const auto* button = dynamic_cast<const Button*>(&character))
        return hitsButtonArea(*button, point, dictionary, nesting);
    const QRectF box = character.bounds();
    if (!box.contains(point) && !box.isEmpty())
        return false;
    return character.hits(point, ratio);
}

bool hitsButtonArea(const Button& button, QPointF point, const Dictionary& dictionary,
                    int nesting) {
    for (const Button::Part& part : button.parts()) {
        if (!(part.states & Button::Hit))
            continue;
        const Character* c = dictionary.character(part.characterId);
        QPointF local;
        if (c && inverseMap(part.matrix, point, local) &&
            hitsCharacter(*c, local, dictionary, 0, nesting + 1))
            return true;
    }
    return false;
}

bool hitsTimeline(const TimelineInstance& timeline, QPointF point, const Dictionary& dictionary,
                  int nesting) {
    for (const auto& [depth, child] : timeline.displayList())
        if (child.placement.clipDepth == 0 && hitsObject(child, point, dictionary, nesting + 1))
            return true;
    return false;
}

bool hitsObject(const DisplayObject& object, QPointF point, const Dictionary& dictionary,
                int nesting) {
    // A clip showing a loaded movie has no character of its own, only its timeline.
    if (nesting > limits::maxSpriteNesting || !object.placement.visible ||
        (!object.character && !object.sprite))
        return false;
    QPointF local;
    if (!inverseMap(object.placement.matrix, point, local))
        return false;
    if (const auto& scroll = object.placement.scrollRect) {
        // Only the window is hit, and it shows content from the scroll position.
        if (!QRectF(QPointF(0, 0), scroll->size()).contains(local))
            return false;
        local += scroll->topLeft();
    }
    if (object.button)
        return hitsButtonArea(*object.button->definition, local, dictionary, nesting);
    if (object.sprite)
        return hitsTimeline(*object.sprite, local, dictionary, nesting);
    return hitsCharacter(*object.character, local, dictionary, object.placement.ratio, nesting);
}

QTransform stageTransform(TimelineInstance& clip) {
    QTransform m;
    int steps = 0;
    for (TimelineInstance* at = &clip; at && at->parent() && steps < 1000;
         at = at->parent(), ++steps)
        if (DisplayObject* e = at->entry())
            m = m * contentOffset(*e) * e->placement.matrix;
    return m;
}

QPointF stageToLocal(TimelineInstance& clip, QPointF stagePixels) {
    bool invertible = false;
    const QTransform inverse = stageTransform(clip).inverted(&invertible);
    return invertible ? inverse.map(stagePixels * 20.0) / 20.0 : QPointF();
}

} // namespace reelcase::swf
