#pragma once

#include "swf/format/bit_reader.h"

#include <QColor>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace reelcase::swf {

// One entry of a PlaceObject3 or button record filter list. Distances and blur sizes are
// in stage pixels; the renderer scales them with the stage.
struct Filter {
    enum Kind : std::uint8_t {
        DropShadow = 0,
        Blur = 1,
        Glow = 2,
        Bevel = 3,
        GradientGlow = 4,
        Convolution = 5,
        ColorMatrix = 6,
        GradientBevel = 7
    };
    Kind kind = Blur;
    QColor color;                                    // shadow, glow; a bevel's shadow
    QColor highlight;                                // a bevel's highlight
    std::vector<std::pair<double, QColor>> gradient; // gradient glow and bevel: ratio, colour
    double blurX = 0, blurY = 0;
    double angle = 0; // radians
    double distance = 0;
    double strength = 1;
    bool inner = false, knockout = false, hideObject = false, onTop = false;
    int passes = 1;
    // Convolution
    int matrixX = 0, matrixY = 0;
    double divisor = 1, bias = 0;
    std::vector<double> matrix;
    QColor defaultColor;
    bool clamp = true, preserveAlpha = false;
    // Colour matrix: 4 rows of r, g, b, a, offset (offsets in 0..255)
    std::array<double, 20> colorMatrix{};
};

using FilterList = std::vector<Filter>;

// Reads a filter list (count and entries). An unknown filter or a list cut short fails the
// reader; the entries read so far are returned. At most 255 entries (the count is a byte).
FilterList readFilterList(BitReader& r);

// How far (stage pixels) filters can paint beyond what they filter, on each side; capped
// at 512, so that hostile sizes keep the filtered picture small.
double filterReach(const FilterList& filters);

} // namespace reelcase::swf
