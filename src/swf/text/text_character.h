#pragma once

#include "swf/format/bit_reader.h"
#include "swf/format/character.h"

#include <memory>
#include <vector>

namespace reelcase::swf {

class Dictionary;

// Static text (DefineText, DefineText2): glyphs of embedded fonts placed by the file, each
// record with its font, height, colour and position. The outlines are gathered into one
// path per record when the tag is read, from fonts already in the dictionary.
class TextCharacter : public Character {
public:
    QRectF bounds() const override { return m_bounds; }
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;

    // The tag body after the character id; withAlpha for DefineText2. Null when malformed.
    static std::shared_ptr<TextCharacter> read(BitReader& r, bool withAlpha,
                                               const Dictionary& dictionary);
    // The characters the glyphs show, in the file's order (for scripts' TextSnapshot).
    const QString& text() const { return m_text; }

private:
    struct Run {
        QColor colour;
        QPainterPath path; // twips, in the text's own coordinates (before m_matrix)
    };
    QRectF m_bounds;
    QTransform m_matrix; // text coordinates -> character coordinates
    std::vector<Run> m_runs;
    QString m_text;
};

} // namespace reelcase::swf
