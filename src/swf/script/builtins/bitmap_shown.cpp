#include "swf/bitmaps/bitmap_character.h"
#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script/builtins/bitmap_data.h"
#include "swf/script/builtins/builtins.h"

#include <algorithm>
#include <cstring>

// Bitmaps scripts show on the stage: loaded from the movie's exports, attached to clips.
namespace reelcase::swf::avm1::builtins {
namespace {

// The picture a bitmap's clips show; null when disposed.
std::shared_ptr<const BitmapCharacter> pictureOf(const BitmapDataObject& b) {
    return std::make_shared<BitmapCharacter>(b.image());
}

bool samePixels(const BitmapDataObject& b, const BitmapCharacter& shown) {
    const QImage* image = shown.image();
    if (b.disposed || b.pixels.empty())
        return image->isNull();
    if (image->width() != b.width || image->height() != b.height)
        return false;
    for (int y = 0; y < b.height; ++y)
        if (std::memcmp(image->constScanLine(y), b.pixels.data() + std::size_t(y) * b.width,
                        std::size_t(b.width) * 4) != 0)
            return false;
    return true;
}

// The object at a shown depth while it still shows this bitmap's picture.
DisplayObject* showing(const BitmapShownAt& at, const Character* picture) {
    auto clip = at.clip.lock();
    DisplayObject* o = clip ? clip->objectAt(at.depth) : nullptr;
    return o && o->character == picture ? o : nullptr;
}

} // namespace

Value loadBitmap(Vm& vm, const Value&, Args args) {
    const Movie* movie = vm.runningMovie();
    if (!movie || args.empty())
        return Undefined{};
    const int id = movie->exports.value(vm.toString(args[0]).toLower(), 0);
    const QImage* image = id ? movie->dictionary.bitmap(static_cast<std::uint16_t>(id)) : nullptr;
    if (!image || image->isNull())
        return Undefined{};
    const QImage pixels = image->convertToFormat(QImage::Format_ARGB32_Premultiplied);
    BitmapDataObject* b = newBitmapData(vm, pixels.width(), pixels.height(), true, 0);
    if (!b)
        return Undefined{};
    for (int y = 0; y < b->height; ++y)
        std::memcpy(b->pixels.data() + std::size_t(y) * b->width, pixels.constScanLine(y),
                    std::size_t(b->width) * 4);
    return b;
}

void showBitmap(Vm& vm, BitmapDataObject& bitmap, const std::shared_ptr<TimelineInstance>& clip,
                int depth) {
    if (!bitmap.shown || !samePixels(bitmap, *bitmap.shown))
        showChangedBitmaps(vm);
    if (!bitmap.shown)
        bitmap.shown = pictureOf(bitmap);
    if (!clip->placeOwn(bitmap.shown, QString(), depth, QTransform()))
        return;
    bitmap.shownAt.push_back({clip, depth});
    if (std::find(vm.shownBitmaps.begin(), vm.shownBitmaps.end(), &bitmap) == vm.shownBitmaps.end())
        vm.shownBitmaps.push_back(&bitmap);
}

void showChangedBitmaps(Vm& vm) {
    std::erase_if(vm.shownBitmaps, [](Object* o) {
        auto& b = static_cast<BitmapDataObject&>(*o);
        const Character* was = b.shown.get();
        std::erase_if(b.shownAt, [was](const BitmapShownAt& at) { return !showing(at, was); });
        if (b.shownAt.empty()) {
            b.shown.reset();
            return true;
        }
        if (samePixels(b, *b.shown))
            return false;
        b.shown = pictureOf(b);
        for (const BitmapShownAt& at : b.shownAt)
            if (DisplayObject* e = showing(at, was)) {
                e->character = b.shown.get();
                e->ownCharacter = b.shown;
            }
        return false;
    });
}

} // namespace reelcase::swf::avm1::builtins
