#include "swfwriter/writer.h"

#include "swf/format/tag_table.h"
#include "swfwriter/bit_writer.h"

#include <lzma.h>
#include <zlib.h>

#include <cmath>
#include <cstring>

namespace reelcase::swf::write {
namespace {

std::int32_t tw(double px) {
    return static_cast<std::int32_t>(std::lround(px * 20));
}

int fixedBits(double v) {
    return BitWriter::signedBits(static_cast<std::int64_t>(std::lround(v * 65536)));
}

void writeMatrix(BitWriter& w, const QTransform& m) {
    w.align();
    const bool scale = m.m11() != 1 || m.m22() != 1;
    w.flag(scale);
    if (scale) {
        const int n = std::max(fixedBits(m.m11()), fixedBits(m.m22()));
        w.ub(5, n);
        w.sb(n, static_cast<std::int32_t>(std::lround(m.m11() * 65536)));
        w.sb(n, static_cast<std::int32_t>(std::lround(m.m22() * 65536)));
    }
    const bool rotate = m.m12() != 0 || m.m21() != 0;
    w.flag(rotate);
    if (rotate) {
        const int n = std::max(fixedBits(m.m12()), fixedBits(m.m21()));
        w.ub(5, n);
        w.sb(n, static_cast<std::int32_t>(std::lround(m.m12() * 65536)));
        w.sb(n, static_cast<std::int32_t>(std::lround(m.m21() * 65536)));
    }
    const auto tx = static_cast<std::int32_t>(std::lround(m.dx()));
    const auto ty = static_cast<std::int32_t>(std::lround(m.dy()));
    const int n = (tx || ty) ? std::max(BitWriter::signedBits(tx), BitWriter::signedBits(ty)) : 0;
    w.ub(5, n);
    w.sb(n, tx);
    w.sb(n, ty);
    w.align();
}

void writeRect(BitWriter& w, const QRectF& r) {
    w.align();
    const std::int32_t v[4] = {static_cast<std::int32_t>(std::lround(r.left())),
                               static_cast<std::int32_t>(std::lround(r.right())),
                               static_cast<std::int32_t>(std::lround(r.top())),
                               static_cast<std::int32_t>(std::lround(r.bottom()))};
    int n = 1;
    for (std::int32_t x : v)
        n = std::max(n, BitWriter::signedBits(x));
    w.ub(5, n);
    for (std::int32_t x : v)
        w.sb(n, x);
    w.align();
}

void writeCxform(BitWriter& w, const ColorTransform& c, bool alpha) {
    w.align();
    const bool add = c.rAdd || c.gAdd || c.bAdd || (alpha && c.aAdd);
    const bool mult = c.rMult != 1 || c.gMult != 1 || c.bMult != 1 || (alpha && c.aMult != 1);
    std::vector<std::int32_t> values;
    if (mult)
        for (double m : {c.rMult, c.gMult, c.bMult, c.aMult})
            values.push_back(static_cast<std::int32_t>(std::lround(m * 256)));
    if (!alpha && mult)
        values.pop_back();
    if (add)
        for (double a : {c.rAdd, c.gAdd, c.bAdd, c.aAdd})
            values.push_back(static_cast<std::int32_t>(std::lround(a)));
    if (!alpha && add)
        values.pop_back();
    int n = 1;
    for (std::int32_t v : values)
        n = std::max(n, BitWriter::signedBits(v));
    w.flag(add);
    w.flag(mult);
    w.ub(4, std::min(n, 15));
    for (std::int32_t v : values)
        w.sb(std::min(n, 15), v);
    w.align();
}

void writeColor(BitWriter& w, const QColor& c, bool alpha) {
    w.u8(c.red());
    w.u8(c.green());
    w.u8(c.blue());
    if (alpha)
        w.u8(c.alpha());
}

void writeCount(BitWriter& w, size_t n) {
    if (n >= 0xff) {
        w.u8(0xff);
        w.u16(static_cast<int>(n));
    } else {
        w.u8(static_cast<int>(n));
    }
}

void writeGradient(BitWriter& w, const Gradient& g, bool alpha) {
    w.align();
    w.ub(2, g.spread);
    w.ub(2, g.interpolation);
    w.ub(4, static_cast<std::uint32_t>(std::min<size_t>(g.stops.size(), 15)));
    for (size_t i = 0; i < g.stops.size() && i < 15; ++i) {
        w.u8(static_cast<int>(std::lround(g.stops[i].ratio * 255)));
        writeColor(w, g.stops[i].color, alpha);
    }
}

void writeFill(BitWriter& w, const FillStyle& f, int version) {
    w.u8(f.type);
    if (f.type == FillStyle::Solid) {
        writeColor(w, f.color, version >= 3);
    } else if (f.isGradient()) {
        writeMatrix(w, f.matrix);
        writeGradient(w, f.gradient, version >= 3);
        if (f.type == FillStyle::FocalRadial)
            w.u16(static_cast<int>(std::lround(f.gradient.focalPoint * 256)));
    } else {
        w.u16(f.bitmapId);
        writeMatrix(w, f.matrix);
    }
}

int capCode(Qt::PenCapStyle c) {
    return c == Qt::FlatCap ? 1 : c == Qt::SquareCap ? 2 : 0;
}
int joinCode(Qt::PenJoinStyle j) {
    return j == Qt::BevelJoin ? 1 : j == Qt::MiterJoin ? 2 : 0;
}

void writeLine(BitWriter& w, const LineStyle& l, int version) {
    w.u16(l.width);
    if (version < 4) {
        writeColor(w, l.color, version >= 3);
        return;
    }
    w.ub(2, capCode(l.startCap));
    w.ub(2, joinCode(l.join));
    w.flag(l.fill.has_value());
    w.flag(l.noHScale);
    w.flag(l.noVScale);
    w.flag(l.pixelHinting);
    w.ub(5, 0);
    w.flag(l.noClose);
    w.ub(2, capCode(l.endCap));
    if (l.join == Qt::MiterJoin)
        w.u16(static_cast<int>(std::lround(l.miterLimit * 256)));
    if (l.fill)
        writeFill(w, *l.fill, version);
    else
        writeColor(w, l.color, true);
}

void writeStyles(BitWriter& w, const StyleSet& s, int version) {
    writeCount(w, s.fills.size());
    for (const FillStyle& f : s.fills)
        writeFill(w, f, version);
    writeCount(w, s.lines.size());
    for (const LineStyle& l : s.lines)
        writeLine(w, l, version);
}

int styleBits(size_t n) {
    return BitWriter::unsignedBits(n);
}

// Style change record; fills/line < 0 leave them out.
void writeStyleChange(BitWriter& w, std::optional<QPoint> move, int fill0, int fill1, int line,
                      int fillBits, int lineBits, const StyleSet* newStyles, int version) {
    w.flag(false);
    w.flag(newStyles != nullptr);
    w.flag(line >= 0);
    w.flag(fill1 >= 0);
    w.flag(fill0 >= 0);
    w.flag(move.has_value());
    if (move) {
        const int n =
            std::max({1, BitWriter::signedBits(move->x()), BitWriter::signedBits(move->y())});
        w.ub(5, n);
        w.sb(n, move->x());
        w.sb(n, move->y());
    }
    if (fill0 >= 0)
        w.ub(fillBits, fill0);
    if (fill1 >= 0)
        w.ub(fillBits, fill1);
    if (line >= 0)
        w.ub(lineBits, line);
    if (newStyles) {
        writeStyles(w, *newStyles, version);
        w.ub(4, styleBits(newStyles->fills.size()));
        w.ub(4, styleBits(newStyles->lines.size()));
    }
}

void writeStraight(BitWriter& w, int dx, int dy) {
    const int n = std::max({2, BitWriter::signedBits(dx), BitWriter::signedBits(dy)});
    w.flag(true);
    w.flag(true);
    w.ub(4, n - 2);
    w.flag(true); // general line
    w.sb(n, dx);
    w.sb(n, dy);
}

void writeCurve(BitWriter& w, int cx, int cy, int ax, int ay) {
    const int n = std::max({2, BitWriter::signedBits(cx), BitWriter::signedBits(cy),
                            BitWriter::signedBits(ax), BitWriter::signedBits(ay)});
    w.flag(true);
    w.flag(false);
    w.ub(4, n - 2);
    w.sb(n, cx);
    w.sb(n, cy);
    w.sb(n, ax);
    w.sb(n, ay);
}

QPoint twips(QPointF p) {
    return QPoint(tw(p.x()), tw(p.y()));
}

// Writes a path's edges; styles are written only when withStyles (morph end edges carry
// moves only).
void writePath(BitWriter& w, const Path& p, int fillBits, int lineBits, bool withStyles, QPoint& at,
               int version) {
    bool first = true;
    for (const Path::Segment& s : p.segments) {
        const QPoint to = twips(s.to);
        if (s.kind == Path::Segment::Move || first) {
            const QPoint target = s.kind == Path::Segment::Move ? to : at;
            if (withStyles && first)
                writeStyleChange(w, target, p.fill0, p.fill1, p.line, fillBits, lineBits, nullptr,
                                 version);
            else
                writeStyleChange(w, target, -1, -1, -1, fillBits, lineBits, nullptr, version);
            at = target;
            first = false;
            if (s.kind == Path::Segment::Move)
                continue;
        }
        if (s.kind == Path::Segment::Line) {
            writeStraight(w, to.x() - at.x(), to.y() - at.y());
        } else {
            const QPoint c = twips(s.control);
            writeCurve(w, c.x() - at.x(), c.y() - at.y(), to.x() - c.x(), to.y() - c.y());
        }
        at = to;
    }
}

QByteArray compressZlib(const QByteArray& body) {
    uLongf size = compressBound(static_cast<uLong>(body.size()));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(body.constData()), static_cast<uLong>(body.size()), 9);
    out.resize(static_cast<qsizetype>(size));
    return out;
}

// LZMA "alone" output is props(5) + size(8) + data; SWF keeps props and data only.
QByteArray compressLzma(const QByteArray& body) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    lzma_stream ls = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&ls, &options) != LZMA_OK)
        return {};
    QByteArray out(static_cast<qsizetype>(body.size() + body.size() / 2 + 1024), Qt::Uninitialized);
    ls.next_in = reinterpret_cast<const uint8_t*>(body.constData());
    ls.avail_in = static_cast<size_t>(body.size());
    ls.next_out = reinterpret_cast<uint8_t*>(out.data());
    ls.avail_out = static_cast<size_t>(out.size());
    lzma_ret rc;
    do {
        rc = lzma_code(&ls, LZMA_FINISH);
    } while (rc == LZMA_OK && ls.avail_out > 0);
    out.resize(static_cast<qsizetype>(ls.total_out));
    lzma_end(&ls);
    return out.left(5) + out.mid(13);
}

} // namespace

