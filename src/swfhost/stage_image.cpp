#include "swfhost/stage_image.h"

#include <QPainter>

#include <cmath>

namespace reelcase::swfhost {

namespace {

constexpr double kMaxSide = 16384;

} // namespace

QImage renderStage(const swf::Player& player, const StageImageOptions& options, QString* error) {
    const QRectF stage = player.stageRect();
    const bool stretch = options.viewport.isValid();
    const double w =
        stretch ? options.viewport.width() : std::ceil(stage.width() * options.scale - 1e-6);
    const double h =
        stretch ? options.viewport.height() : std::ceil(stage.height() * options.scale - 1e-6);
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) {
        *error = QStringLiteral("output of %1 x %2 pixels is out of range").arg(w).arg(h);
        return {};
    }
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        *error = QStringLiteral("not enough memory for the image");
        return {};
    }
    swf::RenderOptions render;
    render.quality = options.quality;
    QPainter painter(&image);
    if (stretch && !stage.isEmpty()) {
        // The player keeps the aspect ratio; a viewport of another shape stretches the
        // stage, so draw at stage size through a non-uniform scale.
        painter.fillRect(image.rect(), player.backgroundColor());
        painter.scale(w / stage.width(), h / stage.height());
        player.render(painter, QRectF(QPointF(0, 0), stage.size()), render);
    } else {
        player.render(painter, QRectF(0, 0, w, h), render);
    }
    painter.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

std::optional<swf::Quality> qualityFromName(const QString& name) {
    const QString lower = name.toLower();
    if (lower == u"low")
        return swf::Quality::Low;
    if (lower == u"medium")
        return swf::Quality::Medium;
    if (lower == u"high")
        return swf::Quality::High;
    return std::nullopt;
}

} // namespace reelcase::swfhost
