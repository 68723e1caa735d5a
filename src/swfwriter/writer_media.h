#pragma once

#include "swf/text/text_format.h"
#include "swfwriter/writer.h"

#include <QImage>
#include <QPainterPath>

#include <optional>

// Writers for the bitmap, font and text tags, beside writer.h: the tests' fixtures, the
// fuzzing seeds and the demo animations. Geometry is in stage pixels unless it says em
// units; each define function writes its tag into the writer and returns the new id.
namespace reelcase::swf::write {

enum class LosslessFormat { ColourMapped8 = 3, Rgb15 = 4, Rgb32 = 5 };

// DefineBitsLossless (withAlpha false) or DefineBitsLossless2 (true). The colour-mapped
// format takes the image's first 256 distinct colours (others map to entry 0).
std::uint16_t defineBitsLossless(SwfWriter& w, const QImage& image, bool withAlpha = true,
                                 LosslessFormat format = LosslessFormat::Rgb32);
// The tag body after the character id.
QByteArray bitsLosslessBody(const QImage& image, bool withAlpha, LosslessFormat format);

// JPEG data as Qt writes it.
QByteArray encodeJpeg(const QImage& image, int quality = 90);
// A JPEG split the way DefineBits stores it: the tables stream (for JPEGTables) and the
// image stream (for DefineBits), the latter behind the erroneous FF D9 FF D8 header that
// old authoring tools wrote.
std::pair<QByteArray, QByteArray> splitJpegTables(const QByteArray& jpeg);
void jpegTables(SwfWriter& w, const QByteArray& tables);
std::uint16_t defineBits(SwfWriter& w, const QByteArray& imageStream);
// DefineBitsJPEG2: JPEG, PNG or GIF data.
std::uint16_t defineBitsJpeg2(SwfWriter& w, const QByteArray& imageData);
// DefineBitsJPEG3 (deblocking unset) or DefineBitsJPEG4: image data and an alpha byte per
// pixel (compressed here).
std::uint16_t defineBitsJpeg3(SwfWriter& w, const QByteArray& jpeg, const QByteArray& alpha,
                              std::optional<double> deblocking = {});

// What authoring tools write for a bitmap put on the stage: a rectangle of the bitmap's
// size filled with it, clipped, 20 twips per pixel, its top-left corner at topLeft.
std::uint16_t defineBitmapShape(SwfWriter& w, std::uint16_t bitmapId, QSize pixels,
                                QPointF topLeft = {}, bool smoothed = true);

// A glyph in em units: y grows downwards, the baseline at y = 0.
struct GlyphDesign {
    char16_t code = 0;
    QPainterPath outline;
    double advance = 0;
};

struct FontDesign {
    QString name;
    bool bold = false;
    bool italic = false;
    int version = 2;   // DefineFont (1, with a DefineFontInfo), DefineFont2 or DefineFont3
    double ascent = 0; // em units
    double descent = 0;
    double leading = 0;
    std::vector<GlyphDesign> glyphs;

    double emSquare() const { return version == 3 ? 20480 : 1024; }
    int glyphIndex(char16_t code) const;
};

// The outlines of characters in an installed font (needs a QGuiApplication).
FontDesign fontFromSystem(const QString& family, const QString& characters, int version = 2);
std::uint16_t defineFont(SwfWriter& w, const FontDesign& font);

// A line of static text: its glyphs from font, baseline start and em height in pixels.
struct TextLine {
    QString text;
    QPointF baseline;
    double height = 12;
    QColor colour = Qt::black;
};
// DefineText2 (withAlpha) or DefineText.
std::uint16_t defineText(SwfWriter& w, std::uint16_t fontId, const FontDesign& font,
                         const std::vector<TextLine>& lines, bool withAlpha = true);

struct EditTextDesign {
    QRectF bounds;                     // pixels
    QString text;                      // written as UTF-8
    std::optional<QByteArray> rawText; // or exactly these bytes (other encodings)
    bool html = false;
    bool wordWrap = false;
    bool multiline = false;
    bool border = false;
    bool password = false;
    bool input = false; // editable; otherwise read-only
    bool useOutlines = false;
    std::optional<std::uint16_t> fontId; // none: the default device font
    double fontHeight = 12;              // pixels
    QColor colour = Qt::black;
    TextAlign align = TextAlign::Left;
    double leftMargin = 0, rightMargin = 0, indent = 0, leading = 0; // pixels
    QString variable;
};
std::uint16_t defineEditText(SwfWriter& w, const EditTextDesign& field);

} // namespace reelcase::swf::write
