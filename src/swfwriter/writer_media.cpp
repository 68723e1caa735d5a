#include "swfwriter/writer_media.h"

#include "swfwriter/bit_writer.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QHash>

#include <cmath>

namespace reelcase::swf::write {

namespace {

enum : int {
    DefineBits = 6,
    JpegTables = 8,
    DefineFont = 10,
    DefineText = 11,
    DefineFontInfo = 13,
    DefineBitsLossless = 20,
    DefineBitsJpeg2 = 21,
    DefineText2 = 33,
    DefineBitsJpeg3 = 35,
    DefineBitsLossless2 = 36,
    DefineEditText = 37,
    DefineFont2 = 48,
    DefineFont3 = 75,
    DefineBitsJpeg4 = 90,
};

int twips(double pixels) {
    return int(std::lround(pixels * 20));
}

QByteArray withId(std::uint16_t id, const QByteArray& body) {
    BitWriter w;
    w.u16(id);
    w.bytes(body);
    return w.data();
}

QByteArray zlib(const QByteArray& raw) {
    return qCompress(raw, 9).mid(4); // drop Qt's length prefix: a plain zlib stream remains
}

std::uint16_t defineRaw(SwfWriter& w, int code, const QByteArray& body) {
    const std::uint16_t id = w.takeId();
    w.rawTag(code, withId(id, body));
    return id;
}

// SHAPE records of one glyph: every contour with fill style 1 on its right.
QByteArray glyphShape(const QPainterPath& outline) {
    BitWriter w;
    w.ub(4, 1); // fill bits
    w.ub(4, 0); // line bits
    QPoint at(0, 0);
    QPoint contourStart(0, 0);
    bool open = false;
    auto edge = [&](QPoint to) {
        const QPoint d = to - at;
        if (d.isNull())
            return;
        const int bits =
            std::max(2, BitWriter::signedBits(std::max(std::abs(d.x()), std::abs(d.y()))) + 1);
        w.ub(1, 1);
        w.ub(1, 1);
        w.ub(4, std::uint32_t(bits - 2));
        w.ub(1, 1); // general line
        w.sb(bits, d.x());
        w.sb(bits, d.y());
        at = to;
    };
    auto curve = [&](QPoint control, QPoint to) {
        const QPoint c = control - at;
        const QPoint a = to - control;
        int largest = 0;
        for (int v : {c.x(), c.y(), a.x(), a.y()})
            largest = std::max(largest, std::abs(v));
        const int bits = std::max(2, BitWriter::signedBits(largest) + 1);
        w.ub(1, 1);
        w.ub(1, 0);
        w.ub(4, std::uint32_t(bits - 2));
        w.sb(bits, c.x());
        w.sb(bits, c.y());
        w.sb(bits, a.x());
        w.sb(bits, a.y());
        at = to;
    };
    auto close = [&] {
        if (open)
            edge(contourStart);
        open = false;
    };
    auto moveTo = [&](QPoint to) {
        close();
        const int bits =
            std::max(1, BitWriter::signedBits(std::max(std::abs(to.x()), std::abs(to.y()))) + 1);
        w.ub(1, 0);
        w.ub(5, 0x04 | 0x01); // fill style 1, move
        w.ub(5, std::uint32_t(bits));
        w.sb(bits, to.x());
        w.sb(bits, to.y());
        w.ub(1, 1);
        at = contourStart = to;
        open = true;
    };
    QPointF previous;
    for (int i = 0; i < outline.elementCount(); ++i) {
        const QPainterPath::Element e = outline.elementAt(i);
        if (e.isMoveTo()) {
            moveTo(QPointF(e).toPoint());
        } else if (e.isLineTo()) {
            edge(QPointF(e).toPoint());
        } else if (e.isCurveTo() && i + 2 < outline.elementCount()) {
            // A cubic becomes two quadratics, split at its middle.
            const QPointF p0 = previous, c1 = e, c2 = outline.elementAt(i + 1),
                          p3 = outline.elementAt(i + 2);
            const QPointF m01 = (p0 + c1) / 2, m12 = (c1 + c2) / 2, m23 = (c2 + p3) / 2;
            const QPointF m012 = (m01 + m12) / 2, m123 = (m12 + m23) / 2;
            const QPointF mid = (m012 + m123) / 2;
            curve((((m01 + m012) * 3 - p0 - mid) / 4).toPoint(), mid.toPoint());
            curve((((m123 + m23) * 3 - mid - p3) / 4).toPoint(), p3.toPoint());
            previous = p3;
            i += 2;
            continue;
        }
        previous = e;
    }
    close();
    w.ub(1, 0);
    w.ub(5, 0); // end of shape
    return w.data();
}

} // namespace

QByteArray bitsLosslessBody(const QImage& source, bool withAlpha, LosslessFormat format) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    BitWriter w;
    w.u8(int(format));
    w.u16(image.width());
    w.u16(image.height());
    QByteArray raw;
    if (format == LosslessFormat::ColourMapped8) {
        QList<QRgb> palette;
        QHash<QRgb, int> index;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (!index.contains(p) && palette.size() < 256) {
                    index.insert(p, int(palette.size()));
                    palette.append(p);
                }
            }
        if (palette.isEmpty())
            palette.append(0);
        w.u8(int(palette.size()) - 1);
        for (QRgb p : palette) {
            raw.append(char(qRed(p))).append(char(qGreen(p))).append(char(qBlue(p)));
            if (withAlpha)
                raw.append(char(qAlpha(p)));
        }
        const int stride = (image.width() + 3) & ~3;
        for (int y = 0; y < image.height(); ++y) {
            QByteArray row(stride, 0);
            for (int x = 0; x < image.width(); ++x)
                row[x] = char(index.value(image.pixel(x, y), 0));
            raw += row;
        }
    } else if (format == LosslessFormat::Rgb15) {
        const int stride = (image.width() * 2 + 3) & ~3;
        for (int y = 0; y < image.height(); ++y) {
            QByteArray row(stride, 0);
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                const int v = ((qRed(p) >> 3) << 10) | ((qGreen(p) >> 3) << 5) | (qBlue(p) >> 3);
                row[2 * x] = char(v >> 8);
                row[2 * x + 1] = char(v & 0xFF);
            }
            raw += row;
        }
    } else {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
                raw.append(char(withAlpha ? qAlpha(p) : 0))
                    .append(char(qRed(p)))
                    .append(char(qGreen(p)))
                    .append(char(qBlue(p)));
            }
    }
    w.bytes(zlib(raw));
    return w.data();
}

