#pragma once

#include "swf/format/bit_reader.h"
#include "swf/format/character.h"

#include <memory>
#include <vector>

namespace reelcase::swf {

class Dictionary;

// Static text (DefineText, DefineText2): glyphs of embedded fonts placed by the file, each
// record with its font, height, colour and position. The outlines are placed when the tag
// is read, from fonts already in the dictionary, and each glyph is filled on its own:
// overlapping glyphs never cancel, and the rasteriser, whose cost grows with the edges on
// one row, never meets a whole line of glyphs at once.
class TextCharacter : public Character {
public:
    QRectF bounds() const override { return m_bounds; }
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;

    // The tag body after the character id; withAlpha for DefineText2. Null when malformed.
    static std::shared_ptr<TextCharacter> read(BitReader& r, bool withAlpha,
                                               const Dictionary& dictionary);
    // The characters the glyphs show, in the file's order (for scripts' TextSnapshot).
    // Read when asked: the font, or its codes (DefineFontInfo), may come in later tags.
    QString text(const Dictionary& dictionary) const;

private:
    struct Run {
        QColor colour;
        std::vector<QPainterPath> glyphs; // twips, in the text's own coordinates (before m_matrix)
    };
    QRectF m_bounds;
    QTransform m_matrix; // text coordinates -> character coordinates
    std::vector<Run> m_runs;
    struct GlyphRef {
        std::uint16_t fontId = 0;
        std::uint32_t index = 0;
    };
    std::vector<GlyphRef> m_glyphs;
};

} // namespace reelcase::swf
