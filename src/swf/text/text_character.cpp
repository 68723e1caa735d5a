#include "swf/text/text_character.h"

#include "swf/format/dictionary.h"
#include "swf/format/limits.h"
#include "swf/format/records.h"
#include "swf/text/font.h"

#include <QPainter>

namespace reelcase::swf {

namespace {} // namespace

std::shared_ptr<TextCharacter> TextCharacter::read(BitReader& r, bool withAlpha,
                                                   const Dictionary& dictionary) {
    auto text = std::make_shared<TextCharacter>();
    text->m_bounds = readRect(r);
    text->m_matrix = readMatrix(r);
    const int glyphBits = r.u8();
    const int advanceBits = r.u8();
    if (!r.ok() || glyphBits > 32 || advanceBits > 32)
        return nullptr;

    const Font* font = nullptr;
    std::uint16_t fontId = 0;
    double height = 0;
    double x = 0;
    double y = 0;
    QColor colour = Qt::black;
    int glyphTotal = 0;
    qint64 elementTotal = 0;
    while (r.ok()) {
        r.align();
        const int flags = r.u8();
        if (!(flags & 0x80)) // the end of records (a zero byte)
            break;
        if (flags & 0x08) {
            fontId = r.u16();
            font = dynamic_cast<const Font*>(dictionary.character(fontId));
        }
        if (flags & 0x04)
            colour = withAlpha ? readRgba(r) : readRgb(r);
        if (flags & 0x01)
            x = r.s16();
        if (flags & 0x02)
            y = r.s16();
        if (flags & 0x08)
            height = r.u16();
        const int count = r.u8();
        glyphTotal += count;
        if (glyphTotal > limits::maxGlyphsPerText)
            return nullptr;
        Run run{colour, {}};
        for (int i = 0; i < count && r.ok(); ++i) {
            const std::uint32_t index = r.ub(glyphBits);
            const double advance = r.sb(advanceBits);
            text->m_glyphs.push_back({fontId, index});
            if (font && index < font->glyphs().size() &&
                (elementTotal += font->glyphs()[index].outline.elementCount()) <=
                    limits::maxTextPathElements) {
                const double scale = height / font->emSquare();
                QTransform place;
                place.translate(x, y);
                place.scale(scale, scale);
                run.glyphs.push_back(place.map(font->glyphs()[index].outline));
            }
            x += advance;
        }
        if (!run.glyphs.empty())
            text->m_runs.push_back(std::move(run));
    }
    return r.ok() ? text : nullptr;
}

QString TextCharacter::text(const Dictionary& dictionary) const {
    QString out;
    for (const GlyphRef& g : m_glyphs) {
        const auto* font = dynamic_cast<const Font*>(dictionary.character(g.fontId));
        if (font && g.index < font->glyphs().size() && font->glyphs()[g.index].code)
            out += QChar(font->glyphs()[g.index].code);
    }
    return out;
}

void TextCharacter::draw(const DrawArgs& args) const {
    QPainter& p = args.painter;
    p.setTransform(m_matrix * args.matrix);
    p.setPen(Qt::NoPen);
    for (const Run& run : m_runs) {
        const QColor colour = args.cxform.apply(run.colour);
        for (const QPainterPath& glyph : run.glyphs)
            p.fillPath(glyph, colour);
    }
}

QPainterPath TextCharacter::outline(int) const {
    QPainterPath all;
    all.setFillRule(Qt::WindingFill);
    for (const Run& run : m_runs)
        for (const QPainterPath& glyph : run.glyphs)
            all.addPath(glyph);
    return m_matrix.map(all);
}

} // namespace reelcase::swf
