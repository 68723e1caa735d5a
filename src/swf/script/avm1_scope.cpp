// Paths, variables and members: how a script names clips and the values they hold.
#include "swf/script/avm1_interpreter.h"

#include "swf/display/timeline_instance.h"
#include "swf/script/avm1_properties.h"

#include <QStringList>

namespace reelcase::swf::avm1 {
namespace {

std::shared_ptr<TimelineInstance> rootOf(TimelineInstance& t) {
    TimelineInstance* r = &t;
    while (r->parent())
        r = r->parent();
    return r->shared_from_this();
}

std::shared_ptr<TimelineInstance> parentOf(TimelineInstance& t) {
    return t.parent() ? t.parent()->shared_from_this() : nullptr;
}

bool isIndex(const QString& name, std::size_t& index) {
    bool ok = false;
    const uint i = name.toUInt(&ok);
    index = i;
    return ok;
}

} // namespace

TimelineInstance& Interpreter::scopeClip(Scope& scope) {
    return scope.targetMissing || !scope.target ? *scope.self : *scope.target;
}

std::shared_ptr<TimelineInstance> Interpreter::resolvePath(Scope& scope, const QString& path) {
    return resolvePathFrom(scopeClip(scope), path);
}

std::shared_ptr<TimelineInstance> Interpreter::resolvePathFrom(TimelineInstance& from,
                                                               const QString& path) {
    std::shared_ptr<TimelineInstance> t = from.shared_from_this();
    if (path.isEmpty())
        return t;
    QString p = path;
    p.replace(QLatin1Char('.'), QLatin1Char('/'));
    if (p.startsWith(QLatin1Char('/'))) {
        t = rootOf(*t);
        p.remove(0, 1);
    }
    for (const QString& part : p.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..") ||
            part.compare(QLatin1String("_parent"), Qt::CaseInsensitive) == 0)
            t = parentOf(*t);
        else if (part.compare(QLatin1String("_root"), Qt::CaseInsensitive) == 0 ||
                 part.compare(QLatin1String("_level0"), Qt::CaseInsensitive) == 0)
            t = rootOf(*t);
        else if (part.compare(QLatin1String("this"), Qt::CaseInsensitive) != 0) {
            // A variable may hold the clip (a = this.child; tellTarget(a)).
            auto child = t->child(part);
            if (!child)
                child = clipOf(t->variables().value(nameKey(part, m_version)));
            t = child;
        }
        if (!t)
            return nullptr;
    }
    return t;
}

Value Interpreter::getVariable(Scope& scope, const QString& name) {
    // "/a/b:var", "a.b.var": a variable of another clip; "/a/b", "_root.a": a clip.
    const int colon = name.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        auto clip = resolvePath(scope, name.left(colon));
        return clip ? clipMember(*clip, name.mid(colon + 1)) : Value(Undefined{});
    }
    if (name.contains(QLatin1Char('/'))) {
        auto clip = resolvePath(scope, name);
        return clip ? Value(ClipRef(clip)) : Value(Undefined{});
    }
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        const Value owner = getVariable(scope, name.left(dot));
        return getMember(scope, owner, name.mid(dot + 1));
    }
    const QString key = nameKey(name, m_version);
    if (scope.locals) {
        auto it = scope.locals->constFind(key);
        if (it != scope.locals->constEnd())
            return *it;
    }
    if (name.compare(QLatin1String("this"), Qt::CaseInsensitive) == 0)
        return scope.thisValue;
    if (name.compare(QLatin1String("Math"), Qt::CaseInsensitive) == 0) {
        Object* math = m_context.heap.builtin(QStringLiteral("Math"));
        return math ? Value(math) : Value(Undefined{});
    }
    TimelineInstance& clip = scopeClip(scope);
    const Value v = clipMember(clip, name);
    if (!std::holds_alternative<Undefined>(v) || clip.variables().contains(key))
        return v;
    // A function's variables fall back to the timeline it was defined in.
    if (scope.self.get() != &clip)
        return clipMember(*scope.self, name);
    return v;
}

