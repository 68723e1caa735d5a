#pragma once

#include <QPoint>
#include <QRect>

namespace reelcase {

// The layout is given in twips; at 96 DPI fifteen twips make one pixel.
constexpr int twips(int value) {
    return value / 15;
}
inline QPoint twipsPoint(int x, int y) {
    return {twips(x), twips(y)};
}
inline QRect twipsRect(int left, int top, int width, int height) {
    return {twips(left), twips(top), twips(width), twips(height)};
}

} // namespace reelcase
