#include "swf/shapes/shape_records.h"

#include "swf/format/limits.h"
#include "swf/format/records.h"

namespace reelcase::swf {
namespace {

QColor readColor(BitReader& r, int shapeVersion) {
    return shapeVersion >= 3 ? readRgba(r) : readRgb(r);
}

Qt::PenCapStyle capStyle(int code) {
    switch (code) {
    case 1:
        return Qt::FlatCap;
    case 2:
        return Qt::SquareCap;
    default:
        return Qt::RoundCap;
    }
}

Qt::PenJoinStyle joinStyle(int code) {
    switch (code) {
    case 1:
        return Qt::BevelJoin;
    case 2:
        return Qt::MiterJoin;
    default:
        return Qt::RoundJoin;
    }
}

int readCount(BitReader& r) {
    int n = r.u8();
    if (n == 0xff)
        n = r.u16();
    return n;
}

bool readLineStyle(BitReader& r, int v, LineStyle& l) {
    l.width = r.u16();
    if (v < 4) {
        l.color = readColor(r, v);
        return r.ok();
    }
    l.startCap = capStyle(static_cast<int>(r.ub(2)));
    l.join = joinStyle(static_cast<int>(r.ub(2)));
    const bool hasFill = r.flag();
    l.noHScale = r.flag();
    l.noVScale = r.flag();
    l.pixelHinting = r.flag();
    r.ub(5);
    l.noClose = r.flag();
    l.endCap = capStyle(static_cast<int>(r.ub(2)));
    if (l.join == Qt::MiterJoin)
        l.miterLimit = r.u16() / 256.0;
    if (hasFill) {
        FillStyle f;
        if (!readFillStyle(r, v, f))
            return false;
        l.color = f.type == FillStyle::Solid ? f.color : QColor(Qt::black);
        l.fill = f;
    } else {
        l.color = readRgba(r);
    }
    return r.ok();
}

// Records until the end record. fillBits/lineBits start from the caller's header.
bool readRecords(BitReader& r, int v, ShapeData& out, int fillBits, int lineBits) {
    while (r.ok()) {
        if (static_cast<int>(out.records.size()) >= limits::maxShapeRecords)
            return false;
        ShapeRecord rec;
        if (!r.flag()) {
            const int flags = static_cast<int>(r.ub(5));
            if (flags == 0)
                return r.ok(); // end of shape
            rec.kind = ShapeRecord::StyleChange;
            if (flags & 0x01) {
                const int bits = static_cast<int>(r.ub(5));
                rec.hasMove = true;
                rec.x = r.sb(bits);
                rec.y = r.sb(bits);
            }
            if (flags & 0x02)
                rec.fill0 = static_cast<std::int32_t>(r.ub(fillBits));
            if (flags & 0x04)
                rec.fill1 = static_cast<std::int32_t>(r.ub(fillBits));
            if (flags & 0x08)
                rec.line = static_cast<std::int32_t>(r.ub(lineBits));
            if ((flags & 0x10) && v >= 2) {
                StyleSet set;
                if (!readStyleSet(r, v, set))
                    return false;
                rec.styleSet = static_cast<std::int32_t>(out.styleSets.size());
                out.styleSets.push_back(std::move(set));
                fillBits = static_cast<int>(r.ub(4));
                lineBits = static_cast<int>(r.ub(4));
            }
        } else if (r.flag()) {
            rec.kind = ShapeRecord::Straight;
            const int bits = static_cast<int>(r.ub(4)) + 2;
            if (r.flag()) {
                rec.x = r.sb(bits);
                rec.y = r.sb(bits);
            } else if (r.flag()) {
                rec.y = r.sb(bits);
            } else {
                rec.x = r.sb(bits);
            }
        } else {
            rec.kind = ShapeRecord::Curved;
            const int bits = static_cast<int>(r.ub(4)) + 2;
            rec.cx = r.sb(bits);
            rec.cy = r.sb(bits);
            rec.x = r.sb(bits);
            rec.y = r.sb(bits);
        }
        out.records.push_back(rec);
    }
    return false;
}

} // namespace

bool FillStyle::isOpaque() const {
    if (type == Solid)
        return color.alpha() == 255;
    if (isGradient()) {
        for (const GradientStop& s : gradient.stops)
            if (s.color.alpha() != 255)
                return false;
        return !gradient.stops.empty();
    }
    return false;
}

Gradient readGradient(BitReader& r, int v, bool focal) {
    Gradient g;
    r.align();
    const int spread = static_cast<int>(r.ub(2));
    g.spread = spread == 1 ? Gradient::Reflect : spread == 2 ? Gradient::Repeat : Gradient::Pad;
    g.interpolation = r.ub(2) == 1 ? Gradient::LinearRgb : Gradient::Normal;
    const int n = static_cast<int>(r.ub(4));
    for (int i = 0; i < n && r.ok(); ++i) {
        GradientStop s;
        s.ratio = r.u8() / 255.0;
        s.color = readColor(r, v);
        g.stops.push_back(s);
    }
    if (focal)
        g.focalPoint = qBound(-1.0, r.fixed8_8(), 1.0);
    return g;
}

bool readFillStyle(BitReader& r, int v, FillStyle& f) {
    const int type = r.u8();
    switch (type) {
    case FillStyle::Solid:
        f.type = FillStyle::Solid;
        f.color = readColor(r, v);
        break;
    case FillStyle::Linear:
    case FillStyle::Radial:
    case FillStyle::FocalRadial:
        f.type = static_cast<FillStyle::Type>(type);
        f.matrix = readMatrix(r);
        f.gradient = readGradient(r, v, type == FillStyle::FocalRadial);
        break;
    case FillStyle::RepeatingBitmap:
    case FillStyle::ClippedBitmap:
    case FillStyle::RepeatingBitmapHard:
    case FillStyle::ClippedBitmapHard:
        f.type = static_cast<FillStyle::Type>(type);
        f.bitmapId = r.u16();
        f.matrix = readMatrix(r);
        break;
    default:
        r.fail();
        return false;
    }
    return r.ok();
}

bool readStyleSet(BitReader& r, int v, StyleSet& set) {
    const int fills = readCount(r);
    for (int i = 0; i < fills && r.ok(); ++i) {
        FillStyle f;
        if (!readFillStyle(r, v, f))
            return false;
        set.fills.push_back(std::move(f));
    }
    const int lines = readCount(r);
    for (int i = 0; i < lines && r.ok(); ++i) {
        LineStyle l;
        if (!readLineStyle(r, v, l))
            return false;
        set.lines.push_back(std::move(l));
    }
    return r.ok();
}

bool readShapeWithStyles(BitReader& r, int v, ShapeData& out) {
    StyleSet set;
    if (!readStyleSet(r, v, set))
        return false;
    out.styleSets.push_back(std::move(set));
    const int fillBits = static_cast<int>(r.ub(4));
    const int lineBits = static_cast<int>(r.ub(4));
    return readRecords(r, v, out, fillBits, lineBits);
}

bool readShape(BitReader& r, int v, ShapeData& out) {
    if (out.styleSets.empty())
        out.styleSets.emplace_back();
    r.align();
    const int fillBits = static_cast<int>(r.ub(4));
    const int lineBits = static_cast<int>(r.ub(4));
    return readRecords(r, v, out, fillBits, lineBits);
}

} // namespace reelcase::swf
