// Key, Mouse and the pointer's MovieClip methods, reading the player's input state.
#include "swf/script/builtins/input.h"

#include "swf/script/builtins/builtins.h"

#include "swf/display/hit_test.h"
#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script/clip_object.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

InputState& input(Vm& vm) {
    return vm.context().input;
}

bool keyBit(Vm& vm, Args args, const std::bitset<256>& keys) {
    if (args.empty())
        return false;
    const double code = vm.toNumber(args[0]);
    return code >= 0 && code < static_cast<double>(keys.size()) &&
           keys.test(static_cast<std::size_t>(code));
}

Value isDown(Vm& vm, const Value&, Args args) {
    return keyBit(vm, args, input(vm).keysDown);
}

Value isToggled(Vm& vm, const Value&, Args args) {
    return keyBit(vm, args, input(vm).keysToggled);
}

Value getCode(Vm& vm, const Value&, Args) {
    return static_cast<double>(input(vm).lastKeyCode);
}

Value getAscii(Vm& vm, const Value&, Args) {
    return static_cast<double>(input(vm).lastCharCode);
}

Value hideMouse(Vm& vm, const Value&, Args) {
    const bool wasShown = !input(vm).pointerHidden;
    input(vm).pointerHidden = true;
    return wasShown ? 1.0 : 0.0;
}

Value showMouse(Vm& vm, const Value&, Args) {
    const bool wasShown = !input(vm).pointerHidden;
    input(vm).pointerHidden = false;
    return wasShown ? 1.0 : 0.0;
}

Value startDrag(Vm& vm, const Value& self, Args args) {
    auto clip = vm.clipOf(self);
    if (!clip)
        return Undefined{};
    std::optional<QRectF> bounds;
    if (args.size() >= 5)
        bounds = QRectF(QPointF(vm.toNumber(args[1]), vm.toNumber(args[2])),
                        QPointF(vm.toNumber(args[3]), vm.toNumber(args[4])));
    startDragging(vm, *clip, !args.empty() && vm.toBoolean(args[0]), bounds);
    return Undefined{};
}

Value stopDrag(Vm& vm, const Value&, Args) {
    stopDragging(vm);
    return Undefined{};
}

// The clip owning the topmost shape under point (stage twips), other than skip and what it
// holds; null for the root's own shapes.
TimelineInstance* clipAt(TimelineInstance& timeline, QPointF point, TimelineInstance* skip,
                         const Dictionary& dictionary, int nesting) {
    if (nesting > 64)
        return nullptr;
    const auto& list = timeline.displayList();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const DisplayObject& o = it->second;
        if (o.sprite.get() == skip || !o.placement.visible || o.placement.clipDepth > 0)
            continue;
        if (!hitsObject(o, point, dictionary))
            continue;
        if (!o.sprite)
            return nesting > 0 ? &timeline : nullptr;
        bool invertible = false;
        const QPointF inner = o.placement.matrix.inverted(&invertible).map(point);
        if (TimelineInstance* deeper = clipAt(*o.sprite, inner, skip, dictionary, nesting + 1))
            return deeper;
    }
    return nullptr;
}

} // namespace

void startDragging(Vm& vm, TimelineInstance& clip, bool lockCentre, std::optional<QRectF> bounds) {
    vm.context().drag.start(clip, lockCentre, bounds, input(vm));
}

void stopDragging(Vm& vm) {
    auto clip = vm.context().drag.clip();
    vm.context().drag.stop();
    if (!clip || !vm.root())
        return;
    TimelineInstance* below =
        clipAt(*vm.root(), input(vm).pointer * 20.0, clip.get(), vm.context().movie->dictionary, 0);
    vm.clipObject(*clip)->dropTarget = below ? vm.slashPath(*below) : QString();
}

bool hitsShapes(Vm& vm, TimelineInstance& clip, QPointF stage) {
    const Dictionary& dictionary = vm.context().movie->dictionary;
    // The clip's own visibility does not count (its children's does); a script's mask
    // covers nothing.
    if (const DisplayObject* entry = clip.entry(); entry && entry->isScriptMask)
        return false;
    return hitsTimeline(clip, stageToLocal(clip, stage) * 20.0, dictionary);
}

QPointF pointerIn(Vm& vm, TimelineInstance& clip) {
    // The player works in device twips: the clip's full matrix to the device with its
    // translation in whole device pixels, inverted with its translation in whole twips,
    // gives whole twips. Halves round to even, as the processor's conversions do. A matrix with no
    // inverse reads the device pixels as twips.
    const QTransform& toDevice = input(vm).stageToDevice;
    const QPointF device = toDevice.map(input(vm).pointer * 20.0) * 20.0;
    const QTransform m = stageTransform(clip) * toDevice * QTransform::fromScale(20, 20);
    const QTransform snapped(m.m11(), m.m12(), m.m21(), m.m22(), std::nearbyint(m.dx() / 20) * 20,
                             std::nearbyint(m.dy() / 20) * 20);
    bool invertible = false;
    const QTransform inverse = snapped.inverted(&invertible);
    if (!invertible)
        return device / 400.0;
    const QTransform toLocal(inverse.m11(), inverse.m12(), inverse.m21(), inverse.m22(),
                             std::nearbyint(inverse.dx()), std::nearbyint(inverse.dy()));
    const QPointF twips = toLocal.map(device);
    if (!std::isfinite(twips.x()) || !std::isfinite(twips.y()))
        return {};
    return QPointF(std::nearbyint(twips.x()), std::nearbyint(twips.y())) / 20.0;
}

void installInput(Vm& vm) {
    if (Object* key = objectOf(vm.getMember(Value(vm.global), QStringLiteral("Key")))) {
        vm.method(key, QStringLiteral("isDown"), isDown);
        vm.method(key, QStringLiteral("isToggled"), isToggled);
        vm.method(key, QStringLiteral("getCode"), getCode);
        vm.method(key, QStringLiteral("getAscii"), getAscii);
    }
    if (Object* mouse = objectOf(vm.getMember(Value(vm.global), QStringLiteral("Mouse")))) {
        vm.method(mouse, QStringLiteral("hide"), hideMouse);
        vm.method(mouse, QStringLiteral("show"), showMouse);
    }
    // Buttons and clips acting as buttons are enabled and show the hand unless told not to.
    for (Object* proto : {vm.protos.button, vm.protos.movieClip}) {
        proto->put(QStringLiteral("enabled"), true, DontEnum);
        proto->put(QStringLiteral("useHandCursor"), true, DontEnum);
    }
    Object* clip = vm.protos.movieClip;
    vm.method(clip, QStringLiteral("startDrag"), startDrag);
    vm.method(clip, QStringLiteral("stopDrag"), stopDrag);
    installDrawing(vm);
    installContextMenu(vm);
}

} // namespace reelcase::swf::avm1::builtins