std::uint16_t defineBitsLossless(SwfWriter& w, const QImage& image, bool withAlpha,
                                 LosslessFormat format) {
    return defineRaw(w, withAlpha ? DefineBitsLossless2 : DefineBitsLossless,
                     bitsLosslessBody(image, withAlpha, format));
}

QByteArray encodeJpeg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPEG", quality);
    return bytes;
}

std::pair<QByteArray, QByteArray> splitJpegTables(const QByteArray& jpeg) {
    QByteArray tables("\xFF\xD8", 2);
    QByteArray image("\xFF\xD9\xFF\xD8\xFF\xD8", 6);
    qsizetype i = 2;
    while (i + 4 <= jpeg.size()) {
        const int marker = quint8(jpeg[i + 1]);
        if (marker == 0xDA) {
            image += jpeg.mid(i);
            break;
        }
        const int length = (quint8(jpeg[i + 2]) << 8) | quint8(jpeg[i + 3]);
        (marker == 0xDB || marker == 0xC4 ? tables : image) += jpeg.mid(i, 2 + length);
        i += 2 + length;
    }
    tables += QByteArray("\xFF\xD9", 2);
    return {tables, image};
}

void jpegTables(SwfWriter& w, const QByteArray& tables) {
    w.rawTag(JpegTables, tables);
}

std::uint16_t defineBits(SwfWriter& w, const QByteArray& imageStream) {
    return defineRaw(w, DefineBits, imageStream);
}

std::uint16_t defineBitsJpeg2(SwfWriter& w, const QByteArray& imageData) {
    return defineRaw(w, DefineBitsJpeg2, imageData);
}

