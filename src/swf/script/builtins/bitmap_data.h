#pragma once

#include "swf/script/object.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <vector>

namespace reelcase::swf {
class BitmapCharacter;
class TimelineInstance;
} // namespace reelcase::swf

namespace reelcase::swf::avm1 {

// A depth of a clip that shows a bitmap (attachBitmap).
struct BitmapShownAt {
    std::weak_ptr<TimelineInstance> clip;
    int depth = 0;
};

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
    // Where clips show it, and the picture they show: pixels as the last scripts left them.
    std::vector<BitmapShownAt> shownAt;
    std::shared_ptr<const BitmapCharacter> shown;
};

namespace builtins {
void installBitmapData(Vm& vm);
// A new bitmap filled with fill (straight ARGB), or null over the memory budget.
BitmapDataObject* newBitmapData(Vm& vm, int width, int height, bool transparent,
                                std::uint32_t fill);
// BitmapData.loadBitmap(name): a copy of an exported bitmap of the running movie.
Value loadBitmap(Vm& vm, const Value& self, Args args);
// A clip shows the bitmap at a depth (attachBitmap), replacing what was there.
void showBitmap(Vm& vm, BitmapDataObject& bitmap, const std::shared_ptr<TimelineInstance>& clip,
                int depth);
// Clips showing a bitmap whose pixels changed since they were last shown get the new ones.
void showChangedBitmaps(Vm& vm);
} // namespace builtins

} // namespace reelcase::swf::avm1
