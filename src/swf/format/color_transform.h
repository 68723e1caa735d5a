#pragma once

#include <QColor>

namespace reelcase::swf {

// A colour transform: each channel becomes channel * mult + add, clamped to 0..255.
// Multipliers are fractions (1 = unchanged); adds are in 0..255 units.
struct ColorTransform {
    double rMult = 1, gMult = 1, bMult = 1, aMult = 1;
    double rAdd = 0, gAdd = 0, bAdd = 0, aAdd = 0;

    bool isIdentity() const {
        return rMult == 1 && gMult == 1 && bMult == 1 && aMult == 1 && rAdd == 0 && gAdd == 0 &&
               bAdd == 0 && aAdd == 0;
    }
    QColor apply(const QColor& c) const;
    QRgb apply(QRgb premultipliedOrNot) const; // non-premultiplied ARGB in and out
    // The transform that applies inner first, then this one (parent * child).
    ColorTransform operator*(const ColorTransform& inner) const;
    bool operator==(const ColorTransform&) const = default;
};

} // namespace reelcase::swf
