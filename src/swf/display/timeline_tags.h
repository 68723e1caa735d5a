#pragma once

namespace reelcase::swf {

class TagTable;

// PlaceObject, RemoveObject, DoAction, FrameLabel, SetBackgroundColor, DefineSprite,
// ExportAssets and DefineButton 1-2.
void registerTimelineTags(TagTable& table);
void registerButtonTags(TagTable& table);

} // namespace reelcase::swf
