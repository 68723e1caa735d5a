#pragma once

#include "swf/text/font.h"
#include "swf/text/text_layout.h"

namespace reelcase::swf {

// An embedded font at one size, for text fields that draw with the movie's own outlines.
// Characters the font lacks take no room and draw nothing.
class FontFace : public TextFace {
public:
    FontFace(std::shared_ptr<const Font> font, double size);

    double advance(QStringView text) const override;
    double ascent() const override;
    double descent() const override;
    void draw(QPainter& painter, QPointF origin, QStringView text,
              const QColor& colour) const override;

    // The outlines of text laid out from origin, in the caller's twips.
    QPainterPath textPath(QPointF origin, QStringView text) const;

private:
    std::shared_ptr<const Font> m_font;
    double m_size;
};

} // namespace reelcase::swf
