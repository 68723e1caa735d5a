#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace reelcase::swf {

// What drawing derives from immutable definitions and would otherwise redo every frame:
// stroke outlines, morph shapes at a ratio, tinted bitmaps, text layouts, mask outlines.
// One per player, owned by the renderer, so definitions stay immutable and shareable.
// Entries are keyed by the definition part they come from (its address) and a number
// that says which derivation it is; an entry unused for a while is dropped once the
// cache holds more than its budget. Thread-safe: tiles of one frame may draw at once.
class DrawCache {
public:
    explicit DrawCache(std::size_t budgetBytes = 256u << 20)
        : m_budget(budgetBytes) {}

    // The value for (owner, key), made by make() on a miss. cost: its size in bytes.
    template <class T, class Make>
    std::shared_ptr<const T> get(const void* owner, std::uint64_t key, Make&& make,
                                 std::size_t cost = 256) {
        const Key k{owner, key};
        {
            std::lock_guard lock(m_mutex);
            if (auto it = m_entries.find(k); it != m_entries.end()) {
                it->second.lastUsed = m_frame;
                return std::static_pointer_cast<const T>(it->second.value);
            }
        }
        // Made outside the lock: two tiles may both make it, the second copy is dropped.
        auto value = std::make_shared<const T>(make());
        std::lock_guard lock(m_mutex);
        auto [it, added] = m_entries.try_emplace(k, Entry{value, cost, m_frame, false});
        if (added)
            m_used += cost;
        return std::static_pointer_cast<const T>(it->second.value);
    }

    // Notes that (owner, key) is wanted in this frame; true when it was also wanted in the
    // frame before (the answer holds for the whole frame, whichever tile asks). Lets a
    // costly derivation wait until something is drawn the same way in frames that follow
    // each other, not merely twice in one frame or again some time later.
    bool seenInLastFrame(const void* owner, std::uint64_t key) {
        std::lock_guard lock(m_mutex);
        auto [it, added] =
            m_entries.try_emplace(Key{owner, key}, Entry{nullptr, 64, m_frame, false});
        if (added) {
            m_used += 64;
            return false;
        }
        Entry& e = it->second;
        if (e.lastUsed != m_frame) {
            e.seenInLastFrame = e.lastUsed + 1 == m_frame;
            e.lastUsed = m_frame;
        }
        return e.seenInLastFrame;
    }

    // Call once per drawn frame: over budget, entries not used in the last frames go.
    void endFrame() {
        std::lock_guard lock(m_mutex);
        ++m_frame;
        if (m_used <= m_budget)
            return;
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (m_frame - it->second.lastUsed > 1) {
                m_used -= it->second.cost;
                it = m_entries.erase(it);
            } else {
                ++it;
            }
        }
        if (m_used > m_budget) { // one frame alone is over: start afresh next time
            m_entries.clear();
            m_used = 0;
        }
    }

    void clear() {
        std::lock_guard lock(m_mutex);
        m_entries.clear();
        m_used = 0;
    }

    std::size_t size() const {
        std::lock_guard lock(m_mutex);
        return m_entries.size();
    }

private:
    struct Key {
        const void* owner;
        std::uint64_t key;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            return std::hash<const void*>()(k.owner) ^ (k.key * 0x9E3779B97F4A7C15ull);
        }
    };
    struct Entry {
        std::shared_ptr<const void> value;
        std::size_t cost = 0;
        std::uint64_t lastUsed = 0;
        bool seenInLastFrame = false;
    };

    mutable std::mutex m_mutex;
    std::unordered_map<Key, Entry, KeyHash> m_entries;
    std::size_t m_budget;
    std::size_t m_used = 0;
    std::uint64_t m_frame = 0;
};

// A key made of a value's bytes (FNV-1a), for derivations that depend on one, such as a
// colour transform. Pass only types without padding.
template <class T> std::uint64_t bytesKey(const T& value) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        h = (h ^ bytes[i]) * 0x100000001b3ull;
    return h;
}

// Looks up through a cache when there is one; without one, makes the value each time.
template <class T, class Make>
std::shared_ptr<const T> cached(DrawCache* cache, const void* owner, std::uint64_t key, Make&& make,
                                std::size_t cost = 256) {
    if (!cache)
        return std::make_shared<const T>(make());
    return cache->get<T>(owner, key, std::forward<Make>(make), cost);
}

} // namespace reelcase::swf
