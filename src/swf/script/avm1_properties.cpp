#include "swf/script/avm1_properties.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/character.h"
#include "swf/format/limits.h"

#include <QStringList>

#include <cmath>
#include <numbers>

namespace reelcase::swf::avm1 {
namespace {

enum Property {
    X,
    Y,
    XScale,
    YScale,
    CurrentFrame,
    TotalFrames,
    Alpha,
    Visible,
    Width,
    Height,
    Rotation,
    Target,
    FramesLoaded,
    Name,
    DropTarget,
    Url,
    HighQuality,
    FocusRect,
    SoundBufTime,
    Quality,
    XMouse,
    YMouse,
    PropertyCount
};

const char* const propertyNames[PropertyCount] = {
    "_x",           "_y",           "_xscale",       "_yscale",       "_currentframe",
    "_totalframes", "_alpha",       "_visible",      "_width",        "_height",
    "_rotation",    "_target",      "_framesloaded", "_name",         "_droptarget",
    "_url",         "_highquality", "_focusrect",    "_soundbuftime", "_quality",
    "_xmouse",      "_ymouse"};

// The area a timeline's objects cover, in its own twips.
QRectF contentBounds(const TimelineInstance& t, int nesting) {
    QRectF out;
    if (nesting > limits::maxSpriteNesting)
        return out;
    for (const auto& [depth, o] : t.displayList()) {
        QRectF r;
        if (o.sprite)
            r = contentBounds(*o.sprite, nesting + 1);
        else if (o.character)
            r = o.character->bounds();
        if (!r.isEmpty())
            out = out.united(o.placement.matrix.mapRect(r));
    }
    return out;
}

double xScaleOf(const QTransform& m) {
    return std::hypot(m.m11(), m.m12());
}
double yScaleOf(const QTransform& m) {
    return std::hypot(m.m21(), m.m22());
}
double rotationOf(const QTransform& m) {
    return std::atan2(m.m12(), m.m11()) * 180 / std::numbers::pi;
}

// Rebuilds a matrix from scales (fractions) and rotation (degrees), keeping translation.
QTransform compose(double xs, double ys, double degrees, const QTransform& old) {
    const double a = degrees * std::numbers::pi / 180;
    return QTransform(xs * std::cos(a), xs * std::sin(a), -ys * std::sin(a), ys * std::cos(a),
                      old.dx(), old.dy());
}

} // namespace

int propertyIndex(const QString& name) {
    for (int i = 0; i < PropertyCount; ++i)
        if (name.compare(QLatin1String(propertyNames[i]), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString slashPath(TimelineInstance& clip) {
    QStringList parts;
    for (TimelineInstance* t = &clip; t && t->parent(); t = t->parent()) {
        const Placement* p = t->placement();
        parts.prepend(p ? p->name : QString());
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

QString dotPath(TimelineInstance& clip) {
    QString path = slashPath(clip);
    path.replace(QLatin1Char('/'), QLatin1Char('.'));
    return path == QLatin1String(".") ? QStringLiteral("_level0")
                                      : QStringLiteral("_level0") + path;
}

Value getProperty(TimelineInstance& clip, int index, int version) {
    const Placement* p = clip.placement();
    const QTransform m = p ? p->matrix : QTransform();
    switch (index) {
    case X:
        return m.dx() / 20;
    case Y:
        return m.dy() / 20;
    case XScale:
        return xScaleOf(m) * 100;
    case YScale:
        return yScaleOf(m) * 100;
    case CurrentFrame:
        return double(clip.currentFrame() + 1);
    case TotalFrames:
    case FramesLoaded: // the whole file is in memory
        return double(clip.frameCount());
    case Alpha:
        return (p ? p->cxform.aMult : 1.0) * 100;
    case Visible:
        return version >= 5 ? Value(p ? p->visible : true) : Value(p && !p->visible ? 0.0 : 1.0);
    case Width:
    case Height: {
        const QRectF r = m.mapRect(contentBounds(clip, 0));
        return (index == Width ? r.width() : r.height()) / 20;
    }
    case Rotation:
        return rotationOf(m);
    case Target:
        return slashPath(clip);
    case Name:
        return p ? p->name : QString();
    case DropTarget:
    case Url:
        return QString();
    case HighQuality:
        return 1.0;
    case FocusRect:
        return 1.0;
    case SoundBufTime:
        return 5.0;
    case Quality:
        return QStringLiteral("HIGH");
    case XMouse:
    case YMouse:
        return 0.0;
    default:
        return Undefined{};
    }
}

void setProperty(TimelineInstance& clip, int index, const Value& value, int version) {
    Placement* p = clip.placement();
    if (!p)
        return;
    if (index == Name) {
        p->name = toString(value, version);
        return;
    }
    if (index == Visible) {
        p->visible = toBoolean(value, version);
        return;
    }
    const double v = toNumber(value, version);
    if (!std::isfinite(v))
        return;
    QTransform& m = p->matrix;
    switch (index) {
    case X:
        m = QTransform(m.m11(), m.m12(), m.m21(), m.m22(), v * 20, m.dy());
        break;
    case Y:
        m = QTransform(m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), v * 20);
        break;
    case XScale:
        m = compose(v / 100, yScaleOf(m), rotationOf(m), m);
        break;
    case YScale:
        m = compose(xScaleOf(m), v / 100, rotationOf(m), m);
        break;
    case Rotation:
        m = compose(xScaleOf(m), yScaleOf(m), v, m);
        break;
    case Alpha:
        p->cxform.aMult = v / 100;
        break;
    default:
        break; // read-only or not drawn by this player
    }
}

} // namespace reelcase::swf::avm1