std::uint16_t defineBitsJpeg3(SwfWriter& w, const QByteArray& jpeg, const QByteArray& alpha,
                              std::optional<double> deblocking) {
    BitWriter b;
    b.u32(std::uint32_t(jpeg.size()));
    if (deblocking)
        b.u16(int(std::lround(*deblocking * 256)));
    b.bytes(jpeg);
    b.bytes(zlib(alpha));
    return defineRaw(w, deblocking ? DefineBitsJpeg4 : DefineBitsJpeg3, b.data());
}

std::uint16_t defineBitmapShape(SwfWriter& w, std::uint16_t bitmapId, QSize pixels, QPointF topLeft,
                                bool smoothed) {
    ShapeBuilder shape(3);
    const int fill = shape.addFill(bitmapFill(bitmapId, topLeft, 1, false, smoothed));
    shape.rect(QRectF(topLeft, QSizeF(pixels)), fill);
    return w.defineShape(shape);
}

int FontDesign::glyphIndex(char16_t code) const {
    for (size_t i = 0; i < glyphs.size(); ++i)
        if (glyphs[i].code == code)
            return int(i);
    return -1;
}

FontDesign fontFromSystem(const QString& family, const QString& characters, int version) {
    FontDesign design;
    design.name = family;
    design.version = version;
    QFont font(family);
    font.setPixelSize(int(design.emSquare()));
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(font);
    design.ascent = metrics.ascent();
    design.descent = metrics.descent();
    design.leading = metrics.leading();
    for (QChar c : characters) {
        if (design.glyphIndex(c.unicode()) >= 0)
            continue;
        GlyphDesign glyph;
        glyph.code = c.unicode();
        glyph.outline.addText(QPointF(0, 0), font, QString(c));
        glyph.advance = metrics.horizontalAdvance(c);
        design.glyphs.push_back(glyph);
    }
    return design;
}

std::uint16_t defineFont(SwfWriter& w, const FontDesign& font) {
    std::vector<QByteArray> shapes;
    for (const GlyphDesign& g : font.glyphs)
        shapes.push_back(glyphShape(g.outline));
    const QByteArray name = font.name.toUtf8();
    const std::uint16_t id = w.takeId();
    BitWriter b;
    b.u16(id);
    if (font.version == 1) {
        qint64 offset = 2 * qint64(shapes.size());
        for (const QByteArray& s : shapes) {
            b.u16(int(offset));
            offset += s.size();
        }
        for (const QByteArray& s : shapes)
            b.bytes(s);
        w.rawTag(DefineFont, b.data());
        BitWriter info;
        info.u16(id);
        info.u8(int(name.size()));
        info.bytes(name);
        info.u8(0x01 | (font.italic ? 0x04 : 0) | (font.bold ? 0x02 : 0)); // wide codes
        for (const GlyphDesign& g : font.glyphs)
            info.u16(g.code);
        w.rawTag(DefineFontInfo, info.data());
        return id;
    }
    b.u8(0x80 | 0x08 | 0x04 | (font.italic ? 0x02 : 0) | (font.bold ? 0x01 : 0));
    b.u8(0); // language
    b.u8(int(name.size()));
    b.bytes(name);
    b.u16(int(shapes.size()));
    std::uint32_t offset = 4 * std::uint32_t(shapes.size() + 1);
    for (const QByteArray& s : shapes) {
        b.u32(offset);
        offset += std::uint32_t(s.size());
    }
    b.u32(offset); // code table
    for (const QByteArray& s : shapes)
        b.bytes(s);
    for (const GlyphDesign& g : font.glyphs)
        b.u16(g.code);
    b.u16(int(std::lround(font.ascent)));
    b.u16(int(std::lround(font.descent)));
    b.u16(int(std::lround(font.leading)));
    for (const GlyphDesign& g : font.glyphs)
        b.u16(int(std::lround(g.advance)));
    for (const GlyphDesign& g : font.glyphs)
        b.bytes(rectBytes(g.outline.boundingRect()));
    b.u16(0); // kerning pairs
    w.rawTag(font.version == 3 ? DefineFont3 : DefineFont2, b.data());
    return id;
}

