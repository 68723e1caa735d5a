#include "swf/text/edit_text.h"

#include "swf/format/dictionary.h"
#include "swf/format/draw_cache.h"
#include "swf/format/limits.h"
#include "swf/format/records.h"
#include "swf/format/text_encoding.h"
#include "swf/text/font.h"
#include "swf/text/font_face.h"
#include "swf/text/html_text.h"
#include "swf/text/text_device_face.h"

#include <QPainter>

#include <cmath>
#include <cstring>

namespace reelcase::swf {

namespace {

// A NUL-terminated string as raw bytes, decoded as SWF text (UTF-8, else GBK).
QString readText(BitReader& r) {
    if (!r.ok())
        return {};
    const char* start = r.data() + r.position();
    const void* nul = std::memchr(start, 0, size_t(std::max<qint64>(0, r.remaining())));
    if (!nul) {
        r.fail();
        return {};
    }
    const qint64 length = static_cast<const char*>(nul) - start;
    r.skip(length + 1);
    return decodeSwfText(QByteArrayView(start, length));
}

} // namespace

std::shared_ptr<EditText> EditText::read(BitReader& r, const Dictionary& dictionary) {
    auto field = std::make_shared<EditText>();
    field->m_s.bounds = readRect(r);
    const int flags1 = r.u8();
    const int flags2 = r.u8();
    const bool hasText = flags1 & 0x80;
    field->m_s.wordWrap = flags1 & 0x40;
    field->m_s.multiline = flags1 & 0x20;
    field->m_s.password = flags1 & 0x10;
    field->m_s.readOnly = flags1 & 0x08;
    const bool hasColour = flags1 & 0x04;
    const bool hasMaxLength = flags1 & 0x02;
    const bool hasFont = flags1 & 0x01;
    const bool hasFontClass = flags2 & 0x80;
    field->m_s.autoSize = flags2 & 0x40;
    const bool hasLayout = flags2 & 0x20;
    field->m_s.selectable = !(flags2 & 0x10);
    field->m_s.border = flags2 & 0x08;
    field->m_s.background = field->m_s.border;
    field->m_s.html = flags2 & 0x02;
    field->m_s.useOutlines = flags2 & 0x01;

    if (hasFont) {
        field->m_s.font = std::dynamic_pointer_cast<const Font>(dictionary.shared(r.u16()));
        if (field->m_s.font) {
            field->m_s.format.face = field->m_s.font->name();
            field->m_s.format.bold = field->m_s.font->isBold();
            field->m_s.format.italic = field->m_s.font->isItalic();
        }
    }
    if (hasFontClass)
        field->m_s.format.face = readText(r); // a font class of a later player: device text
    if (hasFont || hasFontClass)
        field->m_s.format.size = r.u16();
    if (hasColour)
        field->m_s.format.colour = readRgba(r);
    if (hasMaxLength)
        field->m_s.maxLength = r.u16();
    if (hasLayout) {
        field->m_s.paragraph.align = TextAlign(std::min(3, int(r.u8())));
        field->m_s.paragraph.leftMargin = r.u16();
        field->m_s.paragraph.rightMargin = r.u16();
        field->m_s.paragraph.indent = r.s16(); // the player reads it signed
        field->m_s.paragraph.leading = r.s16();
    }
    field->m_s.variable = readText(r);
    if (hasText)
        field->m_s.text = readText(r).left(limits::maxEditTextLength);
    if (!r.ok())
        return nullptr;
    return field;
}

std::shared_ptr<EditText> EditText::make(EditTextSettings settings, QList<TextParagraph> paragraphs,
                                         int firstLine, std::optional<TextCursor> cursor) {
    auto field = std::make_shared<EditText>();
    field->m_s = std::move(settings);
    field->m_paragraphs = std::move(paragraphs);
    field->m_firstLine = std::max(0, firstLine);
    field->m_cursor = cursor;
    return field;
}

QList<TextParagraph> EditText::paragraphs() const {
    if (m_paragraphs)
        return *m_paragraphs;
    QString text = m_s.text;
    if (m_s.password && !m_s.html)
        text.fill(u'*');
    return m_s.html ? parseHtmlText(text, m_s.format, m_s.paragraph)
                    : plainTextParagraphs(text, m_s.format, m_s.paragraph);
}

std::shared_ptr<const TextFace> EditText::faceFor(const TextFormat& format,
                                                  const DeviceFonts& fonts) const {
    const bool embedded = m_s.useOutlines && m_s.font && !m_s.font->glyphs().empty() &&
                          (format.face.isEmpty() || format.face == m_s.font->name());
    if (embedded)
        return std::make_shared<FontFace>(m_s.font, format.size);
    if (m_s.useOutlines) {
        // The face in the format's style, else in any the movie has.
        std::shared_ptr<const Font> named;
        for (const auto& font : m_s.namedFonts)
            if (font->name() == format.face &&
                (!named || (font->isBold() == format.bold && font->isItalic() == format.italic)))
                named = font;
        if (named)
            return std::make_shared<FontFace>(named, format.size);
    }
    return std::make_shared<TextDeviceFace>(format, fonts);
}

TextLayout EditText::layout(const DeviceFonts& fonts) const {
    const TextBox box{m_s.bounds, m_s.wordWrap, m_s.format};
    return layoutText(paragraphs(), box,
                      [this, &fonts](const TextFormat& format) { return faceFor(format, fonts); });
}

std::shared_ptr<const TextLayout> EditText::cachedLayout(const RenderContext& context) const {
    const DeviceFonts& fonts = context.fonts ? *context.fonts : defaultDeviceFonts();
    return cached<TextLayout>(context.cache, this, bytesKey(&fonts), [&] { return layout(fonts); });
}

void EditText::draw(const DrawArgs& args) const {
    QPainter& p = args.painter;
    p.setTransform(args.matrix);
    if (m_s.background) {
        p.setPen(Qt::NoPen);
        p.fillRect(m_s.bounds, args.cxform.apply(m_s.backgroundColour));
    }
    if (m_s.border) {
        // An upright field's border is snapped to whole device pixels, so it stays crisp. Its
        // right and bottom lines lie just past the bounds, as the player draws them: a field
        // w pixels wide has a border w + 1 pixels across, its far corner left out.
        const QColor colour = args.cxform.apply(m_s.borderColour);
        QPen pen(colour, 1);
        pen.setCosmetic(true);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        if (args.matrix.m12() == 0 && args.matrix.m21() == 0) {
            const QRectF device = args.matrix.mapRect(m_s.bounds);
            // Whole pixels as the player cuts them: down, forgiving a hair of rounding error.
            const auto pixel = [](double x) { return static_cast<int>(std::floor(x + 0.01)); };
            const int left = pixel(device.left()), top = pixel(device.top());
            const int right = pixel(device.right()), bottom = pixel(device.bottom());
            const int w = std::max(right - left, 1), h = std::max(bottom - top, 1);
            p.setTransform(QTransform());
            p.fillRect(QRect(left, top, w, 1), colour);
            p.fillRect(QRect(left, top, 1, h), colour);
            p.fillRect(QRect(left + w, top, 1, h), colour);
            p.fillRect(QRect(left, top + h, w, 1), colour);
            p.setTransform(args.matrix);
        } else {
            p.drawRect(m_s.bounds);
        }
    }
    if (!m_s.autoSize)
        p.setClipRect(m_s.bounds, Qt::IntersectClip);
    // Held here: without a cache, the layout lives only as long as this pointer.
    const std::shared_ptr<const TextLayout> laid = cachedLayout(args.context);
    const TextLayout& layout = *laid;
    p.translate(-m_s.hscroll * 20.0, 0);
    if (m_firstLine > 0 && m_firstLine < static_cast<int>(layout.lineTops.size()))
        p.translate(0, layout.lineTops.front() - layout.lineTops[m_firstLine]);
    const auto colourOf = [&](const QColor& c) { return args.cxform.apply(c); };
    drawTextLayout(p, layout, colourOf);
    if (m_cursor)
        drawTextCursor(p, layout, *m_cursor, m_s.bounds.left() + kTextGutter, m_s.format.colour,
                       colourOf);
}

QRectF EditText::paintedArea(const QTransform& toDevice, double) const {
    const QRectF area = toDevice.mapRect(m_s.bounds);
    return m_s.border ? area.adjusted(-1, -1, 1, 1) : area; // the border's pixel past them
}

// As a mask, a field in an embedded font covers its glyphs where they are laid out; any
// other its box.
QPainterPath EditText::outline(int) const {
    if (!m_s.useOutlines || !m_s.font) {
        QPainterPath box;
        box.addRect(m_s.bounds);
        return box;
    }
    const TextLayout laid = layout();
    double shift = 0;
    if (m_firstLine > 0 && m_firstLine < static_cast<int>(laid.lineTops.size()))
        shift = laid.lineTops.front() - laid.lineTops[m_firstLine];
    QPainterPath glyphs;
    glyphs.setFillRule(Qt::WindingFill);
    for (const TextFragment& f : laid.fragments)
        if (const auto* face = dynamic_cast<const FontFace*>(f.face.get()))
            glyphs.addPath(face->textPath(f.origin + QPointF(0, shift), f.text));
    return glyphs; // all of them: the box that clips the drawn text does not cut a mask
}

} // namespace reelcase::swf
