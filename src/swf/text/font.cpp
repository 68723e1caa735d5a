#include "swf/text/font.h"

#include "swf/format/records.h"
#include "swf/format/text_encoding.h"
#include "swf/shapes/shape_paths.h"
#include "swf/shapes/shape_records.h"

namespace reelcase::swf {

namespace {

// A glyph's SHAPE record (its bytes between two offsets) as one filled path.
QPainterPath readGlyphOutline(const char* data, qint64 size, qint64 baseOffset) {
    BitReader r(data, size, baseOffset);
    ShapeData shape;
    StyleSet styles;
    FillStyle fill;
    fill.color = Qt::black;
    styles.fills.push_back(fill);
    shape.styleSets.push_back(std::move(styles));
    if (!readShape(r, 1, shape) && shape.records.empty())
        return {};
    const ShapePaths paths = buildShapePaths(shape, Qt::WindingFill);
    QPainterPath outline;
    outline.setFillRule(Qt::WindingFill);
    for (const ShapeLayer& layer : paths.layers)
        for (const FillPath& fillPath : layer.fills)
            outline.addPath(fillPath.path);
    outline.setFillRule(Qt::WindingFill);
    return outline;
}

// The font name field of DefineFont2/3 and DefineFontInfo: a length and that many bytes,
// often with a trailing NUL.
QString readFontName(BitReader& r) {
    const int length = r.u8();
    if (length > r.remaining()) {
        r.fail();
        return {};
    }
    QByteArrayView bytes(r.data() + r.position(), length);
    r.skip(length);
    while (!bytes.isEmpty() && bytes.back() == '\0')
        bytes.chop(1);
    return decodeSwfText(bytes);
}

} // namespace

double Font::advanceOf(char16_t code) const {
    const int index = glyphIndex(code);
    if (index < 0)
        return 0;
    const Glyph& glyph = m_glyphs[size_t(index)];
    if (m_hasLayout)
        return glyph.advance / m_emSquare;
    return (std::max(0.0, glyph.outline.boundingRect().right()) + m_emSquare / 16) / m_emSquare;
}

void Font::setCodes(const std::vector<char16_t>& codes) {
    m_glyphOfCode.clear();
    for (size_t i = 0; i < m_glyphs.size() && i < codes.size(); ++i) {
        char16_t code = codes[i];
        if (m_doubleByteCodes && code > 0xFF) {
            // Files before version 6 store the code page's double-byte codes.
            const char bytes[2] = {char(code >> 8), char(code & 0xFF)};
            const QString decoded = decodeSwfText(QByteArrayView(bytes, 2));
            if (decoded.size() == 1)
                code = decoded[0].unicode();
        }
        m_glyphs[i].code = code;
        if (!m_glyphOfCode.contains(code))
            m_glyphOfCode.insert(code, int(i));
    }
}

std::shared_ptr<Font> Font::read(BitReader& r, int version, int swfVersion) {
    auto font = std::make_shared<Font>();
    font->m_doubleByteCodes = swfVersion < 6;
    bool wideOffsets = false;
    bool wideCodes = false;
    int glyphCount = 0;
    if (version >= 2) {
        const int flags = r.u8();
        font->m_hasLayout = flags & 0x80;
        wideOffsets = flags & 0x08;
        wideCodes = flags & 0x04;
        font->m_italic = flags & 0x02;
        font->m_bold = flags & 0x01;
        r.u8(); // language code
        font->m_name = readFontName(r);
        glyphCount = r.u16();
        font->m_emSquare = version == 3 ? 20480 : 1024;
    }
    if (!r.ok())
        return nullptr;
    // A font that only names a device face may end at its glyph count, with no code table.
    if (version >= 2 && glyphCount == 0 && r.remaining() == 0)
        return font;

    // Offsets count from the start of the offset table.
    const qint64 tableStart = r.position();
    const qint64 baseOffset = r.offset() - r.position();
    const char* table = r.data() + tableStart;
    const qint64 tableSize = r.remaining();
    std::vector<qint64> offsets;
    if (version == 1) {
        const qint64 first = r.u16();
        glyphCount = int(first / 2);
        offsets.push_back(first);
        for (int i = 1; i < glyphCount && r.ok(); ++i)
            offsets.push_back(r.u16());
    } else {
        for (int i = 0; i < glyphCount && r.ok(); ++i)
            offsets.push_back(wideOffsets ? qint64(r.u32()) : qint64(r.u16()));
    }
    const qint64 codeTableOffset =
        version == 1 ? tableSize : (wideOffsets ? qint64(r.u32()) : qint64(r.u16()));
    if (!r.ok() || codeTableOffset > tableSize)
        return nullptr;

    font->m_glyphs.resize(size_t(glyphCount));
    for (int i = 0; i < glyphCount; ++i) {
        const qint64 start = offsets[size_t(i)];
        const qint64 end = i + 1 < glyphCount ? offsets[size_t(i + 1)] : codeTableOffset;
        if (start < r.position() - tableStart || end > codeTableOffset || end <= start)
            continue; // a damaged offset leaves that one glyph empty
        font->m_glyphs[size_t(i)].outline =
            readGlyphOutline(table + start, end - start, baseOffset + tableStart + start);
    }
    if (version == 1)
        return font; // codes and name come with DefineFontInfo

    r.seek(tableStart + codeTableOffset);
    std::vector<char16_t> codes;
    codes.reserve(size_t(glyphCount));
    for (int i = 0; i < glyphCount && r.ok(); ++i)
        codes.push_back(wideCodes ? r.u16() : r.u8());
    if (!r.ok())
        return nullptr;
    font->setCodes(codes);

    if (font->m_hasLayout) {
        font->m_ascent = r.u16();
        font->m_descent = r.u16();
        font->m_leading = r.s16();
        for (int i = 0; i < glyphCount && r.ok(); ++i)
            font->m_glyphs[size_t(i)].advance = r.s16();
        for (int i = 0; i < glyphCount && r.ok(); ++i)
            readRect(r); // glyph bounds: the outlines say the same
        // Kerning pairs are not applied. A layout cut short keeps what was read.
        if (!r.ok())
            font->m_hasLayout = false;
    }
    return font;
}

bool Font::readInfo(BitReader& r, int version, int swfVersion) {
    m_doubleByteCodes = swfVersion < 6;
    const QString name = readFontName(r);
    const int flags = r.u8();
    if (version == 2)
        r.u8(); // language code
    const bool wideCodes = flags & 0x01 || version == 2;
    if (!r.ok())
        return false;
    m_name = name;
    m_italic = flags & 0x04;
    m_bold = flags & 0x02;
    std::vector<char16_t> codes;
    codes.reserve(m_glyphs.size());
    for (size_t i = 0; i < m_glyphs.size() && r.remaining() > 0; ++i)
        codes.push_back(wideCodes ? r.u16() : r.u8());
    setCodes(codes);
    return r.ok();
}

} // namespace reelcase::swf
