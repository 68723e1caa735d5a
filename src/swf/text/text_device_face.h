#pragma once

#include "swf/text/device_fonts.h"
#include "swf/text/text_layout.h"

#include <QFont>

namespace reelcase::swf {

// The installed font that stands in for a font a movie names but does not embed ("device
// text"). Characters the named font lacks come from the Chinese fallback font, then from
// whatever the system offers. Lengths in twips.
class TextDeviceFace : public TextFace {
public:
    explicit TextDeviceFace(const TextFormat& format,
                            const DeviceFonts& fonts = defaultDeviceFonts());

    double advance(QStringView text) const override;
    double ascent() const override;
    double descent() const override;
    void draw(QPainter& painter, QPointF origin, QStringView text,
              const QColor& colour) const override;

    const QFont& font() const { return m_font; }

private:
    QFont m_font;
    double m_ascent = 0;
    double m_descent = 0;
};

// The family a movie's device font name maps to here: the format's generic names (_sans,
// _serif, _typewriter) become the system's, other names pass through.
QString deviceFontFamily(const QString& name);

} // namespace reelcase::swf
