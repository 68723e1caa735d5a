#include "swf/script/builtins/bitmap_data.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/filters.h"
#include "swf/script/builtins/input.h"

namespace reelcase::swf::avm1 {

void Vm::setupBuiltins() {
    // The two objects everything else hangs from.
    protos.object = m_heap.make<Object>(nullptr);
    protos.function = m_heap.make<Object>(protos.object);
    // _global inherits nothing: it has no toString or valueOf of its own.
    global = m_heap.make<Object>(nullptr);
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
    builtins::installSystem(*this);
    builtins::installMedia(*this);
    builtins::installPrintJob(*this);
    if (m_version >= 8) {
        // Older files see no flash package (the player hides it from them).
        builtins::installGeometry(*this);
        builtins::installFilters(*this);
        builtins::installBitmapData(*this);
    }
    builtins::installClipDisplay(*this); // after the geometry its scrollRect hands out
    builtins::installSharedObject(*this);
    builtins::installColor(*this);
    builtins::installTextFormat(*this);
    builtins::installTextField(*this);
    builtins::installStyleSheet(*this);
    builtins::installTextSnapshot(*this);
    builtins::installSound(*this);
    builtins::installMovieClipLoader(*this);
    builtins::installFileReference(*this); // into the flash package geometry made
    builtins::installLoadVars(*this);
    builtins::installNetObjects(*this);
    builtins::installExternalInterface(*this);
    builtins::installPlaceholders(*this);
    builtins::installInput(*this);
    builtins::installNativeIds(*this);
    builtins::markVersionedBuiltins(*this);
}

} // namespace reelcase::swf::avm1
