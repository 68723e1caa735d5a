#include "swf/script/clip_object.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/character.h"
#include "swf/script/builtins/input.h"
#include "swf/script/builtins/selection.h"
#include "swf/script/movie_loads.h"
#include "swf/script/script_host.h"

#include <QSet>

#include <cmath>
#include <numbers>

namespace reelcase::swf::avm1 {
namespace {

const char* const displayNames[] = {"_x",
                                    "_y",
                                    "_xscale",
                                    "_yscale",
                                    "_alpha",
                                    "_visible",
                                    "_width",
                                    "_height",
                                    "_rotation",
                                    "_name",
                                    "_target",
                                    "_parent",
                                    "_currentframe",
                                    "_totalframes",
                                    "_framesloaded",
                                    "_url",
                                    "_droptarget",
                                    "_highquality",
                                    "_quality",
                                    "_focusrect",
                                    "_soundbuftime",
                                    "_xmouse",
                                    "_ymouse",
                                    "_level"};

double scaleX(const QTransform& m) {
    return std::hypot(m.m11(), m.m12());
}
double scaleY(const QTransform& m) {
    return std::hypot(m.m21(), m.m22());
}
double rotationOf(const QTransform& m) {
    return std::atan2(m.m12(), m.m11()) * 180 / std::numbers::pi;
}

QTransform compose(double sx, double sy, double rotationDeg, double skewY, double dx, double dy) {
    const double r = rotationDeg * std::numbers::pi / 180;
    const double ry = r + skewY;
    return QTransform(sx * std::cos(r), sx * std::sin(r), -sy * std::sin(ry), sy * std::cos(ry), dx,
                      dy);
}

// The angle between the y axis and where x's rotation would put it.
double skewOf(const QTransform& m) {
    return std::atan2(-m.m21(), m.m22()) - std::atan2(m.m12(), m.m11());
}

double roundTwips(double d) {
    return std::round(d * 20) / 20;
}

// The root holds the movie's _focusrect.
DisplayHandle* movieFocusRect(Vm& vm) {
    return vm.root() ? vm.clipObject(*vm.root()) : nullptr;
}

bool isMovieFocusRect(Vm& vm, const DisplayHandle& self) {
    auto* clip = dynamic_cast<const ClipObject*>(&self);
    return vm.version() < 6 || (clip && clip->isRoot) || &self == movieFocusRect(vm);
}

bool isFocusRectName(const QString& name) {
    return name.compare(QLatin1String("_focusrect"), Qt::CaseInsensitive) == 0;
}

Value focusRectValue(Vm& vm, const DisplayHandle& self) {
    const DisplayHandle* root = movieFocusRect(vm);
    const bool movie = !root || root->focusRect.value_or(true);
    if (vm.version() < 6)
        return movie ? 1.0 : 0.0; // one setting for the whole movie, read as a number
    if (isMovieFocusRect(vm, self))
        return movie;
    return self.focusRect ? Value(*self.focusRect) : Value(Null{});
}

void setFocusRect(Vm& vm, DisplayHandle& self, const Value& value) {
    if (isMovieFocusRect(vm, self)) {
        // The movie's setting ignores what is no number; an object turns it off.
        DisplayHandle* root = movieFocusRect(vm);
        if (!root || isVoid(value))
            return;
        if (objectOf(value)) {
            root->focusRect = false;
            return;
        }
        const bool empty = typeOf(value) == TypeString && std::get<QString>(value).isEmpty();
        const double d = vm.toNumber(value);
        if (!empty && !std::isnan(d))
            root->focusRect = d != 0;
        return;
    }
    if (isVoid(value))
        self.focusRect.reset();
    else if (objectOf(value))
        self.focusRect = true;
    else {
        const double d = vm.toNumber(value);
        self.focusRect = !std::isnan(d) && d != 0;
    }
}

} // namespace

bool showsFocusRect(Vm& vm, const DisplayHandle& object) {
    const DisplayHandle* root = movieFocusRect(vm);
    const bool movie = !root || root->focusRect.value_or(true);
    if (vm.version() < 6 || !object.focusRect)
        return movie;
    return *object.focusRect;
}

int frameFor(Vm& vm, TimelineInstance& clip, const Value& frame) {
    if (avm1::typeOf(frame) == TypeString) {
        const QString& s = std::get<QString>(frame);
        const int labelled = clip.definition().frameOfLabel(s);
        if (labelled >= 0)
            return labelled;
        bool ok = false;
        const double d = s.trimmed().toDouble(&ok);
        return ok && std::isfinite(d) ? static_cast<int>(std::clamp(d, -1e9, 1e9)) - 1 : -1;
    }
    // A 32-bit frame number, one-based, less one with 32-bit wrapping.
    const auto n = static_cast<std::uint32_t>(toInt32(vm.toNumber(frame)));
    const auto zeroBased = static_cast<std::int32_t>(n - 1u);
    return zeroBased < 0 ? -1 : zeroBased;
}

bool isDisplayProperty(const QString& name) {
    if (!name.startsWith(QLatin1Char('_')))
        return false;
    for (const char* n : displayNames)
        if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

DisplayObject* DisplayHandle::entry(TimelineInstance** parentOut) const {
    auto p = parent.lock();
    if (!p)
        return nullptr;
    if (parentOut)
        *parentOut = p.get();
    DisplayObject* o = p->objectAt(lastDepth);
    if (o && o->id == id)
        return o;
    for (const auto& [depth, object] : p->displayList())
        if (object.id == id) {
            const_cast<DisplayHandle*>(this)->lastDepth = depth;
            return p->objectAt(depth);
        }
    return nullptr;
}

bool DisplayHandle::getNative(Vm& vm, const QString& name, Value& out) {
    if (!name.startsWith(QLatin1Char('_')))
        return false;
    if (isFocusRectName(name)) {
        out = focusRectValue(vm, *this);
        return true;
    }
    const QString n = name.toLower();
    TimelineInstance* parentClip = nullptr;
    DisplayObject* e = entry(&parentClip);
    if (!e) {
        if (!isDisplayProperty(name))
            return false;
        out = Undefined{};
        return n != QLatin1String("_parent") && n != QLatin1String("_name");
    }
    const QTransform& m = e->placement.matrix;
    if (n == QLatin1String("_x"))
        out = m.dx() / 20;
    else if (n == QLatin1String("_y"))
        out = m.dy() / 20;
    else if (n == QLatin1String("_xscale"))
        out = scaleX(m) * 100;
    else if (n == QLatin1String("_yscale"))
        out = scaleY(m) * 100;
    else if (n == QLatin1String("_rotation"))
        out = rotationOf(m);
    else if (n == QLatin1String("_alpha"))
        out = e->placement.cxform.aMult * 100;
    else if (n == QLatin1String("_visible"))
        out = e->placement.visible;
    else if (n == QLatin1String("_width"))
        out = roundTwips(objectBounds(*e).width() / 20);
    else if (n == QLatin1String("_height"))
        out = roundTwips(objectBounds(*e).height() / 20);
    else if (n == QLatin1String("_name"))
        out = e->placement.name;
    else if (n == QLatin1String("_parent"))
        out = parentClip ? Value(vm.clipObject(*parentClip)) : Value(Undefined{});
    else if (n == QLatin1String("_target"))
        out = parentClip ? (parentClip->parent() || true
                                ? vm.slashPath(*parentClip) +
                                      (vm.slashPath(*parentClip) == QLatin1String("/")
                                           ? QString()
                                           : QStringLiteral("/")) +
                                      e->placement.name
                                : QString())
                         : QString();
    else if (n == QLatin1String("_highquality"))
        out = 1.0;
    else if (n == QLatin1String("_quality"))
        out = QStringLiteral("HIGH");
    else if (n == QLatin1String("_soundbuftime"))
        out = 5.0;
    else if (n == QLatin1String("_xmouse") || n == QLatin1String("_ymouse")) {
        // The pointer in this object's own coordinates.
        QTransform toStage = m;
        for (TimelineInstance* at = parentClip; at && at->parent(); at = at->parent())
            if (Placement* p = at->placement())
                toStage = toStage * p->matrix;
        const QPointF local = toStage.inverted().map(vm.context().input.pointer * 20) / 20;
        out = std::round((n == QLatin1String("_xmouse") ? local.x() : local.y()) * 20) / 20;
    } else if (n == QLatin1String("_droptarget") || n == QLatin1String("_url"))
        out = QString();
    else
        return false;
    return true;
}

namespace {

// A button's tabIndex keeps a 32-bit integer; what has none (NaN, out of range) becomes
// the smallest.
bool setButtonTabIndex(Vm& vm, DisplayHandle& self, const QString& name, const Value& value) {
    if (self.kind() == Kind::TextField || dynamic_cast<ClipObject*>(&self) ||
        !vm.sameName(name, QStringLiteral("tabIndex")))
        return false;
    Value stored = value;
    if (!isVoid(value)) {
        const double d = std::trunc(vm.toNumber(value));
        stored = std::isnan(d) || d < -2147483648.0 || d > 2147483647.0 ? -2147483648.0 : d;
    }
    self.put(name, stored);
    return true;
}

} // namespace

bool DisplayHandle::setNative(Vm& vm, const QString& name, const Value& value) {
    if (setButtonTabIndex(vm, *this, name, value))
        return true;
    if (!name.startsWith(QLatin1Char('_')) || !isDisplayProperty(name))
        return false;
    if (isFocusRectName(name)) {
        setFocusRect(vm, *this, value);
        return true;
    }
    const QString n = name.toLower();
    DisplayObject* e = entry();
    if (!e)
        return true;
    QTransform& m = e->placement.matrix;
    const double d = vm.toNumber(value);
    const bool valid = std::isfinite(d);
    if (n == QLatin1String("_x")) {
        if (valid)
            m = QTransform(m.m11(), m.m12(), m.m21(), m.m22(), roundTwips(d) * 20, m.dy());
    } else if (n == QLatin1String("_y")) {
        if (valid)
            m = QTransform(m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), roundTwips(d) * 20);
    } else if (n == QLatin1String("_xscale") || n == QLatin1String("_yscale") ||
               n == QLatin1String("_rotation")) {
        if (!valid)
            return true;
        double sx = scaleX(m), sy = scaleY(m), r = rotationOf(m);
        const double skew = skewOf(m);
        if (n == QLatin1String("_xscale"))
            sx = d / 100;
        else if (n == QLatin1String("_yscale"))
            sy = d / 100;
        else
            r = std::fmod(d, 360.0);
        m = compose(sx, sy, r, skew, m.dx(), m.dy());
    } else if (n == QLatin1String("_alpha")) {
        if (valid)
            e->placement.cxform.aMult = d / 100;
    } else if (n == QLatin1String("_visible")) {
        const bool visible = vm.toBoolean(value);
        if (!visible && e->placement.visible) {
            // Objects that hide give up the focus (the holder is named while it still
            // shows); one already hidden keeps a focus a script gave it.
            builtins::focusLeaving(vm, *e);
            e = entry(); // the handlers may have removed it
            if (!e)
                return true;
        }
        e->placement.visible = visible;
    } else if (n == QLatin1String("_width") || n == QLatin1String("_height")) {
        const QRectF b = objectBounds(*e);
        const bool w = n == QLatin1String("_width");
        const double current = (w ? b.width() : b.height()) / 20;
        if (!valid || current <= 0 || d < 0)
            return true;
        const double factor = d / current;
        double sx = scaleX(m), sy = scaleY(m);
        if (w)
            sx *= factor;
        else
            sy *= factor;
        m = compose(sx, sy, rotationOf(m), skewOf(m), m.dx(), m.dy());
    } else if (n == QLatin1String("_name")) {
        e->placement.name = vm.toString(value);
    }
    return true;
}

bool ClipObject::getNative(Vm& vm, const QString& name, Value& out) {
    if (!name.startsWith(QLatin1Char('_')))
        return false;
    if (isFocusRectName(name))
        return DisplayHandle::getNative(vm, name, out);
    auto c = clip.lock();
    const QString n = name.toLower();
    if (c) {
        if (n == QLatin1String("_currentframe")) {
            out = static_cast<double>(c->currentFrame() + 1);
            return true;
        }
        if (n == QLatin1String("_totalframes") || n == QLatin1String("_framesloaded")) {
            out = static_cast<double>(c->frameCount());
            return true;
        }
        if (n == QLatin1String("_target")) {
            out = vm.slashPath(*c);
            return true;
        }
        if (n == QLatin1String("_xmouse") || n == QLatin1String("_ymouse")) {
            const QPointF p = builtins::pointerIn(vm, *c);
            out = n == QLatin1String("_xmouse") ? p.x() : p.y();
            return true;
        }
        if (n == QLatin1String("_droptarget")) {
            out = dropTarget;
            return true;
        }
        if (isRoot) {
            if (n == QLatin1String("_parent")) {
                if (find(name))
                    return false;  // a variable of that name answers
                out = Undefined{}; // not looked for further up the prototypes
                return true;
            }
            if (n == QLatin1String("_name")) {
                out = rootName;
                return true;
            }
            if (n == QLatin1String("_xmouse") || n == QLatin1String("_ymouse")) {
                const QPointF p = vm.context().input.pointer;
                out = n == QLatin1String("_xmouse") ? p.x() : p.y();
                return true;
            }
            if (n == QLatin1String("_x") || n == QLatin1String("_y") ||
                n == QLatin1String("_rotation")) {
                out = 0.0;
                return true;
            }
            if (n == QLatin1String("_xscale") || n == QLatin1String("_yscale") ||
                n == QLatin1String("_alpha")) {
                out = 100.0;
                return true;
            }
            if (n == QLatin1String("_visible")) {
                out = true;
                return true;
            }
            if (n == QLatin1String("_width") || n == QLatin1String("_height")) {
                const QRectF b = c->bounds();
                out = roundTwips((n == QLatin1String("_width") ? b.width() : b.height()) / 20);
                return true;
            }
        }
    }
    // Unlike display properties, these names follow the version's case rule, and a
    // variable of the same name hides them.
    if (find(name))
        return DisplayHandle::getNative(vm, name, out);
    if (vm.sameName(name, QStringLiteral("_global")) && vm.runningVersion() >= 6) {
        out = vm.global;
        return true;
    }
    if (vm.sameName(name, QStringLiteral("_root"))) {
        Object* root = rootFor(vm, c.get());
        out = root ? Value(root) : Value(Undefined{});
        return true;
    }
    if (const int level = levelNumber(n);
        level >= 0 && (vm.version() < 7 || name.startsWith(QLatin1String("_level")))) {
        if (TimelineInstance* r = levelRoot(vm, level)) {
            out = vm.clipObject(*r);
            return true;
        }
        if (level == 0) {
            out = Undefined{};
            return true;
        }
    }
    if (n == QLatin1String("_lockroot")) {
        out = lockRoot;
        return true;
    }
    if (n == QLatin1String("_level") && c) {
        TimelineInstance* first = levelRoot(vm, 0); // whatever level the clip is on
        out = first ? Value(vm.clipObject(*first)) : Value(Undefined{});
        return true;
    }
    if (n == QLatin1String("_url") && c) {
        out = urlOf(vm, *c);
        return true;
    }
    return DisplayHandle::getNative(vm, name, out);
}

bool ClipObject::setNative(Vm& vm, const QString& name, const Value& value) {
    if (!name.startsWith(QLatin1Char('_')))
        return false;
    const QString n = name.toLower();
    if (n == QLatin1String("_lockroot")) {
        lockRoot = vm.toBoolean(value);
        return true;
    }
    if (isFocusRectName(name))
        return DisplayHandle::setNative(vm, name, value);
    if (n == QLatin1String("_currentframe") || n == QLatin1String("_totalframes") ||
        n == QLatin1String("_framesloaded") || n == QLatin1String("_target") ||
        n == QLatin1String("_parent") || n == QLatin1String("_url"))
        return isDisplayProperty(name) && n != QLatin1String("_parent");
    if (isRoot) {
        if (n == QLatin1String("_name"))
            rootName = vm.toString(value);
        return isDisplayProperty(name);
    }
    return DisplayHandle::setNative(vm, name, value);
}

Value ClipObject::child(Vm& vm, const QString& name) {
    auto c = clip.lock();
    if (!c)
        return Undefined{};
    DisplayObject* o = c->childObject(name, vm.version() >= 7);
    if (!o)
        return Undefined{};
    return vm.displayObjectFor(*c, *o);
}

void ClipObject::childNames(std::vector<QString>& names, QSet<QString>& seen, Vm& vm) {
    auto c = clip.lock();
    if (!c)
        return;
    std::vector<QString> children;
    for (const auto& [depth, object] : c->displayList())
        if (object.sprite && !object.placement.name.isEmpty() &&
            !seen.contains(vm.key(object.placement.name))) {
            seen.insert(vm.key(object.placement.name));
            children.push_back(object.placement.name);
        }
    // Children enumerate after the object's own properties, the topmost first.
    names.insert(names.begin(), children.begin(), children.end());
}

Object* ClipObject::duplicate(Vm& vm, const QString& name, int depth, Object* init) {
    TimelineInstance* p = nullptr;
    DisplayObject* e = entry(&p);
    if (!e || !p)
        return nullptr;
    int fromDepth = -1;
    for (const auto& [d, object] : p->displayList())
        if (object.id == id)
            fromDepth = d;
    DisplayObject* copy = p->duplicate(fromDepth, name, depth + 16384);
    if (!copy)
        return nullptr;
    Object* o = vm.displayObjectFor(*p, *copy);
    if (init && o)
        for (const Property& prop : init->properties())
            vm.setMember(Value(o), prop.name, prop.value);
    return o;
}

void ClipObject::removeByScript(Vm&) {
    TimelineInstance* p = nullptr;
    DisplayObject* e = entry(&p);
    if (!e || !p)
        return;
    // Only clips at script depths (0 and up) can be removed by script.
    for (const auto& [d, object] : p->displayList())
        if (object.id == id) {
            if (d >= 16384 && d < 16384 + 1048576 + 16384)
                p->removeAt(d);
            return;
        }
}

void ClipObject::loadMovie(Vm& vm, const QString& url) {
    if (url.isEmpty())
        vm.movieLoads().unload(vm, this, -1);
    else
        vm.movieLoads().load(vm, this, -1, url);
}

void ClipObject::showsNewMovie(Vm& vm, TimelineInstance& now) {
    clip = now.weak_from_this();
    removeIf([](const Property&) { return true; });
    watches.reset();
    proto = vm.protos.movieClip;
    loaded = unloaded = false; // _lockroot stays with the clip
    rootName.clear();
}

TimelineInstance* levelRoot(Vm& vm, int n) {
    const auto& levels = vm.context().levels;
    auto it = levels.find(n);
    if (it != levels.end())
        return it->second.get();
    return n == 0 ? vm.root() : nullptr;
}

int levelOf(Vm& vm, const TimelineInstance& root) {
    for (const auto& [n, level] : vm.context().levels)
        if (level.get() == &root)
            return n;
    return &root == vm.root() ? 0 : -1;
}

int levelNumber(const QString& name) {
    if (name.size() <= 6 || !name.startsWith(QLatin1String("_level"), Qt::CaseInsensitive))
        return -1;
    bool ok = false;
    const int n = name.mid(6).toInt(&ok);
    return ok && n >= 0 && name[6].isDigit() ? n : -1;
}

Object* rootFor(Vm& vm, TimelineInstance* clip) {
    TimelineInstance* c = clip;
    for (int i = 0; c && i < 256; ++i) {
        ClipObject* o = vm.clipObject(*c);
        if (o->lockRoot || !c->parent())
            return o;
        c = c->parent();
    }
    return vm.root() ? vm.clipObject(*vm.root()) : nullptr;
}

QString urlOf(Vm& vm, const TimelineInstance& clip) {
    if (const LoadedFile* file = vm.movieLoads().fileOf(clip.movie()))
        return file->url;
    // Files beside the movie are addressed as if it stood at the root.
    const QString name = vm.host() ? vm.host()->movieFileName() : QString();
    return name.isEmpty() ? QString() : QStringLiteral("file:///") + name;
}

bool isRemovedClip(Object* o) {
    auto* clip = dynamic_cast<ClipObject*>(o);
    if (!clip)
        return false;
    auto timeline = clip->clip.lock();
    // A clip that is still running may be off its parent's list already.
    return !timeline || (timeline->parent() && !timeline->isButtonState() && !clip->entry());
}

} // namespace reelcase::swf::avm1
