#pragma once

#include <QPointF>
#include <QTransform>

namespace reelcase::swf {

class Button;
class Character;
class Dictionary;
class TimelineInstance;
struct DisplayObject;

// Hit tests against what objects draw (shape outlines, not boxes). Points are twips in
// the coordinates of the object's parent (hitsObject) or of the definition itself.
bool hitsObject(const DisplayObject& object, QPointF point, const Dictionary& dictionary,
                int nesting = 0);
bool hitsTimeline(const TimelineInstance& timeline, QPointF point, const Dictionary& dictionary,
                  int nesting = 0);
bool hitsCharacter(const Character& character, QPointF point, const Dictionary& dictionary,
                   int ratio = 0, int nesting = 0);
// The button's hit area (the characters of its hit state).
bool hitsButtonArea(const Button& button, QPointF point, const Dictionary& dictionary,
                    int nesting = 0);

// The clip's twips -> the stage's twips (its content as shown through scroll windows).
QTransform stageTransform(TimelineInstance& clip);
// The stage point (pixels) in the clip's own coordinates (pixels).
QPointF stageToLocal(TimelineInstance& clip, QPointF stagePixels);

} // namespace reelcase::swf
