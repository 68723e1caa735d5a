#pragma once

#include "swf/player/player.h"
#include "swfwriter/writer.h"

#include <QImage>
#include <QPainter>

namespace reelcase::test {

// Loads a movie made by the writer into a player (failing the test on a parse error).
inline std::shared_ptr<const swf::Movie> load(const QByteArray& file) {
    swf::LoadError error;
    auto movie = swf::parseMovie(file, &error);
    if (!movie)
        qWarning("parse failed: %s at %lld", qPrintable(error.reason), error.offset);
    return movie;
}

// A one-frame movie of the given version with nothing on it, for scripts run against it.
inline std::shared_ptr<const swf::Movie> emptyMovie(int version) {
    swf::write::SwfWriter w({100, 100}, 12, version);
    w.showFrame();
    return load(w.finish());
}

// Renders the player's current frame into an image of the given size.
inline QImage renderImage(const swf::Player& player, QSize size,
                          swf::Quality quality = swf::Quality::High) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    swf::RenderOptions options;
    options.quality = quality;
    player.render(painter, QRectF(QPointF(0, 0), size), options);
    painter.end();
    return image;
}

// A 2x2 test card scaled up: red, green / blue, white.
inline QImage testCard(int scale) {
    QImage card(2 * scale, 2 * scale, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&card);
    p.fillRect(0, 0, scale, scale, Qt::red);
    p.fillRect(scale, 0, scale, scale, Qt::green);
    p.fillRect(0, scale, scale, scale, Qt::blue);
    p.fillRect(scale, scale, scale, scale, Qt::white);
    return card;
}

// Colours equal within tolerance per channel.
inline bool near(QRgb a, QColor b, int tolerance = 3) {
    return std::abs(qRed(a) - b.red()) <= tolerance &&
           std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

} // namespace reelcase::test
