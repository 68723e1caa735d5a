#include "swf/script/heap.h"

namespace reelcase::swf::avm1 {

Heap::~Heap() {
    for (Object* o : m_objects)
        delete o;
}

std::size_t Heap::collect(const std::function<void(Heap&)>& markRoots,
                          const std::function<void(Object*)>& onFree) {
    markRoots(*this);
    while (!m_grey.empty()) {
        Object* o = m_grey.back();
        m_grey.pop_back();
        o->markChildren(*this);
    }
    std::size_t live = 0;
    std::vector<Object*> kept;
    kept.reserve(m_objects.size());
    for (Object* o : m_objects) {
        if (o->marked) {
            o->marked = false;
            live += o->weight();
            kept.push_back(o);
        } else {
            onFree(o);
            delete o;
        }
    }
    m_objects = std::move(kept);
    m_liveBytes = live;
    m_allocatedSince = 0;
    return live;
}

} // namespace reelcase::swf::avm1
