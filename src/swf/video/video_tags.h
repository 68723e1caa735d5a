#pragma once

namespace reelcase::swf {

class TagTable;

// DefineVideoStream and VideoFrame.
void registerVideoTags(TagTable& table);

} // namespace reelcase::swf
