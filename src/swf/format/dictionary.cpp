#include "swf/format/dictionary.h"

namespace reelcase::swf {

void Dictionary::define(std::uint16_t id, std::shared_ptr<const Character> character) {
    if (character)
        m_characters.emplace(id, std::move(character));
}

const Character* Dictionary::character(std::uint16_t id) const {
    const auto it = m_characters.find(id);
    return it == m_characters.end() ? nullptr : it->second.get();
}

std::shared_ptr<const Character> Dictionary::shared(std::uint16_t id) const {
    const auto it = m_characters.find(id);
    return it == m_characters.end() ? nullptr : it->second;
}

const QImage* Dictionary::bitmap(std::uint16_t id) const {
    const Character* c = character(id);
    return c ? c->image() : nullptr;
}

} // namespace reelcase::swf
