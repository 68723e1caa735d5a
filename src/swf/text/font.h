#pragma once

#include "swf/format/bit_reader.h"
#include "swf/format/character.h"

#include <QHash>
#include <QPainterPath>

#include <memory>
#include <vector>

namespace reelcase::swf {

// An embedded font (DefineFont, DefineFont2, DefineFont3), completed by DefineFontInfo 1
// and 2. Glyph outlines, advances and metrics are in the font's em square: 1024 units, or
// 20480 for DefineFont3; a glyph drawn at height h twips is scaled by h / emSquare().
// Fonts draw nothing themselves; texts draw with them.
class Font : public Character {
public:
    struct Glyph {
        QPainterPath outline; // non-zero winding
        double advance = 0;   // 0 when the font has no layout
        char16_t code = 0;    // the character it shows
    };

    QRectF bounds() const override { return {}; }
    void draw(const DrawArgs&) const override {}

    const QString& name() const { return m_name; }
    bool isBold() const { return m_bold; }
    bool isItalic() const { return m_italic; }
    double emSquare() const { return m_emSquare; }
    bool hasLayout() const { return m_hasLayout; }
    double ascent() const { return m_ascent; }
    double descent() const { return m_descent; }
    double leading() const { return m_leading; }
    const std::vector<Glyph>& glyphs() const { return m_glyphs; }
    // The glyph that shows code, or -1.
    int glyphIndex(char16_t code) const { return m_glyphOfCode.value(code, -1); }
    // How far code moves the pen at em height 1: the layout's advance, else the outline's
    // width plus a little space. 0 for a character the font lacks.
    double advanceOf(char16_t code) const;

    // DefineFont (version 1), DefineFont2 (2) and DefineFont3 (3): the tag body after the
    // font id. Returns null when the tag is malformed.
    static std::shared_ptr<Font> read(BitReader& r, int version, int swfVersion);
    // DefineFontInfo (version 1) or DefineFontInfo2 (2), after the font id: the name,
    // style and the character of each glyph. Fonts are completed this way while the movie
    // is still being parsed, before anything shares them.
    bool readInfo(BitReader& r, int version, int swfVersion);

private:
    void setCodes(const std::vector<char16_t>& codes);

    QString m_name;
    bool m_bold = false;
    bool m_italic = false;
    double m_emSquare = 1024;
    bool m_hasLayout = false;
    bool m_doubleByteCodes = false; // codes above 0xFF are GBK, not Unicode
    double m_ascent = 0;
    double m_descent = 0;
    double m_leading = 0;
    std::vector<Glyph> m_glyphs;
    QHash<char16_t, int> m_glyphOfCode;
};

} // namespace reelcase::swf