QByteArray tagBytes(int code, const QByteArray& body, bool forceLong) {
    BitWriter w;
    if (body.size() >= 0x3f || forceLong) {
        w.u16((code << 6) | 0x3f);
        w.u32(static_cast<std::uint32_t>(body.size()));
    } else {
        w.u16((code << 6) | static_cast<int>(body.size()));
    }
    w.bytes(body);
    return w.data();
}

QByteArray matrixBytes(const QTransform& m) {
    BitWriter w;
    writeMatrix(w, m);
    return w.data();
}

QByteArray colorTransformBytes(const ColorTransform& cx, bool withAlpha) {
    BitWriter w;
    writeCxform(w, cx, withAlpha);
    return w.data();
}

QByteArray rectBytes(const QRectF& r) {
    BitWriter w;
    writeRect(w, r);
    return w.data();
}

FillStyle solid(const QColor& colour) {
    FillStyle f;
    f.color = colour;
    return f;
}

static QTransform gradientBox(const QRectF& box) {
    // The gradient square (-16384..16384) mapped onto box, in twips.
    QTransform m;
    m.translate(tw(box.center().x()), tw(box.center().y()));
    m.scale(box.width() * 20 / 32768.0, box.height() * 20 / 32768.0);
    return m;
}

FillStyle linearGradient(const QRectF& box, std::vector<GradientStop> stops,
                         Gradient::Spread spread, Gradient::Interpolation interpolation) {
    FillStyle f;
    f.type = FillStyle::Linear;
    f.matrix = gradientBox(box);
    f.gradient.stops = std::move(stops);
    f.gradient.spread = spread;
    f.gradient.interpolation = interpolation;
    return f;
}

