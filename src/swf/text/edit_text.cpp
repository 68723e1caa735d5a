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
    field->m_bounds = readRect(r);
    const int flags1 = r.u8();
    const int flags2 = r.u8();
    const bool hasText = flags1 & 0x80;
    field->m_wordWrap = flags1 & 0x40;
    field->m_multiline = flags1 & 0x20;
    field->m_password = flags1 & 0x10;
    const bool hasColour = flags1 & 0x04;
    const bool hasMaxLength = flags1 & 0x02;
    const bool hasFont = flags1 & 0x01;
    const bool hasFontClass = flags2 & 0x80;
    field->m_autoSize = flags2 & 0x40;
    const bool hasLayout = flags2 & 0x20;
    field->m_border = flags2 & 0x08;
    field->m_html = flags2 & 0x02;
    field->m_useOutlines = flags2 & 0x01;

    if (hasFont) {
        field->m_font = std::dynamic_pointer_cast<const Font>(dictionary.shared(r.u16()));
        if (field->m_font) {
            field->m_format.face = field->m_font->name();
            field->m_format.bold = field->m_font->isBold();
            field->m_format.italic = field->m_font->isItalic();
        }
    }
    if (hasFontClass)
        field->m_format.face = readText(r); // a font class of a later player: device text
    if (hasFont || hasFontClass)
        field->m_format.size = r.u16();
    if (hasColour)
        field->m_format.colour = readRgba(r);
    if (hasMaxLength)
        r.u16();
    if (hasLayout) {
        field->m_paragraph.align = TextAlign(std::min(3, int(r.u8())));
        field->m_paragraph.leftMargin = r.u16();
        field->m_paragraph.rightMargin = r.u16();
        field->m_paragraph.indent = r.u16();
        field->m_paragraph.leading = r.s16();
    }
    field->m_variable = readText(r);
    if (hasText)
        field->m_text = readText(r).left(limits::maxEditTextLength);
    if (!r.ok())
        return nullptr;
    return field;
}

QList<TextParagraph> EditText::paragraphs() const {
    QString text = m_text;
    if (m_password && !m_html)
        text.fill(u'*');
    return m_html ? parseHtmlText(text, m_format, m_paragraph)
                  : plainTextParagraphs(text, m_format, m_paragraph);
}

std::shared_ptr<const TextFace> EditText::faceFor(const TextFormat& format,
                                                  const DeviceFonts& fonts) const {
    const bool embedded = m_useOutlines && m_font && !m_font->glyphs().empty() &&
                          (format.face.isEmpty() || format.face == m_font->name());
    if (embedded)
        return std::make_shared<FontFace>(m_font, format.size);
    return std::make_shared<TextDeviceFace>(format, fonts);
}

TextLayout EditText::layout(const DeviceFonts& fonts) const {
    const TextBox box{m_bounds, m_wordWrap, m_format};
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
    if (m_border) {
        // A border comes with an opaque white background. An upright field's border is
        // snapped to whole device pixels, on the inside of its bounds, so it stays crisp.
        p.setPen(Qt::NoPen);
        p.fillRect(m_bounds, args.cxform.apply(QColor(Qt::white)));
        QPen pen(args.cxform.apply(QColor(Qt::black)), 1);
        pen.setCosmetic(true);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        if (args.matrix.m12() == 0 && args.matrix.m21() == 0) {
            const QRectF device = args.matrix.mapRect(m_bounds);
            const QRectF snapped(QPointF(std::round(device.left()), std::round(device.top())),
                                 QPointF(std::round(device.right()), std::round(device.bottom())));
            p.setTransform(QTransform());
            p.drawRect(snapped.adjusted(0.5, 0.5, -0.5, -0.5));
            p.setTransform(args.matrix);
        } else {
            p.drawRect(m_bounds);
        }
    }
    if (!m_autoSize)
        p.setClipRect(m_bounds, Qt::IntersectClip);
    drawTextLayout(p, *cachedLayout(args.context),
                   [&](const QColor& c) { return args.cxform.apply(c); });
}

QPainterPath EditText::outline(int) const {
    QPainterPath path;
    path.addRect(m_bounds);
    return path;
}

} // namespace reelcase::swf
