#pragma once

#include "swf/script/object.h"

#include <functional>
#include <vector>

namespace reelcase::swf::avm1 {

// Owns every object of one playing movie and frees those nothing reaches (mark and sweep).
// Marking uses a work list, so deep or cyclic structures cost no native stack.
class Heap {
public:
    explicit Heap(bool caseSensitive)
        : m_caseSensitive(caseSensitive) {}
    ~Heap();
    Heap(const Heap&) = delete;
    Heap& operator=(const Heap&) = delete;

    template <class T = Object> T* make(Object* proto) {
        T* o = new T(proto, m_caseSensitive);
        m_objects.push_back(o);
        m_allocatedSince += sizeof(T) + 64;
        return o;
    }

    void mark(Object* o) {
        if (o && !o->marked) {
            o->marked = true;
            m_grey.push_back(o);
        }
    }
    void mark(const Value& v) { mark(objectOf(v)); }

    // Marks from the roots markRoots marks, then frees the rest; onFree sees each object
    // before it goes. Returns the bytes still held.
    std::size_t collect(const std::function<void(Heap&)>& markRoots,
                        const std::function<void(Object*)>& onFree);
    // Bytes held as of the last collection plus what was allocated since.
    std::size_t bytes() const { return m_liveBytes + m_allocatedSince; }
    std::size_t count() const { return m_objects.size(); }
    // Time for a collection: allocation since the last one passed the live size (and 4 MB).
    bool wantsCollection() const {
        return m_allocatedSince > std::max<std::size_t>(m_liveBytes, 4u << 20);
    }
    // Property growth counts as allocation too.
    void noteGrowth(std::size_t bytes) { m_allocatedSince += bytes; }
    bool caseSensitive() const { return m_caseSensitive; }

private:
    std::vector<Object*> m_objects;
    std::vector<Object*> m_grey;
    std::size_t m_liveBytes = 0;
    std::size_t m_allocatedSince = 0;
    bool m_caseSensitive;
};

} // namespace reelcase::swf::avm1