FillStyle radialGradient(const QRectF& box, std::vector<GradientStop> stops, double focalPoint,
                         Gradient::Spread spread) {
    FillStyle f;
    f.type = focalPoint != 0 ? FillStyle::FocalRadial : FillStyle::Radial;
    f.matrix = gradientBox(box);
    f.gradient.stops = std::move(stops);
    f.gradient.spread = spread;
    f.gradient.focalPoint = focalPoint;
    return f;
}

FillStyle bitmapFill(std::uint16_t id, const QPointF& topLeft, double scale, bool repeating,
                     bool smoothed) {
    FillStyle f;
    f.type = repeating ? (smoothed ? FillStyle::RepeatingBitmap : FillStyle::RepeatingBitmapHard)
                       : (smoothed ? FillStyle::ClippedBitmap : FillStyle::ClippedBitmapHard);
    f.bitmapId = id;
    f.matrix = QTransform(scale * 20, 0, 0, scale * 20, tw(topLeft.x()), tw(topLeft.y()));
    return f;
}

LineStyle line(double widthPx, const QColor& colour) {
    LineStyle l;
    l.width = static_cast<std::uint16_t>(std::lround(widthPx * 20));
    l.color = colour;
    return l;
}

Path& Path::moveTo(QPointF p) {
    segments.push_back({Segment::Move, p, {}});
    return *this;
}
Path& Path::lineTo(QPointF p) {
    segments.push_back({Segment::Line, p, {}});
    return *this;
}
Path& Path::curveTo(QPointF c, QPointF p) {
    segments.push_back({Segment::Curve, p, c});
    return *this;
}

