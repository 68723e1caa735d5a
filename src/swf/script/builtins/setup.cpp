#include "swf/script/builtins/bitmap_data.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/filters.h"
#include "swf/script/builtins/input.h"

namespace reelcase::swf::avm1 {

void Vm::setupBuiltins() {
    // The two objects everything else hangs from.
    protos.object = m_heap.make<Object>(nullptr);
    protos.function = m_heap.make<Object>(protos.object);
    global = m_heap.make<Object>(protos.object);
    builtins::installObject(*this);
    builtins::installFunction(*this);
    builtins::installArray(*this);
    builtins::installString(*this);
    builtins::installNumberAndBoolean(*this);
    builtins::installMath(*this);
    builtins::installGlobals(*this);
    builtins::installMovieClip(*this);
    builtins::installError(*this);
    builtins::installDate(*this);
    builtins::installXml(*this);
    builtins::installMisc(*this);
    if (m_version >= 8) {
        // Older files see no flash package (the player hides it from them).
        builtins::installGeometry(*this);
        builtins::installFilters(*this);
        builtins::installBitmapData(*this);
    }
    builtins::installSharedObject(*this);
    builtins::installColor(*this);
    builtins::installTextFormat(*this);
    builtins::installSound(*this);
    builtins::installPlaceholders(*this);
    builtins::installInput(*this);
}

} // namespace reelcase::swf::avm1
