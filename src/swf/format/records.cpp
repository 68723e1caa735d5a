#include "swf/format/records.h"

namespace reelcase::swf {

QRectF readRect(BitReader& r) {
    r.align();
    const int n = static_cast<int>(r.ub(5));
    const double xMin = r.sb(n), xMax = r.sb(n), yMin = r.sb(n), yMax = r.sb(n);
    r.align();
    return QRectF(QPointF(xMin, yMin), QPointF(xMax, yMax));
}

QTransform readMatrix(BitReader& r) {
    r.align();
    double sx = 1, sy = 1, r0 = 0, r1 = 0;
    if (r.flag()) {
        const int n = static_cast<int>(r.ub(5));
        sx = r.fb(n);
        sy = r.fb(n);
    }
    if (r.flag()) {
        const int n = static_cast<int>(r.ub(5));
        r0 = r.fb(n);
        r1 = r.fb(n);
    }
    const int n = static_cast<int>(r.ub(5));
    const double tx = r.sb(n), ty = r.sb(n);
    r.align();
    // x' = sx*x + r1*y + tx ; y' = r0*x + sy*y + ty
    return QTransform(sx, r0, r1, sy, tx, ty);
}

ColorTransform readColorTransform(BitReader& r, bool withAlpha) {
    r.align();
    ColorTransform c;
    const bool hasAdd = r.flag();
    const bool hasMult = r.flag();
    const int n = static_cast<int>(r.ub(4));
    if (hasMult) {
        c.rMult = r.sb(n) / 256.0;
        c.gMult = r.sb(n) / 256.0;
        c.bMult = r.sb(n) / 256.0;
        if (withAlpha)
            c.aMult = r.sb(n) / 256.0;
    }
    if (hasAdd) {
        c.rAdd = r.sb(n);
        c.gAdd = r.sb(n);
        c.bAdd = r.sb(n);
        if (withAlpha)
            c.aAdd = r.sb(n);
    }
    r.align();
    return c;
}

QColor readRgb(BitReader& r) {
    const int red = r.u8(), green = r.u8(), blue = r.u8();
    return QColor(red, green, blue);
}

QColor readRgba(BitReader& r) {
    const int red = r.u8(), green = r.u8(), blue = r.u8(), alpha = r.u8();
    return QColor(red, green, blue, alpha);
}

} // namespace reelcase::swf