int ShapeBuilder::addFill(FillStyle style) {
    m_layers.back().styles.fills.push_back(std::move(style));
    return static_cast<int>(m_layers.back().styles.fills.size());
}

int ShapeBuilder::addLine(LineStyle style) {
    m_layers.back().styles.lines.push_back(std::move(style));
    return static_cast<int>(m_layers.back().styles.lines.size());
}

ShapeBuilder& ShapeBuilder::newLayer() {
    m_layers.emplace_back();
    return *this;
}

ShapeBuilder& ShapeBuilder::setNonZero(bool nonZero) {
    m_nonZero = nonZero;
    return *this;
}

ShapeBuilder& ShapeBuilder::path(Path p) {
    m_layers.back().paths.push_back(std::move(p));
    return *this;
}

ShapeBuilder& ShapeBuilder::rect(const QRectF& r, int fill, int line) {
    return polygon(QPolygonF(r), fill, line);
}

ShapeBuilder& ShapeBuilder::polygon(const QPolygonF& points, int fill, int line) {
    Path p;
    p.fill1 = fill;
    p.line = line;
    if (points.isEmpty())
        return *this;
    p.moveTo(points.first());
    for (qsizetype i = 1; i < points.size(); ++i)
        p.lineTo(points[i]);
    if (points.last() != points.first())
        p.lineTo(points.first());
    return path(std::move(p));
}

