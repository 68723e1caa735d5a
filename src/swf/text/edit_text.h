#pragma once

#include "swf/format/bit_reader.h"
#include "swf/format/character.h"
#include "swf/text/device_fonts.h"
#include "swf/text/text_format.h"
#include "swf/text/text_layout.h"

#include <memory>

namespace reelcase::swf {

class Dictionary;
class Font;

// A text field (DefineEditText) shown with its initial text: plain or the HTML subset,
// in the movie's embedded font when the field asks for outlines, else in an installed font
// (device text). The text sits inside a 2-pixel gutter, clipped to the field's bounds.
class EditText : public Character {
public:
    QRectF bounds() const override { return m_bounds; }
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;

    // The tag body after the character id. Null when malformed.
    static std::shared_ptr<EditText> read(BitReader& r, const Dictionary& dictionary);

    const QString& initialText() const { return m_text; }
    const QString& variableName() const { return m_variable; }
    // The paragraphs the field shows: its text read as HTML or plain text, in its format.
    QList<TextParagraph> paragraphs() const;
    // The field's text laid out in its box. UI thread (installed fonts are measured); drawing
    // keeps the result in the player's draw cache.
    TextLayout layout(const DeviceFonts& fonts = defaultDeviceFonts()) const;
    // The layout drawing uses, kept in the context's cache. UI thread on a miss.
    std::shared_ptr<const TextLayout> cachedLayout(const RenderContext& context) const;

private:
    std::shared_ptr<const TextFace> faceFor(const TextFormat& format,
                                            const DeviceFonts& fonts) const;

    QRectF m_bounds;
    QString m_text;
    QString m_variable;
    bool m_wordWrap = false;
    bool m_multiline = false;
    bool m_password = false;
    bool m_html = false;
    bool m_border = false;
    bool m_autoSize = false;
    bool m_useOutlines = false;
    std::shared_ptr<const Font> m_font; // null: device text
    TextFormat m_format;
    ParagraphLayout m_paragraph;
};

} // namespace reelcase::swf
