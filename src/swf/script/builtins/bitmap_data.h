#pragma once

#include "swf/script/object.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace reelcase::swf::avm1 {

// A script's bitmap: premultiplied ARGB pixels, rounded as the player rounds them, so
// colours read back exactly as the player's do.
class BitmapDataObject : public Object {
public:
    using Object::Object;
    std::size_t weight() const override {
        return Object::weight() + pixels.capacity() * sizeof(std::uint32_t);
    }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // Straight (not premultiplied) ARGB.
    std::uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, std::uint32_t argb);
    // The pixels as an image (premultiplied), for drawing.
    QImage image() const;

    int width = 0, height = 0;
    bool transparent = true;
    bool disposed = false;
    std::vector<std::uint32_t> pixels; // premultiplied, row by row
};

namespace builtins {
void installBitmapData(Vm& vm);
} // namespace builtins

} // namespace reelcase::swf::avm1
