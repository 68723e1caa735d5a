#pragma once

#include "swf/format/bit_reader.h"
#include "swf/format/character.h"
#include "swf/text/device_fonts.h"
#include "swf/text/text_cursor.h"
#include "swf/text/text_format.h"
#include "swf/text/text_layout.h"

#include <memory>
#include <optional>
#include <vector>

namespace reelcase::swf {

class Dictionary;
class Font;

// What a text field is set to, as its tag gives it and as scripts change it.
struct EditTextSettings {
    QRectF bounds;
    QString text;
    QString variable;
    bool wordWrap = false;
    bool multiline = false;
    bool password = false;
    bool readOnly = false;
    bool selectable = true;
    bool html = false;
    bool border = false;
    bool background = false;
    bool autoSize = false;
    bool useOutlines = false;
    int maxLength = 0; // 0: no limit
    int hscroll = 0;   // pixels the text is scrolled left
    QColor borderColour = Qt::black;
    QColor backgroundColour = Qt::white;
    std::shared_ptr<const Font> font; // null: device text
    // Other embedded fonts the text's formats name (a script's fields and formats).
    std::vector<std::shared_ptr<const Font>> namedFonts;
    TextFormat format;
    ParagraphLayout paragraph;
};

// A text field (DefineEditText) shown with its initial text: plain or the HTML subset,
// in the movie's embedded font when the field asks for outlines, else in an installed font
// (device text). The text sits inside a 2-pixel gutter, clipped to the field's bounds.
class EditText : public Character {
public:
    QRectF bounds() const override { return m_s.bounds; }
    QRectF paintedArea(const QTransform& toDevice, double stageScale) const override;
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;

    // The tag body after the character id. Null when malformed.
    static std::shared_ptr<EditText> read(BitReader& r, const Dictionary& dictionary);

    // A field as a script left it: its settings and its text already in paragraphs, shown
    // from line firstLine (0-based) on, with the selection and caret of a focused field.
    static std::shared_ptr<EditText> make(EditTextSettings settings,
                                          QList<TextParagraph> paragraphs, int firstLine = 0,
                                          std::optional<TextCursor> cursor = {});

    const EditTextSettings& settings() const { return m_s; }
    const QString& initialText() const { return m_s.text; }
    const QString& variableName() const { return m_s.variable; }
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

    EditTextSettings m_s;
    std::optional<QList<TextParagraph>> m_paragraphs; // set: a script's text
    int m_firstLine = 0;
    std::optional<TextCursor> m_cursor; // set: the field has focus
};

} // namespace reelcase::swf