ShapeBuilder& ShapeBuilder::ellipse(const QRectF& b, int fill, int line) {
    // Eight quadratic segments: close enough to a circle for fixtures and demos.
    Path p;
    p.fill1 = fill;
    p.line = line;
    const QPointF c = b.center();
    const double rx = b.width() / 2, ry = b.height() / 2;
    const double k = 1 / std::cos(M_PI / 8);
    p.moveTo(c + QPointF(rx, 0));
    for (int i = 1; i <= 8; ++i) {
        const double a = i * M_PI / 4, mid = a - M_PI / 8;
        p.curveTo(c + QPointF(rx * k * std::cos(mid), ry * k * std::sin(mid)),
                  c + QPointF(rx * std::cos(a), ry * std::sin(a)));
    }
    return path(std::move(p));
}

QRectF ShapeBuilder::boundsTwips() const {
    // Points are gathered by hand: QRectF's union skips rectangles of no size.
    std::optional<QRectF> r;
    double pad = 0;
    auto add = [&](const QPointF& p) {
        const QPointF pt(tw(p.x()), tw(p.y()));
        if (!r)
            r = QRectF(pt, pt);
        else
            r = QRectF(QPointF(std::min(r->left(), pt.x()), std::min(r->top(), pt.y())),
                       QPointF(std::max(r->right(), pt.x()), std::max(r->bottom(), pt.y())));
    };
    for (const Layer& layer : m_layers) {
        for (const LineStyle& l : layer.styles.lines)
            pad = std::max(pad, l.width / 2.0);
        for (const Path& p : layer.paths) {
            for (const Path::Segment& s : p.segments) {
                add(s.to);
                if (s.kind == Path::Segment::Curve)
                    add(s.control);
            }
        }
    }
    return r.value_or(QRectF()).adjusted(-pad, -pad, pad, pad);
}

QByteArray ShapeBuilder::body() const {
    BitWriter w;
    writeRect(w, boundsTwips());
    if (m_version >= 4) {
        writeRect(w, boundsTwips());
        w.u8(m_nonZero ? 0x04 : 0);
    }
    writeStyles(w, m_layers.front().styles, m_version);
    int fillBits = styleBits(m_layers.front().styles.fills.size());
    int lineBits = styleBits(m_layers.front().styles.lines.size());
    w.ub(4, fillBits);
    w.ub(4, lineBits);
    QPoint at;
    for (size_t i = 0; i < m_layers.size(); ++i) {
        const Layer& layer = m_layers[i];
        if (i > 0) {
            writeStyleChange(w, std::nullopt, -1, -1, -1, fillBits, lineBits, &layer.styles,
                             m_version);
            fillBits = styleBits(layer.styles.fills.size());
            lineBits = styleBits(layer.styles.lines.size());
        }
        for (const Path& p : layer.paths)
            writePath(w, p, fillBits, lineBits, true, at, m_version);
    }
    w.ub(6, 0); // end of shape
    return w.data();
}

Actions& Actions::stop() {
    return raw(0x07);
}
Actions& Actions::play() {
    return raw(0x06);
}
Actions& Actions::nextFrame() {
    return raw(0x04);
}
Actions& Actions::previousFrame() {
    return raw(0x05);
}
Actions& Actions::gotoFrame(int frame) {
    BitWriter w;
    w.u16(frame);
    return raw(0x81, w.data());
}
Actions& Actions::gotoLabel(const QString& label) {
    BitWriter w;
    w.string(label);
    return raw(0x8C, w.data());
}
Actions& Actions::setTarget(const QString& target) {
    BitWriter w;
    w.string(target);
    return raw(0x8B, w.data());
}
Actions& Actions::raw(int code, const QByteArray& args) {
    m_code.append(static_cast<char>(code));
    if (code >= 0x80) {
        m_code.append(static_cast<char>(args.size() & 0xff));
        m_code.append(static_cast<char>((args.size() >> 8) & 0xff));
        m_code.append(args);
    }
    return *this;
}
namespace {
QByteArray pushBody(int type, const QByteArray& payload) {
    return QByteArray(1, static_cast<char>(type)) + payload;
}
} // namespace