std::uint16_t defineText(SwfWriter& w, std::uint16_t fontId, const FontDesign& font,
                         const std::vector<TextLine>& lines, bool withAlpha) {
    struct Entry {
        int glyph;
        int advance;
    };
    QRectF bounds;
    int glyphBits = 1;
    int advanceBits = 1;
    std::vector<std::vector<Entry>> entries;
    for (const TextLine& line : lines) {
        std::vector<Entry> row;
        const double scale = twips(line.height) / font.emSquare();
        double width = 0;
        for (QChar c : line.text) {
            const int index = font.glyphIndex(c.unicode());
            if (index < 0)
                continue;
            const int advance = int(std::lround(font.glyphs[size_t(index)].advance * scale));
            row.push_back({index, advance});
            glyphBits = std::max(glyphBits, BitWriter::unsignedBits(std::uint64_t(index)));
            advanceBits = std::max(advanceBits, BitWriter::signedBits(advance) + 1);
            width += advance;
        }
        bounds |= QRectF(twips(line.baseline.x()), twips(line.baseline.y() - line.height), width,
                         twips(line.height * 1.3));
        entries.push_back(std::move(row));
    }
    BitWriter b;
    const std::uint16_t id = w.takeId();
    b.u16(id);
    b.bytes(rectBytes(bounds));
    b.bytes(matrixBytes(QTransform()));
    b.u8(glyphBits);
    b.u8(advanceBits);
    for (size_t l = 0; l < lines.size(); ++l) {
        const TextLine& line = lines[l];
        const auto& row = entries[l];
        int x = twips(line.baseline.x());
        for (size_t start = 0; start == 0 || start < row.size(); start += 255) {
            const size_t count = std::min<size_t>(255, row.size() - start);
            b.u8(0x80 | 0x08 | 0x04 | 0x02 | 0x01);
            b.u16(fontId);
            b.u8(line.colour.red());
            b.u8(line.colour.green());
            b.u8(line.colour.blue());
            if (withAlpha)
                b.u8(line.colour.alpha());
            b.u16(x & 0xFFFF);
            b.u16(twips(line.baseline.y()) & 0xFFFF);
            b.u16(twips(line.height));
            b.u8(int(count));
            for (size_t i = start; i < start + count; ++i) {
                b.ub(glyphBits, std::uint32_t(row[i].glyph));
                b.sb(advanceBits, row[i].advance);
                x += row[i].advance;
            }
            b.align();
            if (row.empty())
                break;
        }
    }
    b.u8(0);
    w.rawTag(withAlpha ? DefineText2 : DefineText, b.data());
    return id;
}

std::uint16_t defineEditText(SwfWriter& w, const EditTextDesign& f) {
    const bool hasLayout =
        f.align != TextAlign::Left || f.leftMargin || f.rightMargin || f.indent || f.leading;
    const QByteArray text = f.rawText ? *f.rawText : f.text.toUtf8();
    BitWriter b;
    const std::uint16_t id = w.takeId();
    b.u16(id);
    b.bytes(rectBytes(QRectF(twips(f.bounds.x()), twips(f.bounds.y()), twips(f.bounds.width()),
                             twips(f.bounds.height()))));
    b.u8(0x80 | (f.wordWrap ? 0x40 : 0) | (f.multiline ? 0x20 : 0) | (f.password ? 0x10 : 0) |
         (f.input ? 0 : 0x08) | 0x04 | (f.fontId ? 0x01 : 0));
    b.u8((hasLayout ? 0x20 : 0) | (f.border ? 0x08 : 0) | (f.html ? 0x02 : 0) |
         (f.useOutlines ? 0x01 : 0));
    if (f.fontId) {
        b.u16(*f.fontId);
        b.u16(twips(f.fontHeight));
    }
    b.u8(f.colour.red());
    b.u8(f.colour.green());
    b.u8(f.colour.blue());
    b.u8(f.colour.alpha());
    if (hasLayout) {
        b.u8(int(f.align));
        b.u16(twips(f.leftMargin));
        b.u16(twips(f.rightMargin));
        b.u16(twips(f.indent) & 0xFFFF);
        b.u16(twips(f.leading) & 0xFFFF);
    }
    b.string(f.variable);
    b.bytes(text);
    b.u8(0);
    w.rawTag(DefineEditText, b.data());
    return id;
}

} // namespace reelcase::swf::write
