#include "swf/script/builtins/bitmap_data.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/input.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script/clip_object.h"
#include "swf/text/edit_text.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

constexpr int depthOffset = 16384;         // scripts' depth 0 is the tags' depth 16384
constexpr int maxScriptDepth = 2130690044; // the tags' 2130706428

std::shared_ptr<TimelineInstance> clip(Vm& vm, const Value& self) {
    return vm.clipOf(self);
}

void gotoValue(Vm& vm, TimelineInstance& clip, const Value& frame, bool play) {
    // "path:frame" names another clip's frame, the path read from this clip.
    std::shared_ptr<TimelineInstance> other;
    Value which = frame;
    if (avm1::typeOf(frame) == TypeString) {
        const QString& s = std::get<QString>(frame);
        const int colon = s.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            other = vm.clipOf(resolveClipPath(vm, vm.clipObject(clip), s.left(colon)));
            if (!other)
                return;
            which = s.mid(colon + 1);
        }
    }
    TimelineInstance& c = other ? *other : clip;
    const int target = frameFor(vm, c, which);
    if (target < 0)
        return; // frames before the first are no frame at all
    c.gotoFrame(target);
    if (play)
        c.play();
    else
        c.stop();
}

Value play(Vm& vm, const Value& self, Args) {
    if (auto c = clip(vm, self))
        c->play();
    return Undefined{};
}

Value stop(Vm& vm, const Value& self, Args) {
    if (auto c = clip(vm, self))
        c->stop();
    return Undefined{};
}

Value nextFrame(Vm& vm, const Value& self, Args) {
    if (auto c = clip(vm, self)) {
        c->gotoFrame(c->currentFrame() + 1);
        c->stop();
    }
    return Undefined{};
}

Value prevFrame(Vm& vm, const Value& self, Args) {
    if (auto c = clip(vm, self)) {
        c->gotoFrame(c->currentFrame() - 1);
        c->stop();
    }
    return Undefined{};
}

Value gotoAndPlay(Vm& vm, const Value& self, Args args) {
    if (auto c = clip(vm, self); c && !args.empty())
        gotoValue(vm, *c, args[0], true);
    return Undefined{};
}

Value gotoAndStop(Vm& vm, const Value& self, Args args) {
    if (auto c = clip(vm, self); c && !args.empty())
        gotoValue(vm, *c, args[0], false);
    return Undefined{};
}

int scriptDepth(Vm& vm, const Value& v, bool& ok) {
    const double d = vm.toNumber(v);
    ok = std::isfinite(d) && d >= -depthOffset && d <= maxScriptDepth;
    return ok ? static_cast<int>(d) + depthOffset : 0;
}

Value attachMovie(Vm& vm, const Value& self, Args args) {
    auto c = clip(vm, self);
    if (!c || args.size() < 3)
        return Undefined{};
    // A loaded movie's clips attach from their own file's exports.
    const Movie* movie = c->movie() ? c->movie() : vm.context().movie;
    const QString linkage = vm.toString(args[0]);
    int id = movie->exports.value(linkage.toLower(), 0);
    for (const Movie::Import& import : movie->imports)
        if (!id && import.name.compare(linkage, Qt::CaseInsensitive) == 0)
            id = import.id;
    bool ok = false;
    const int depth = scriptDepth(vm, args[2], ok);
    if (!id || !ok)
        return Undefined{};
    vm.pendingInit = objectOf(arg(args, 3));
    DisplayObject* o =
        c->placeCharacter(static_cast<std::uint16_t>(id), vm.toString(args[1]), depth);
    vm.pendingInit = nullptr;
    if (!o)
        return Undefined{};
    return vm.displayObjectFor(*c, *o);
}

Value createEmptyMovieClip(Vm& vm, const Value& self, Args args) {
    auto c = clip(vm, self);
    if (!c || args.size() < 2)
        return Undefined{};
    bool ok = false;
    const int depth = scriptDepth(vm, args[1], ok);
    if (!ok)
        return Undefined{};
    DisplayObject* o = c->placeEmptyClip(vm.toString(args[0]), depth);
    return o ? Value(vm.displayObjectFor(*c, *o)) : Value(Undefined{});
}

