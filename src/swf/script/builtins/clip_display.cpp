#include "swf/display/timeline_instance.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/geometry.h"
#include "swf/script/clip_object.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

bool isNullish(const Value& v) {
    return typeOf(v) == TypeUndefined || typeOf(v) == TypeNull;
}

DisplayObject* entryOf(const Value& self, TimelineInstance** parent = nullptr) {
    auto* handle = dynamic_cast<DisplayHandle*>(objectOf(self));
    return handle ? handle->entry(parent) : nullptr;
}

Value cacheAsBitmap(Vm&, const Value& self, Args) {
    const DisplayObject* e = entryOf(self);
    return e ? Value(e->placement.cacheAsBitmap) : Value(Undefined{});
}

Value setCacheAsBitmap(Vm& vm, const Value& self, Args args) {
    if (DisplayObject* e = entryOf(self))
        e->placement.cacheAsBitmap = vm.toBoolean(arg(args, 0));
    return Undefined{};
}

Value opaqueBackground(Vm&, const Value& self, Args) {
    const DisplayObject* e = entryOf(self);
    if (!e || !e->placement.opaqueBackground)
        return Undefined{};
    return static_cast<double>(*e->placement.opaqueBackground & 0xFFFFFFu);
}

// undefined or null: no background; any other value is an opaque colour.
Value setOpaqueBackground(Vm& vm, const Value& self, Args args) {
    DisplayObject* e = entryOf(self);
    if (!e)
        return Undefined{};
    const Value v = arg(args, 0);
    if (isNullish(v)) {
        e->placement.opaqueBackground.reset();
        return Undefined{};
    }
    const double n = vm.toNumber(v);
    const auto rgb =
        std::isfinite(n) ? static_cast<std::uint32_t>(static_cast<std::int64_t>(n)) : 0u;
    e->placement.opaqueBackground = 0xFF000000u | (rgb & 0xFFFFFFu);
    return Undefined{};
}

Value scrollRect(Vm& vm, const Value& self, Args) {
    const DisplayObject* e = entryOf(self);
    if (!e || !e->placement.scrollRect)
        return Undefined{};
    const QRectF r = *e->placement.scrollRect;
    return geometry::newRectangle(vm, r.x() / 20, r.y() / 20, r.width() / 20, r.height() / 20);
}

// Any object with the four numbers sets the window; anything else takes it away.
Value setScrollRect(Vm& vm, const Value& self, Args args) {
    DisplayObject* e = entryOf(self);
    if (!e)
        return Undefined{};
    const Value v = arg(args, 0);
    if (!objectOf(v)) {
        e->placement.scrollRect.reset();
        return Undefined{};
    }
    const double x = geometry::num(vm, v, "x"), y = geometry::num(vm, v, "y");
    const double w = geometry::num(vm, v, "width"), h = geometry::num(vm, v, "height");
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h)) {
        e->placement.scrollRect.reset();
        return Undefined{};
    }
    constexpr double limit = 1e7; // twips, far beyond any stage
    auto twips = [&](double pixels) { return std::clamp(pixels * 20, -limit, limit); };
    e->placement.scrollRect =
        QRectF(twips(x), twips(y), std::max(0.0, twips(w)), std::max(0.0, twips(h)));
    return Undefined{};
}

// A target named by a path: from the clip's parent, parts split by '.', '/' or ':';
// _levelN, _root and _parent step as they do in paths, other parts are members.
DisplayHandle* targetByPath(Vm& vm, TimelineInstance& from, const QString& path) {
    static const QRegularExpression separators(QStringLiteral("[./:]"));
    Value at(vm.clipObject(from));
    for (const QString& part : path.split(separators, Qt::SkipEmptyParts)) {
        const QString lower = part.toLower();
        TimelineInstance* clip = vm.clipOf(at).get();
        if (lower.startsWith(QLatin1String("_level"))) {
            bool ok = false;
            const int level = lower.mid(6).toInt(&ok);
            clip = ok ? levelRoot(vm, level) : nullptr;
            if (!clip)
                return nullptr;
            at = Value(vm.clipObject(*clip));
        } else if (lower == QLatin1String("_root") && clip) {
            while (clip->parent())
                clip = clip->parent();
            at = Value(vm.clipObject(*clip));
        } else {
            at = vm.getMember(at, part);
        }
    }
    return dynamic_cast<DisplayHandle*>(objectOf(at));
}

void releaseMask(DisplayObject& e) {
    if (auto parent = e.mask.parent.lock())
        for (const auto& [depth, object] : parent->displayList())
            if (object.id == e.mask.id)
                parent->objectAt(depth)->isScriptMask = false;
    e.mask = {};
}

// setMask(clip or path): the clip masks this one and hides itself; null or undefined takes
// the mask away. True when done, false when the target is not found.
Value setMask(Vm& vm, const Value& self, Args args) {
    TimelineInstance* parent = nullptr;
    DisplayObject* e = entryOf(self, &parent);
    if (!e || args.empty())
        return Undefined{};
    const Value v = args[0];
    if (isNullish(v)) {
        releaseMask(*e);
        return true;
    }
    auto* target = dynamic_cast<DisplayHandle*>(objectOf(v));
    if (!target && !objectOf(v))
        target = targetByPath(vm, *parent, vm.toString(v));
    TimelineInstance* maskParent = nullptr;
    DisplayObject* mask = target ? target->entry(&maskParent) : nullptr;
    if (!mask || mask == e)
        return false;
    releaseMask(*e);
    mask->isScriptMask = true;
    e->mask = ScriptMask{maskParent->shared_from_this(), mask->id};
    return true;
}

} // namespace

void installClipDisplay(Vm& vm) {
    Object* proto = vm.protos.movieClip;
    vm.method(proto, QStringLiteral("setMask"), setMask);
    if (vm.version() < 8)
        return;
    geometry::accessor(vm, proto, "cacheAsBitmap", cacheAsBitmap, setCacheAsBitmap, DontEnum);
    geometry::accessor(vm, proto, "opaqueBackground", opaqueBackground, setOpaqueBackground,
                       DontEnum);
    geometry::accessor(vm, proto, "scrollRect", scrollRect, setScrollRect, DontEnum);
}

} // namespace reelcase::swf::avm1::builtins