Actions& Actions::push(const QString& s) {
    BitWriter w;
    w.string(s);
    return raw(0x96, pushBody(0, w.data()));
}
Actions& Actions::push(double d) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    BitWriter w;
    w.u32(static_cast<std::uint32_t>(bits >> 32)); // the high word comes first
    w.u32(static_cast<std::uint32_t>(bits));
    return raw(0x96, pushBody(6, w.data()));
}
Actions& Actions::pushInt(std::int32_t i) {
    BitWriter w;
    w.u32(static_cast<std::uint32_t>(i));
    return raw(0x96, pushBody(7, w.data()));
}
Actions& Actions::pushFloat(float f) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    BitWriter w;
    w.u32(bits);
    return raw(0x96, pushBody(1, w.data()));
}
Actions& Actions::push(bool b) {
    return raw(0x96, pushBody(5, QByteArray(1, b ? 1 : 0)));
}
Actions& Actions::pushNull() {
    return raw(0x96, pushBody(2, {}));
}
Actions& Actions::pushUndefined() {
    return raw(0x96, pushBody(3, {}));
}
Actions& Actions::pushRegister(int index) {
    return raw(0x96, pushBody(4, QByteArray(1, static_cast<char>(index))));
}
Actions& Actions::pushConstant(int index) {
    BitWriter w;
    if (index < 256)
        w.u8(index);
    else
        w.u16(index);
    return raw(0x96, pushBody(index < 256 ? 8 : 9, w.data()));
}
Actions& Actions::constantPool(const QStringList& strings) {
    BitWriter w;
    w.u16(static_cast<int>(strings.size()));
    for (const QString& s : strings)
        w.string(s);
    return raw(0x88, w.data());
}
Actions& Actions::storeRegister(int index) {
    return raw(0x87, QByteArray(1, static_cast<char>(index)));
}
Actions& Actions::gotoFrame2(bool play, int sceneBias) {
    BitWriter w;
    w.u8((play ? 1 : 0) | (sceneBias ? 2 : 0));
    if (sceneBias)
        w.u16(sceneBias);
    return raw(0x9F, w.data());
}
Actions& Actions::branch(int code, const QString& label) {
    raw(code, QByteArray(2, '\0'));
    m_branches.emplace_back(m_code.size() - 2, label);
    return *this;
}
Actions& Actions::jump(const QString& label) {
    return branch(0x99, label);
}
Actions& Actions::ifTrue(const QString& label) {
    return branch(0x9D, label);
}
Actions& Actions::jumpBy(int offset) {
    BitWriter w;
    w.u16(offset & 0xffff);
    return raw(0x99, w.data());
}
Actions& Actions::ifTrueBy(int offset) {
    BitWriter w;
    w.u16(offset & 0xffff);
    return raw(0x9D, w.data());
}
Actions& Actions::mark(const QString& label) {
    m_marks.insert(label, m_code.size());
    return *this;
}
QByteArray Actions::bytes() const {
    QByteArray code = m_code;
    for (const auto& [field, label] : m_branches) {
        // Offsets count from the end of the branch action.
        const qsizetype offset = m_marks.value(label, field + 2) - (field + 2);
        code[field] = static_cast<char>(offset & 0xff);
        code[field + 1] = static_cast<char>((offset >> 8) & 0xff);
    }
    return code + QByteArray(1, '\0');
}