void Interpreter::setVariable(Scope& scope, const QString& name, const Value& value) {
    const int colon = name.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        if (auto clip = resolvePath(scope, name.left(colon)))
            setMember(Value(ClipRef(clip)), name.mid(colon + 1), value);
        return;
    }
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        setMember(getVariable(scope, name.left(dot)), name.mid(dot + 1), value);
        return;
    }
    const QString key = nameKey(name, m_version);
    if (scope.locals && scope.locals->contains(key)) {
        scope.locals->insert(key, value);
        return;
    }
    setMember(Value(ClipRef(scopeClip(scope).shared_from_this())), name, value);
}

Value Interpreter::clipMember(TimelineInstance& clip, const QString& name) {
    const QString key = nameKey(name, m_version);
    auto it = clip.variables().constFind(key);
    if (it != clip.variables().constEnd())
        return *it;
    const int property = propertyIndex(name);
    if (property >= 0)
        return getProperty(clip, property, m_version);
    if (name.compare(QLatin1String("_parent"), Qt::CaseInsensitive) == 0) {
        auto parent = parentOf(clip);
        return parent ? Value(ClipRef(parent)) : Value(Undefined{});
    }
    if (name.compare(QLatin1String("_root"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("_level0"), Qt::CaseInsensitive) == 0)
        return ClipRef(rootOf(clip));
    if (auto child = clip.child(name))
        return ClipRef(child);
    return Undefined{};
}

Value Interpreter::getMember(Scope& scope, const Value& object, const QString& name) {
    Q_UNUSED(scope);
    if (auto clip = clipOf(object))
        return clipMember(*clip, name);
    if (const QString* s = std::get_if<QString>(&object)) {
        if (name == QLatin1String("length"))
            return double(s->size());
        return Undefined{};
    }
    Object* const* po = std::get_if<Object*>(&object);
    if (!po || !*po)
        return Undefined{};
    const Object& o = **po;
    if (o.isArray) {
        std::size_t index = 0;
        if (name == QLatin1String("length"))
            return double(o.elements.size());
        if (isIndex(name, index))
            return index < o.elements.size() ? o.elements[index] : Value(Undefined{});
    }
    if (o.builtin == QLatin1String("Math")) {
        if (name == QLatin1String("PI"))
            return 3.141592653589793;
        if (name == QLatin1String("E"))
            return 2.718281828459045;
    }
    return o.members.value(nameKey(name, m_version));
}

void Interpreter::setMember(const Value& object, const QString& name, const Value& value) {
    if (auto clip = clipOf(object)) {
        const int property = propertyIndex(name);
        if (property >= 0) {
            setProperty(*clip, property, value, m_version);
            return;
        }
        Variables& vars = clip->variables();
        const QString key = nameKey(name, m_version);
        if (vars.size() < maxMembers || vars.contains(key))
            vars.insert(key, value);
        return;
    }
    Object* const* po = std::get_if<Object*>(&object);
    if (!po || !*po || !(*po)->builtin.isEmpty())
        return;
    Object& o = **po;
    std::size_t index = 0;
    if (o.isArray && name == QLatin1String("length")) {
        const double n = num(value);
        if (n >= 0 && n <= maxMembers)
            o.elements.resize(static_cast<std::size_t>(n));
        return;
    }
    if (o.isArray && isIndex(name, index)) {
        if (index < static_cast<std::size_t>(maxMembers)) {
            if (index >= o.elements.size())
                o.elements.resize(index + 1);
            o.elements[index] = value;
        }
        return;
    }
    const QString key = nameKey(name, m_version);
    if (o.members.size() < maxMembers || o.members.contains(key))
        o.members.insert(key, value);
}

} // namespace reelcase::swf::avm1
