#include "swf/text/text_device_face.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace reelcase::swf {

namespace {

const QString kChineseFallback = QStringLiteral("AR PL UMing CN");

} // namespace

QStringList DeviceFonts::families(const QString& name) const {
    // A face that is not installed falls to the default sans-serif before the Chinese face,
    // whose Latin letters are serif.
    const QString family = deviceFontFamily(name);
    const QString sans = deviceFontFamily(QString());
    if (family == sans)
        return {family, kChineseFallback};
    return {family, sans, kChineseFallback};
}

const DeviceFonts& defaultDeviceFonts() {
    static const DeviceFonts fonts;
    return fonts;
}

QString deviceFontFamily(const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || trimmed == u"_sans")
        return QStringLiteral("DejaVu Sans");
    if (trimmed == u"_serif")
        return QStringLiteral("DejaVu Serif");
    if (trimmed == u"_typewriter")
        return QStringLiteral("DejaVu Sans Mono");
    return trimmed;
}

TextDeviceFace::TextDeviceFace(const TextFormat& format, const DeviceFonts& fonts) {
    m_font.setFamilies(fonts.families(format.face));
    m_font.setStyleHint(QFont::SansSerif);
    // The size is in twips; the painter scales twips to pixels, so glyphs stay sharp at any
    // zoom and lines measure the same at every scale.
    m_font.setPixelSize(std::clamp(int(std::lround(format.size)), 1, 100000));
    m_font.setBold(format.bold);
    m_font.setItalic(format.italic);
    m_font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(m_font);
    m_ascent = metrics.ascent();
    m_descent = metrics.descent();
}

double TextDeviceFace::advance(QStringView text) const {
    return QFontMetricsF(m_font).horizontalAdvance(text.toString());
}

double TextDeviceFace::ascent() const {
    return m_ascent;
}

double TextDeviceFace::descent() const {
    return m_descent;
}

void TextDeviceFace::draw(QPainter& painter, QPointF origin, QStringView text,
                          const QColor& colour) const {
    // Text follows the quality the rest of the frame is drawn at.
    painter.setRenderHint(QPainter::TextAntialiasing,
                          painter.testRenderHint(QPainter::Antialiasing));
    painter.setPen(colour);
    const QTransform m = painter.transform();
    const QPaintDevice* device = painter.device();
    if (m.type() > QTransform::TxScale || m.m11() != m.m22() || m.m11() <= 0 || !device ||
        device->logicalDpiY() <= 0) {
        painter.setFont(m_font);
        painter.drawText(origin, text.toString());
        return;
    }
    // Upright and evenly scaled: drawn at its size on the device, where glyphs come from
    // the font engine's cache, rather than as outlines of glyphs thousands of pixels tall.
    QFont scaled = m_font;
    scaled.setPointSizeF(m_font.pixelSize() * m.m11() * 72.0 / device->logicalDpiY());
    painter.save();
    painter.setTransform(QTransform::fromTranslate(m.dx(), m.dy()));
    painter.setFont(scaled);
    painter.drawText(origin * m.m11(), text.toString());
    painter.restore();
}

} // namespace reelcase::swf