Timeline& Timeline::place(const Place& p) {
    BitWriter w;
    const bool v3 = p.blendMode.has_value();
    int flags = 0;
    if (p.move)
        flags |= 0x01;
    if (p.character)
        flags |= 0x02;
    if (p.matrix)
        flags |= 0x04;
    if (p.cxform)
        flags |= 0x08;
    if (p.ratio)
        flags |= 0x10;
    if (p.name)
        flags |= 0x20;
    if (p.clipDepth)
        flags |= 0x40;
    w.u8(flags);
    if (v3)
        w.u8(0x02); // has blend mode
    w.u16(p.depth);
    if (p.character)
        w.u16(*p.character);
    if (p.matrix) {
        QTransform m = *p.matrix;
        m = QTransform(m.m11(), m.m12(), m.m21(), m.m22(), m.dx() * 20, m.dy() * 20);
        writeMatrix(w, m);
    }
    if (p.cxform)
        writeCxform(w, *p.cxform, true);
    if (p.ratio)
        w.u16(*p.ratio);
    if (p.name)
        w.string(*p.name);
    if (p.clipDepth)
        w.u16(*p.clipDepth);
    if (v3)
        w.u8(static_cast<int>(*p.blendMode));
    m_tags.append(tagBytes(v3 ? tag::PlaceObject3 : tag::PlaceObject2, w.data()));
    return *this;
}

Timeline& Timeline::remove(int depth) {
    BitWriter w;
    w.u16(depth);
    m_tags.append(tagBytes(tag::RemoveObject2, w.data()));
    return *this;
}

Timeline& Timeline::label(const QString& name) {
    BitWriter w;
    w.string(name);
    m_tags.append(tagBytes(tag::FrameLabel, w.data()));
    return *this;
}

Timeline& Timeline::actions(const Actions& a) {
    m_tags.append(tagBytes(tag::DoAction, a.bytes()));
    return *this;
}

Timeline& Timeline::showFrame(int count) {
    for (int i = 0; i < count; ++i) {
        m_tags.append(tagBytes(tag::ShowFrame, {}));
        ++m_frames;
    }
    return *this;
}

Timeline& Timeline::rawTag(int code, const QByteArray& body) {
    m_tags.append(tagBytes(code, body));
    return *this;
}

SwfWriter::SwfWriter(QSizeF stage, double rate, int version)
    : m_stage(stage)
    , m_rate(rate)
    , m_version(version) {}

SwfWriter& SwfWriter::background(const QColor& c) {
    BitWriter w;
    writeColor(w, c, false);
    m_tags.append(tagBytes(tag::SetBackgroundColor, w.data()));
    return *this;
}

std::uint16_t SwfWriter::defineShape(const ShapeBuilder& shape) {
    static constexpr int codes[] = {tag::DefineShape, tag::DefineShape2, tag::DefineShape3,
                                    tag::DefineShape4};
    const std::uint16_t id = m_nextId++;
    BitWriter w;
    w.u16(id);
    w.bytes(shape.body());
    m_tags.append(tagBytes(codes[std::clamp(shape.version(), 1, 4) - 1], w.data()));
    return id;
}

