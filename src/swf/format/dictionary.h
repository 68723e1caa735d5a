#pragma once

#include "swf/format/character.h"

#include <memory>
#include <unordered_map>

namespace reelcase::swf {

// The characters of one movie by id. A later definition of an id already taken is
// ignored, as players do.
class Dictionary {
public:
    void define(std::uint16_t id, std::shared_ptr<const Character> character);
    const Character* character(std::uint16_t id) const;
    std::shared_ptr<const Character> shared(std::uint16_t id) const;
    // The image of a bitmap character, or null (no such id, not a bitmap, not decodable).
    const QImage* bitmap(std::uint16_t id) const;
    std::size_t size() const { return m_characters.size(); }
    // Calls f(id, character) for every character, in no particular order.
    template <typename F> void forEach(F&& f) const {
        for (const auto& [id, character] : m_characters)
            f(id, *character);
    }

private:
    std::unordered_map<std::uint16_t, std::shared_ptr<const Character>> m_characters;
};

} // namespace reelcase::swf
