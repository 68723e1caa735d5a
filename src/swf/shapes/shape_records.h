#pragma once

#include "swf/format/bit_reader.h"

#include <QColor>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QImage;

namespace reelcase::swf {

struct GradientStop {
    double ratio = 0; // 0..1
    QColor color;
};

struct Gradient {
    enum Spread : std::uint8_t { Pad = 0, Reflect = 1, Repeat = 2 };
    enum Interpolation : std::uint8_t { Normal = 0, LinearRgb = 1 };
    std::vector<GradientStop> stops;
    Spread spread = Pad;
    Interpolation interpolation = Normal;
    double focalPoint = 0; // -1..1 along the x axis of a focal radial gradient
};

struct FillStyle {
    enum Type : std::uint8_t {
        Solid = 0x00,
        Linear = 0x10,
        Radial = 0x12,
        FocalRadial = 0x13,
        RepeatingBitmap = 0x40,
        ClippedBitmap = 0x41,
        RepeatingBitmapHard = 0x42,
        ClippedBitmapHard = 0x43,
    };
    Type type = Solid;
    QColor color;
    QTransform matrix; // gradient square or bitmap pixels -> shape twips
    Gradient gradient;
    std::uint16_t bitmapId = 0;
    // A script's bitmap drawn in place of the dictionary's bitmapId.
    std::shared_ptr<const QImage> image;

    bool isGradient() const { return type == Linear || type == Radial || type == FocalRadial; }
    bool isBitmap() const { return type >= RepeatingBitmap && type <= ClippedBitmapHard; }
    bool isRepeating() const { return type == RepeatingBitmap || type == RepeatingBitmapHard; }
    bool isSmoothed() const { return type == RepeatingBitmap || type == ClippedBitmap; }
    bool isOpaque() const; // every colour it can paint has alpha 255 (bitmaps: false)
};

struct LineStyle {
    std::uint16_t width = 0; // twips; 0 is a hairline
    QColor color;
    Qt::PenCapStyle startCap = Qt::RoundCap;
    Qt::PenCapStyle endCap = Qt::RoundCap;
    Qt::PenJoinStyle join = Qt::RoundJoin;
    double miterLimit = 3;
    bool noHScale = false, noVScale = false, pixelHinting = false, noClose = false;
    std::optional<FillStyle> fill; // a stroke painted with a fill style (LINESTYLE2)
};

struct StyleSet {
    std::vector<FillStyle> fills; // indexed from 1 by shape records
    std::vector<LineStyle> lines;
};

// One shape record. Coordinates are twips: a style change's move is absolute, edges are
// deltas from the current point.
struct ShapeRecord {
    enum Kind : std::uint8_t { StyleChange, Straight, Curved };
    Kind kind = StyleChange;
    bool hasMove = false;
    std::int32_t x = 0, y = 0;                      // move target; for edges the anchor delta
    std::int32_t cx = 0, cy = 0;                    // curve control delta
    std::int32_t fill0 = -1, fill1 = -1, line = -1; // -1: unchanged; 0: none
    std::int32_t styleSet = -1; // >= 0: new styles begin (index into ShapeData::styleSets)
};

struct ShapeData {
    std::vector<StyleSet> styleSets; // [0] are the initial styles
    std::vector<ShapeRecord> records;
};

// Fill and line style arrays of DefineShape version 1..4 (also used for morph-free
// reading of bitmap and gradient fills by other tags).
bool readFillStyle(BitReader& r, int shapeVersion, FillStyle& out);
bool readStyleSet(BitReader& r, int shapeVersion, StyleSet& out);
Gradient readGradient(BitReader& r, int shapeVersion, bool focal);

// SHAPEWITHSTYLE: style arrays then records (DefineShape). False on malformed input.
bool readShapeWithStyles(BitReader& r, int shapeVersion, ShapeData& out);
// SHAPE: records without style arrays, as font glyphs and morph edges store them; the
// records still refer to fill 1 and line 1 of whatever styles the caller supplies.
bool readShape(BitReader& r, int shapeVersion, ShapeData& out);

} // namespace reelcase::swf
