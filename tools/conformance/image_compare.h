#pragma once

#include <QImage>

namespace reelcase::conformance {

// Within this distance on every channel a pixel counts as matched for the content share.
constexpr int kContentTolerance = 32;

struct ImageComparison {
    // (pixel, channel) pairs, over R, G, B and A, whose values differ by more than the
    // tolerance. Where the pictures differ in size, a pixel one of them lacks counts as
    // transparent black.
    qint64 outliers = 0;
    // The share (0 to 1) of the expected picture's content pixels that the actual picture
    // matches within kContentTolerance per channel. Content is every pixel that differs
    // from the expected picture's most common colour, its background; a picture that is
    // all background is judged on all its pixels.
    double contentShare = 0;
};

ImageComparison compareImages(const QImage& expected, const QImage& actual, int tolerance);

} // namespace reelcase::conformance
