#include "swf/display/timeline_instance.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/net_stream.h"
#include "swf/video/video_picture.h"
#include "swf/video/video_stream.h"

#include <cmath>

// Video objects: placed video characters that show what a NetStream decodes.
namespace reelcase::swf::avm1::builtins {
namespace {

VideoObject* videoOf(const Value& v) {
    return dynamic_cast<VideoObject*>(objectOf(v));
}

Value attachVideo(Vm& vm, const Value& self, Args args) {
    VideoObject* video = videoOf(self);
    if (!video)
        return Undefined{};
    Object* stream = objectOf(arg(args, 0));
    const QImage* picture = streamPicture(stream);
    video->stream = picture ? stream : nullptr;
    if (picture && !picture->isNull())
        showStreamPicture(vm, stream, *picture);
    return Undefined{};
}

Value clearVideo(Vm&, const Value& self, Args) {
    VideoObject* video = videoOf(self);
    DisplayObject* e = video ? video->entry() : nullptr;
    if (e && e->ownCharacter) {
        e->ownCharacter.reset();
        e->character = video->own;
    }
    return Undefined{};
}

// The size of the picture shown (0 before any).
Value videoWidth(Vm&, const Value& self, Args) {
    VideoObject* video = videoOf(self);
    const QImage* picture = video ? streamPicture(video->stream) : nullptr;
    return picture ? double(picture->width()) : 0.0;
}

Value videoHeight(Vm&, const Value& self, Args) {
    VideoObject* video = videoOf(self);
    const QImage* picture = video ? streamPicture(video->stream) : nullptr;
    return picture ? double(picture->height()) : 0.0;
}

Value getSmoothing(Vm&, const Value& self, Args) {
    VideoObject* video = videoOf(self);
    return video ? Value(video->smoothing) : Value(Undefined{});
}

Value setSmoothing(Vm& vm, const Value& self, Args args) {
    if (VideoObject* video = videoOf(self))
        video->smoothing = vm.toBoolean(arg(args, 0));
    return Undefined{};
}

Value getDeblocking(Vm&, const Value& self, Args) {
    VideoObject* video = videoOf(self);
    return video ? Value(video->deblocking) : Value(Undefined{});
}

Value setDeblocking(Vm& vm, const Value& self, Args args) {
    VideoObject* video = videoOf(self);
    const double d = vm.toNumber(arg(args, 0));
    if (video && !std::isnan(d))
        video->deblocking = d;
    return Undefined{};
}

void accessor(Vm& vm, Object* proto, const char* name, NativeFunction get, NativeFunction set) {
    Property& p = proto->put(QLatin1String(name), Undefined{}, DontDelete);
    p.getter = vm.newNative(get);
    if (set)
        p.setter = vm.newNative(set);
}

// The first Video object on a stage puts the readable state on the prototype.
void addVideoProperties(Vm& vm, Object* proto) {
    if (!proto || proto->find(QStringLiteral("smoothing")))
        return;
    accessor(vm, proto, "smoothing", getSmoothing, setSmoothing);
    accessor(vm, proto, "deblocking", getDeblocking, setDeblocking);
    accessor(vm, proto, "width", videoWidth, nullptr);
    accessor(vm, proto, "height", videoHeight, nullptr);
}

} // namespace

void VideoObject::markChildren(Heap& heap) {
    DisplayHandle::markChildren(heap);
    heap.mark(stream);
}

VideoObject* makeVideoObject(Vm& vm, const VideoStream& character) {
    auto* video = vm.heap().make<VideoObject>(vm.protos.video ? vm.protos.video : vm.protos.object);
    video->own = &character;
    video->area = character.bounds();
    video->smoothing = character.smoothing();
    addVideoProperties(vm, vm.protos.video);
    return video;
}

void showStreamPicture(Vm& vm, Object* stream, const QImage& picture) {
    for (Object* o : vm.displayObjects()) {
        auto* video = dynamic_cast<VideoObject*>(o);
        DisplayObject* e = video && video->stream == stream ? video->entry() : nullptr;
        if (!e || picture.isNull())
            continue;
        auto shown = std::make_shared<VideoPicture>(picture, video->area, video->smoothing);
        e->character = shown.get();
        e->ownCharacter = std::move(shown);
    }
}

void installVideo(Vm& vm) {
    if (vm.version() < 6)
        return;
    Object* videoProto = vm.newObject();
    vm.defineClass(QStringLiteral("Video"), returnUndefined, nullptr, videoProto);
    vm.method(videoProto, QStringLiteral("attachVideo"), attachVideo);
    vm.method(videoProto, QStringLiteral("clear"), clearVideo);
    vm.protos.video = videoProto;
}

} // namespace reelcase::swf::avm1::builtins