Value duplicateMovieClip(Vm& vm, const Value& self, Args args) {
    auto* c = dynamic_cast<ClipObject*>(objectOf(self));
    if (!c || args.size() < 2)
        return Undefined{};
    const double d = vm.toNumber(args[1]);
    if (!std::isfinite(d))
        return Undefined{};
    Object* made = c->duplicate(vm, vm.toString(args[0]), toInt32(d), objectOf(arg(args, 2)));
    return made ? Value(made) : Value(Undefined{});
}

Value removeMovieClip(Vm& vm, const Value& self, Args) {
    if (auto* c = dynamic_cast<ClipObject*>(objectOf(self)))
        c->removeByScript(vm);
    return Undefined{};
}

int depthOf(DisplayHandle* h) {
    TimelineInstance* parent = nullptr;
    if (!h || !h->entry(&parent) || !parent)
        return 0;
    return h->lastDepth;
}

Value getDepth(Vm& vm, const Value& self, Args) {
    auto* h = dynamic_cast<DisplayHandle*>(objectOf(self));
    // A level's root stands at its level below the script depths.
    if (auto* c = dynamic_cast<ClipObject*>(h); c && c->isRoot && c->timeline())
        return static_cast<double>(std::max(0, levelOf(vm, *c->timeline())) - depthOffset);
    if (!h || !h->entry())
        return Undefined{};
    return static_cast<double>(depthOf(h) - depthOffset);
}

// A level's root swaps levels: depth d is level d + 16384.
void swapLevels(Vm& vm, ClipObject& root, const Value& with) {
    int to = -1;
    if (auto* other = dynamic_cast<ClipObject*>(objectOf(with)); other && other->isRoot) {
        if (auto t = other->timeline())
            to = levelOf(vm, *t);
    } else {
        bool ok = false;
        to = scriptDepth(vm, with, ok);
        if (!ok)
            return;
    }
    const int from = levelOf(vm, *root.timeline());
    auto& levels = vm.context().levels;
    if (from <= 0 || to <= 0 || from == to)
        return;
    auto moving = levels.extract(from);
    if (auto there = levels.extract(to); !there.empty()) {
        there.key() = from;
        levels.insert(std::move(there));
    }
    moving.key() = to;
    levels.insert(std::move(moving));
}

Value swapDepths(Vm& vm, const Value& self, Args args) {
    auto* h = dynamic_cast<DisplayHandle*>(objectOf(self));
    if (auto* c = dynamic_cast<ClipObject*>(h); c && c->isRoot && c->timeline()) {
        swapLevels(vm, *c, arg(args, 0));
        return Undefined{};
    }
    TimelineInstance* parent = nullptr;
    if (!h || !h->entry(&parent) || !parent || args.empty())
        return Undefined{};
    if (typeOf(args[0]) == TypeUndefined)
        return Undefined{};
    // Another object of the same parent, given or named by a path; else a depth, as an
    // integer (NaN is 0).
    Object* named = objectOf(args[0]);
    if (!named && typeOf(args[0]) == TypeString)
        named = resolveClipPath(vm, objectOf(self), std::get<QString>(args[0]));
    int other = 0;
    if (auto* target = dynamic_cast<DisplayHandle*>(named)) {
        TimelineInstance* p2 = nullptr;
        if (!target->entry(&p2) || p2 != parent)
            return Undefined{};
        other = target->lastDepth;
    } else if (named && typeOf(args[0]) != TypeString) {
        return Undefined{};
    } else {
        const double d = static_cast<double>(toInt32(vm.toNumber(args[0])));
        if (d < -depthOffset || d > maxScriptDepth)
            return Undefined{};
        other = static_cast<int>(d) + depthOffset;
    }
    parent->swapDepths(h->lastDepth, other);
    h->entry();
    return Undefined{};
}

Value getNextHighestDepth(Vm& vm, const Value& self, Args) {
    auto c = clip(vm, self);
    if (!c)
        return Undefined{};
    int highest = -1;
    for (const auto& [depth, object] : c->displayList())
        highest = std::max(highest, depth - depthOffset);
    return static_cast<double>(std::max(0, highest + 1));
}

Value getInstanceAtDepth(Vm& vm, const Value& self, Args args) {
    auto c = clip(vm, self);
    if (!c || args.empty())
        return Undefined{};
    bool ok = false;
    const int depth = scriptDepth(vm, args[0], ok);
    DisplayObject* o = ok ? c->objectAt(depth) : nullptr;
    if (!o)
        return Undefined{};
    return vm.displayObjectFor(*c, *o);
}

