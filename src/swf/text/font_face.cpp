#include "swf/text/font_face.h"

#include <QPainter>

namespace reelcase::swf {

FontFace::FontFace(std::shared_ptr<const Font> font, double size)
    : m_font(std::move(font))
    , m_size(size) {}

double FontFace::advance(QStringView text) const {
    double width = 0;
    for (QChar c : text)
        width += m_font->advanceOf(c.unicode()) * m_size;
    return width;
}

double FontFace::ascent() const {
    return m_font->hasLayout() ? m_font->ascent() / m_font->emSquare() * m_size : m_size * 0.8;
}

double FontFace::descent() const {
    return m_font->hasLayout() ? m_font->descent() / m_font->emSquare() * m_size : m_size * 0.2;
}

QPainterPath FontFace::textPath(QPointF origin, QStringView text) const {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const double scale = m_size / m_font->emSquare();
    double x = origin.x();
    for (QChar c : text) {
        const int index = m_font->glyphIndex(c.unicode());
        if (index >= 0) {
            QTransform place;
            place.translate(x, origin.y());
            place.scale(scale, scale);
            path.addPath(place.map(m_font->glyphs()[size_t(index)].outline));
        }
        x += m_font->advanceOf(c.unicode()) * m_size;
    }
    return path;
}

void FontFace::draw(QPainter& painter, QPointF origin, QStringView text,
                    const QColor& colour) const {
    // Glyph by glyph: no path of the whole text is built on every frame.
    const QTransform base = painter.transform();
    const double scale = m_size / m_font->emSquare();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    double x = origin.x();
    for (QChar c : text) {
        const int index = m_font->glyphIndex(c.unicode());
        if (index >= 0) {
            painter.setTransform(QTransform(scale, 0, 0, scale, x, origin.y()) * base);
            painter.drawPath(m_font->glyphs()[size_t(index)].outline);
        }
        x += m_font->advanceOf(c.unicode()) * m_size;
    }
    painter.setTransform(base);
}

} // namespace reelcase::swf
