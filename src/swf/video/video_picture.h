#pragma once

#include "swf/format/character.h"

#include <QImage>

#include <cstdint>

namespace reelcase::swf {

// Draws a decoded picture over a video's area (twips, from the origin), whatever size the
// codec gave it; smoothing applies at high quality only, as for bitmaps.
void drawVideoImage(const DrawArgs& args, const QImage& picture, QSizeF area, bool smoothing);

// The picture a script's stream shows in a Video object: one per decoded frame, made at
// run time for that object. The serial tells pictures apart for the changed-area walk,
// which must not take a new picture at a freed one's address for the same.
class VideoPicture : public Character {
public:
    VideoPicture(QImage picture, QRectF bounds, bool smoothing);

    QRectF bounds() const override { return m_bounds; }
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;
    std::uint64_t serial() const { return m_serial; }

private:
    QImage m_picture;
    QRectF m_bounds;
    bool m_smoothing;
    std::uint64_t m_serial;
};

} // namespace reelcase::swf