// The matrix from a clip's coordinates to the stage's (twips).
QTransform toStage(TimelineInstance& c) {
    QTransform m;
    for (TimelineInstance* at = &c; at && at->parent(); at = at->parent())
        if (Placement* p = at->placement())
            m = m * p->matrix;
    return m;
}

Value boundsObject(Vm& vm, const QRectF& r) {
    Object* o = vm.newObject();
    if (r.isNull()) {
        vm.swf8EmptyBounds = vm.swf8EmptyBounds || vm.runningVersion() >= 8;
        const double none = vm.swf8EmptyBounds ? 6710886.4 : 6710886.35;
        for (const char* corner : {"xMin", "xMax", "yMin", "yMax"})
            o->put(QLatin1String(corner), none);
        return o;
    }
    o->put(QStringLiteral("xMin"), r.left() / 20);
    o->put(QStringLiteral("xMax"), r.right() / 20);
    o->put(QStringLiteral("yMin"), r.top() / 20);
    o->put(QStringLiteral("yMax"), r.bottom() / 20);
    return o;
}

Value getBounds(Vm& vm, const Value& self, Args args) {
    auto c = clip(vm, self);
    if (!c)
        return Undefined{};
    QRectF r = c->bounds();
    auto space = args.empty() ? c : vm.clipOf(args[0]);
    if (!space)
        return Undefined{};
    if (space != c && !r.isNull())
        r = (toStage(*c) * toStage(*space).inverted()).mapRect(r);
    return boundsObject(vm, r);
}

void mapPoint(Vm& vm, const Value& self, Args args, bool toGlobal) {
    auto c = clip(vm, self);
    Object* pt = objectOf(arg(args, 0));
    if (!c || !pt)
        return;
    const double x = vm.toNumber(vm.getMember(Value(pt), QStringLiteral("x")));
    const double y = vm.toNumber(vm.getMember(Value(pt), QStringLiteral("y")));
    QTransform m = toStage(*c);
    if (!toGlobal)
        m = m.inverted();
    const QPointF p = m.map(QPointF(x * 20, y * 20));
    vm.setMember(Value(pt), QStringLiteral("x"), p.x() / 20);
    vm.setMember(Value(pt), QStringLiteral("y"), p.y() / 20);
}

Value localToGlobal(Vm& vm, const Value& self, Args args) {
    mapPoint(vm, self, args, true);
    return Undefined{};
}

Value globalToLocal(Vm& vm, const Value& self, Args args) {
    mapPoint(vm, self, args, false);
    return Undefined{};
}

Value hitTest(Vm& vm, const Value& self, Args args) {
    auto c = clip(vm, self);
    if (!c || args.empty())
        return false;
    if (args.size() >= 3 && vm.toBoolean(args[2]))
        return hitsShapes(vm, *c, QPointF(vm.toNumber(args[0]), vm.toNumber(args[1])));
    const QRectF mine = toStage(*c).mapRect(c->bounds());
    if (args.size() >= 2) {
        const QPointF p(vm.toNumber(args[0]) * 20, vm.toNumber(args[1]) * 20);
        // Edges count, so a clip scaled flat still holds the points of its line.
        return !c->bounds().isNull() && p.x() >= mine.left() && p.x() <= mine.right() &&
               p.y() >= mine.top() && p.y() <= mine.bottom();
    }
    auto other = vm.clipOf(args[0]);
    if (!other || c->bounds().isNull() || other->bounds().isNull())
        return false;
    return mine.intersects(toStage(*other).mapRect(other->bounds()));
}

// A DefineEditText body for a script's text field: bounds, no text, device font.
std::shared_ptr<const Character> newTextField(Vm& vm, double w, double h) {
    QByteArray body;
    // RECT with 20-bit fields (twips): a negative size reaches left or up from the origin.
    const auto w20 = static_cast<std::int64_t>(w * 20), h20 = static_cast<std::int64_t>(h * 20);
    const std::int64_t values[4] = {std::min<std::int64_t>(w20, 0), std::max<std::int64_t>(w20, 0),
                                    std::min<std::int64_t>(h20, 0), std::max<std::int64_t>(h20, 0)};
    std::uint64_t bits = 0;
    int count = 0;
    auto putBits = [&](std::uint64_t v, int n) {
        for (int i = n - 1; i >= 0; --i) {
            bits = (bits << 1) | ((v >> i) & 1);
            if (++count == 8) {
                body.append(static_cast<char>(bits));
                bits = 0;
                count = 0;
            }
        }
    };
    putBits(20, 5);
    for (std::int64_t v : values)
        putBits(static_cast<std::uint64_t>(std::clamp<std::int64_t>(v, -500000, 500000)) & 0xFFFFF,
                20);
    while (count)
        putBits(0, 1);
    body.append('\x08'); // flags: read-only (a dynamic field)
    body.append('\0');
    body.append('\0'); // variable name
    BitReader r(body);
    return EditText::read(r, vm.context().movie->dictionary);
}

