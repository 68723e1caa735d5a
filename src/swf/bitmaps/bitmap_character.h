#pragma once

#include "swf/format/character.h"

#include <QImage>

namespace reelcase::swf {

// A bitmap of the dictionary (DefineBits*, DefineBitsLossless*), decoded when the movie
// is parsed. Its pixels span one twip-scaled pixel each: 20 twips.
class BitmapCharacter : public Character {
public:
    explicit BitmapCharacter(QImage premultiplied);

    QRectF bounds() const override;
    // Drawn at its own pixel size (a bitmap placed on the stage directly).
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;
    const QImage* image() const override { return &m_image; }

private:
    QImage m_image;
};

// image with a colour transform applied to each pixel (premultiplied ARGB32), kept in
// cache so a tinted bitmap costs its pixels once rather than on every frame.
QImage tintedImage(const QImage& image, const ColorTransform& cxform, DrawCache* cache);

// Applies a colour transform to every pixel of a premultiplied image.
QImage tintImage(const QImage& premultiplied, const ColorTransform& cxform);

// True when a colour transform only scales alpha: the painter's opacity does that without
// touching pixels.
bool isAlphaOnly(const ColorTransform& cxform);

} // namespace reelcase::swf
