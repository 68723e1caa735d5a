#include "swf/player/standard_tags.h"

#include "swf/bitmaps/bitmap_tags.h"
#include "swf/display/timeline_tags.h"
#include "swf/format/tag_table.h"
#include "swf/shapes/shape_tags.h"
#include "swf/sound/sound_tags.h"
#include "swf/text/text_tags.h"
#include "swf/video/video_tags.h"

namespace reelcase::swf {

const TagTable& standardTagTable() {
    static const TagTable table = [] {
        TagTable t;
        registerTimelineTags(t);
        registerShapeTags(t);
        registerMorphShapeTags(t);
        registerButtonTags(t);
        registerBitmapTags(t);
        registerFontTags(t);
        registerTextTags(t);
        registerSoundTags(t);
        registerVideoTags(t);
        return t;
    }();
    return table;
}

} // namespace reelcase::swf