Value createTextField(Vm& vm, const Value& self, Args args) {
    auto c = clip(vm, self);
    if (!c || args.size() < 6)
        return Undefined{};
    bool ok = false;
    const int depth = scriptDepth(vm, args[1], ok);
    if (!ok)
        return Undefined{};
    // Whole pixels, cut toward zero.
    const double x = toInt32(vm.toNumber(args[2])), y = toInt32(vm.toNumber(args[3]));
    const double w = toInt32(vm.toNumber(args[4])), h = toInt32(vm.toNumber(args[5]));
    auto field = newTextField(vm, w, h);
    if (!field)
        return Undefined{};
    QTransform m;
    m.translate(x * 20, y * 20);
    DisplayObject* o = c->placeOwn(field, vm.toString(args[0]), depth, m);
    if (!o)
        return Undefined{};
    Object* made = vm.displayObjectFor(*c, *o);
    return vm.version() >= 8 ? Value(made) : Value(Undefined{});
}

Value attachBitmap(Vm& vm, const Value& self, Args args) {
    auto c = clip(vm, self);
    auto* bitmap = dynamic_cast<BitmapDataObject*>(objectOf(arg(args, 0)));
    bool ok = false;
    const int depth = args.size() > 1 ? scriptDepth(vm, args[1], ok) : 0;
    if (c && bitmap && !bitmap->disposed && ok)
        showBitmap(vm, *bitmap, c, depth);
    return Undefined{};
}

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

Value movieClipConstruct(Vm& vm, const Value&, Args) {
    return vm.newObject();
}

} // namespace

void installMovieClip(Vm& vm) {
    Object* proto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.movieClip = proto;
    vm.defineClass(QStringLiteral("MovieClip"), movieClipConstruct, nullptr, proto);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"play", play},
        {"stop", stop},
        {"nextFrame", nextFrame},
        {"prevFrame", prevFrame},
        {"gotoAndPlay", gotoAndPlay},
        {"gotoAndStop", gotoAndStop},
        {"attachMovie", attachMovie},
        {"createEmptyMovieClip", createEmptyMovieClip},
        {"duplicateMovieClip", duplicateMovieClip},
        {"removeMovieClip", removeMovieClip},
        {"getDepth", getDepth},
        {"swapDepths", swapDepths},
        {"getNextHighestDepth", getNextHighestDepth},
        {"getInstanceAtDepth", getInstanceAtDepth},
        {"getBounds", getBounds},
        {"getRect", getBounds},
        {"localToGlobal", localToGlobal},
        {"globalToLocal", globalToLocal},
        {"hitTest", hitTest},
        {"createTextField", createTextField},
        {"attachBitmap", attachBitmap},
        {"startDrag", nothing},
        {"stopDrag", nothing},
        {"loadVariables", clipLoadVariables},
        {"getURL", nothing},
    };
    for (const auto& [name, fn] : methods)
        vm.method(proto, QLatin1String(name), fn);

    Object* fieldProto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.textField = fieldProto;
    vm.defineClass(QStringLiteral("TextField"), movieClipConstruct, nullptr, fieldProto);
    vm.method(fieldProto, QStringLiteral("getDepth"), getDepth);
    vm.method(fieldProto, QStringLiteral("swapDepths"), swapDepths);
    vm.method(fieldProto, QStringLiteral("removeTextField"), removeMovieClip);
    Object* buttonProto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.button = buttonProto;
    vm.defineClass(QStringLiteral("Button"), movieClipConstruct, nullptr, buttonProto);
    vm.method(buttonProto, QStringLiteral("getDepth"), getDepth);
}

} // namespace reelcase::swf::avm1::builtins
