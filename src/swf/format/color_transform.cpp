#include "swf/format/color_transform.h"

#include <algorithm>
#include <cmath>

namespace reelcase::swf {
namespace {
int channel(int v, double mult, double add) {
    return std::clamp(static_cast<int>(std::lround(v * mult + add)), 0, 255);
}
} // namespace

QColor ColorTransform::apply(const QColor& c) const {
    if (isIdentity())
        return c;
    return QColor(channel(c.red(), rMult, rAdd), channel(c.green(), gMult, gAdd),
                  channel(c.blue(), bMult, bAdd), channel(c.alpha(), aMult, aAdd));
}

QRgb ColorTransform::apply(QRgb c) const {
    return qRgba(channel(qRed(c), rMult, rAdd), channel(qGreen(c), gMult, gAdd),
                 channel(qBlue(c), bMult, bAdd), channel(qAlpha(c), aMult, aAdd));
}

ColorTransform ColorTransform::operator*(const ColorTransform& in) const {
    ColorTransform r;
    r.rMult = rMult * in.rMult;
    r.gMult = gMult * in.gMult;
    r.bMult = bMult * in.bMult;
    r.aMult = aMult * in.aMult;
    r.rAdd = in.rAdd * rMult + rAdd;
    r.gAdd = in.gAdd * gMult + gAdd;
    r.bAdd = in.bAdd * bMult + bAdd;
    r.aAdd = in.aAdd * aMult + aAdd;
    return r;
}

} // namespace reelcase::swf