// The start and end shapes must have the same paths (segment for segment) and styles of
// the same kinds; only their first layer is used.
std::uint16_t SwfWriter::defineMorphShape(const ShapeBuilder& start, const ShapeBuilder& end) {
    const std::uint16_t id = m_nextId++;
    const bool v2 = start.version() >= 4;
    const ShapeBuilder::Layer& a = start.m_layers.front();
    const ShapeBuilder::Layer& b = end.m_layers.front();
    BitWriter w;
    w.u16(id);
    writeRect(w, start.boundsTwips());
    writeRect(w, end.boundsTwips());
    if (v2) {
        writeRect(w, start.boundsTwips());
        writeRect(w, end.boundsTwips());
        w.u8(0);
    }
    BitWriter styles;
    writeCount(styles, a.styles.fills.size());
    for (size_t i = 0; i < a.styles.fills.size(); ++i) {
        const FillStyle& s = a.styles.fills[i];
        const FillStyle& e = i < b.styles.fills.size() ? b.styles.fills[i] : s;
        styles.u8(s.type);
        if (s.type == FillStyle::Solid) {
            writeColor(styles, s.color, true);
            writeColor(styles, e.color, true);
        } else if (s.isGradient()) {
            writeMatrix(styles, s.matrix);
            writeMatrix(styles, e.matrix);
            styles.u8(static_cast<int>(s.gradient.stops.size()) | (s.gradient.spread << 6) |
                      (s.gradient.interpolation << 4));
            for (size_t k = 0; k < s.gradient.stops.size(); ++k) {
                const GradientStop& x = s.gradient.stops[k];
                const GradientStop& y = k < e.gradient.stops.size() ? e.gradient.stops[k] : x;
                styles.u8(static_cast<int>(std::lround(x.ratio * 255)));
                writeColor(styles, x.color, true);
                styles.u8(static_cast<int>(std::lround(y.ratio * 255)));
                writeColor(styles, y.color, true);
            }
            if (s.type == FillStyle::FocalRadial) {
                styles.u16(static_cast<int>(std::lround(s.gradient.focalPoint * 256)));
                styles.u16(static_cast<int>(std::lround(e.gradient.focalPoint * 256)));
            }
        } else {
            styles.u16(s.bitmapId);
            writeMatrix(styles, s.matrix);
            writeMatrix(styles, e.matrix);
        }
    }
    writeCount(styles, a.styles.lines.size());
    for (size_t i = 0; i < a.styles.lines.size(); ++i) {
        const LineStyle& s = a.styles.lines[i];
        const LineStyle& e = i < b.styles.lines.size() ? b.styles.lines[i] : s;
        styles.u16(s.width);
        styles.u16(e.width);
        if (v2)
            styles.u16(0); // round caps and joins, no fill, scaling, closed
        writeColor(styles, s.color, true);
        writeColor(styles, e.color, true);
    }
    BitWriter startEdges;
    const int fillBits = styleBits(a.styles.fills.size());
    const int lineBits = styleBits(a.styles.lines.size());
    startEdges.ub(4, fillBits);
    startEdges.ub(4, lineBits);
    QPoint at;
    for (const Path& p : a.paths)
        writePath(startEdges, p, fillBits, lineBits, true, at, 3);
    startEdges.ub(6, 0);
    BitWriter endEdges;
    endEdges.ub(4, 0);
    endEdges.ub(4, 0);
    at = {};
    for (const Path& p : b.paths)
        writePath(endEdges, p, 0, 0, false, at, 3);
    endEdges.ub(6, 0);
    const QByteArray head = styles.data() + startEdges.data();
    w.u32(static_cast<std::uint32_t>(head.size()));
    w.bytes(head);
    w.bytes(endEdges.data());
    m_tags.append(tagBytes(v2 ? tag::DefineMorphShape2 : tag::DefineMorphShape, w.data()));
    return id;
}

std::uint16_t SwfWriter::defineSprite(const Timeline& sprite) {
    const std::uint16_t id = m_nextId++;
    BitWriter w;
    w.u16(id);
    w.u16(sprite.frameCount());
    w.bytes(sprite.tags());
    w.bytes(tagBytes(tag::End, {}));
    m_tags.append(tagBytes(tag::DefineSprite, w.data()));
    return id;
}

QByteArray SwfWriter::finish(Compression compression) const {
    BitWriter body;
    writeRect(body, QRectF(0, 0, m_stage.width() * 20, m_stage.height() * 20));
    body.u16(static_cast<int>(std::lround(m_rate * 256)));
    body.u16(m_frames);
    body.bytes(m_tags);
    body.bytes(tagBytes(tag::End, {}));
    const QByteArray plain = body.data();
    BitWriter file;
    const char* sig = compression == Compression::Zlib   ? "CWS"
                      : compression == Compression::Lzma ? "ZWS"
                                                         : "FWS";
    file.bytes(QByteArray(sig));
    file.u8(m_version);
    file.u32(static_cast<std::uint32_t>(plain.size() + 8));
    if (compression == Compression::Zlib) {
        file.bytes(compressZlib(plain));
    } else if (compression == Compression::Lzma) {
        const QByteArray packed = compressLzma(plain);
        file.u32(static_cast<std::uint32_t>(std::max<qsizetype>(0, packed.size() - 5)));
        file.bytes(packed);
    } else {
        file.bytes(plain);
    }
    return file.data();
}

} // namespace reelcase::swf::write
