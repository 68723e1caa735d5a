#include "image_compare.h"

#include <QHash>

#include <algorithm>
#include <cstdlib>

namespace reelcase::conformance {

namespace {

// The background is read from the expected picture, not the movie, so that the measure
// does not depend on the engine having got the stage colour right.
QRgb mostCommonColour(const QImage& image) {
    QHash<QRgb, qint64> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ++counts[row[x]];
    }
    QRgb best = 0;
    qint64 bestCount = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > bestCount || (it.value() == bestCount && it.key() < best)) {
            best = it.key();
            bestCount = it.value();
        }
    }
    return best;
}

int channelsBeyond(QRgb a, QRgb b, int tolerance) {
    const auto beyond = [tolerance](int x, int y) { return std::abs(x - y) > tolerance ? 1 : 0; };
    return beyond(qRed(a), qRed(b)) + beyond(qGreen(a), qGreen(b)) + beyond(qBlue(a), qBlue(b)) +
           beyond(qAlpha(a), qAlpha(b));
}

QRgb pixelOrNone(const QImage& image, int x, int y) {
    if (x >= image.width() || y >= image.height())
        return 0; // transparent black
    return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
}

} // namespace

ImageComparison compareImages(const QImage& expectedImage, const QImage& actualImage,
                              int tolerance) {
    const QImage expected = expectedImage.convertToFormat(QImage::Format_ARGB32);
    const QImage actual = actualImage.convertToFormat(QImage::Format_ARGB32);
    ImageComparison result;
    const int width = std::max(expected.width(), actual.width());
    const int height = std::max(expected.height(), actual.height());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            result.outliers +=
                channelsBeyond(pixelOrNone(expected, x, y), pixelOrNone(actual, x, y), tolerance);

    const QRgb background = mostCommonColour(expected);
    qint64 content = 0;
    qint64 contentMatched = 0;
    qint64 all = 0;
    qint64 allMatched = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb want = pixelOrNone(expected, x, y);
            const bool matched =
                x < actual.width() && y < actual.height() &&
                channelsBeyond(want, pixelOrNone(actual, x, y), kContentTolerance) == 0;
            ++all;
            allMatched += matched;
            if (want != background) {
                ++content;
                contentMatched += matched;
            }
        }
    }
    if (content > 0)
        result.contentShare = double(contentMatched) / double(content);
    else if (all > 0)
        result.contentShare = double(allMatched) / double(all);
    return result;
}

} // namespace reelcase::conformance
