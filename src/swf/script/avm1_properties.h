#pragma once

#include "swf/script/avm1_value.h"

namespace reelcase::swf {
class TimelineInstance;
}

// Movie clip properties as scripts see them (_x, _alpha, _currentframe ...), by the index
// GetProperty / SetProperty use or by name.
namespace reelcase::swf::avm1 {

// The property index of a name such as "_x" (any case), or -1.
int propertyIndex(const QString& name);
// Reads property index of clip; unknown indices give undefined.
Value getProperty(TimelineInstance& clip, int index, int version);
// Sets a property; placement properties change how the clip is drawn, read-only and
// unknown ones are ignored. Non-finite numbers are ignored.
void setProperty(TimelineInstance& clip, int index, const Value& value, int version);
// "/a/b" (slash syntax, the root is "/") and "_level0.a.b" (dot syntax).
QString slashPath(TimelineInstance& clip);
QString dotPath(TimelineInstance& clip);

} // namespace reelcase::swf::avm1
