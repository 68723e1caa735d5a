// Variables and paths: the scope chain, slash and dot paths, tellTarget's target.

#include "swf/script/interpreter.h"

#include "swf/display/timeline_instance.h"
#include "swf/script/clip_object.h"

namespace reelcase::swf::avm1 {
namespace {

bool isPath(const QString& name) {
    for (QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char(':') || c == QLatin1Char('.'))
            return true;
    return false;
}

// A path goes on through objects only; the player warns when it meets a primitive.
Object* stepThrough(Vm& vm, const Value& v, bool warn = true) {
    const ValueType t = avm1::typeOf(v);
    if (warn && (t == TypeBool || t == TypeNumber || t == TypeString))
        vm.trace(QStringLiteral("Parameters of primitive types are no longer coerced into the "
                                "required type - Object."));
    return objectOf(v);
}

// A step of a path: a clip's children come before its variables.
Value pathMember(Vm& vm, Object* at, const QString& name) {
    if (auto* clip = dynamic_cast<ClipObject*>(at)) {
        const Value child = clip->child(vm, name);
        if (!isVoid(child))
            return child;
    }
    return vm.getMember(Value(at), name);
}

} // namespace

Object* Interpreter::pathStep(const Value& v) {
    return stepThrough(m_vm, v);
}

Object* Interpreter::resolvePathFrom(Object* start, const QString& path) {
    return resolveClipPath(m_vm, start, path);
}

Object* resolveClipPath(Vm& vm, Object* start, const QString& path, bool warn) {
    Object* at = start;
    int i = 0;
    const int n = static_cast<int>(path.size());
    if (path.startsWith(QLatin1Char('/'))) {
        at = rootFor(vm, vm.clipOf(at).get());
        i = 1;
    }
    int segments = 0;
    while (i < n && at) {
        int j = i;
        while (j < n && path[j] != QLatin1Char('/') && path[j] != QLatin1Char('.') &&
               path[j] != QLatin1Char(':'))
            ++j;
        QString seg = path.mid(i, j - i);
        // "..": the parent, in slash syntax.
        if (seg.isEmpty() && j + 1 < n && path[j] == QLatin1Char('.') &&
            path[j + 1] == QLatin1Char('.')) {
            j += 2;
            seg = QStringLiteral("..");
        }
        if (++segments > 256)
            return nullptr;
        // An empty step between two slashes names nothing.
        if (seg.isEmpty() && j < n && path[j] == QLatin1Char('/') && i > 0 &&
            path[i - 1] == QLatin1Char('/'))
            return nullptr;
        if (!seg.isEmpty()) {
            if (seg == QLatin1String("..") || vm.sameName(seg, QStringLiteral("_parent"))) {
                auto clip = vm.clipOf(at);
                at = clip && clip->parent() ? vm.clipObject(*clip->parent()) : nullptr;
            } else if (vm.sameName(seg, QStringLiteral("_root"))) {
                at = rootFor(vm, vm.clipOf(at).get());
            } else if (const int level = levelNumber(seg); level >= 0) {
                TimelineInstance* root = levelRoot(vm, level);
                at = root ? vm.clipObject(*root) : nullptr;
            } else if (vm.sameName(seg, QStringLiteral("_global"))) {
                at = vm.global;
            } else if (vm.sameName(seg, QStringLiteral("this"))) {
                // stays
            } else {
                at = stepThrough(vm, pathMember(vm, at, seg), warn);
            }
        }
        i = j + 1;
    }
    return at;
}

Object* Interpreter::liveTarget() {
    // A target that has left the stage (even while its own code runs) gives way to level 0.
    if (!isRemovedClip(m_f.target))
        return m_f.target;
    TimelineInstance* level0 = levelRoot(m_vm, 0);
    return level0 ? m_vm.clipObject(*level0) : nullptr;
}

Object* Interpreter::resolveTarget(const QString& path) {
    Object* base = liveTarget();
    if (path.isEmpty())
        return base;
    return resolvePathFrom(base, path);
}

Object* Interpreter::resolveVariablePath(const QString& path, const QString& member) {
    if (path.startsWith(QLatin1Char('/')))
        return resolveTarget(path);
    // The first segment may be a variable (dot syntax) or a child of the target.
    int j = 0;
    while (j < path.size() && path[j] != QLatin1Char('/') && path[j] != QLatin1Char('.') &&
           path[j] != QLatin1Char(':'))
        ++j;
    const QString first = path.left(j);
    if (first.isEmpty() || first == QLatin1String("..") ||
        m_vm.sameName(first, QStringLiteral("_parent")) ||
        m_vm.sameName(first, QStringLiteral("_root")) ||
        first.startsWith(QLatin1String("_level")) || m_vm.sameName(first, QStringLiteral("this")) ||
        m_vm.sameName(first, QStringLiteral("_global")))
        return resolveTarget(path);
    const QString rest = j >= path.size() ? QString() : path.mid(j + 1);
    // Scope by scope, the first from which the whole path leads to an object names it.
    auto from = [&](Object* scope) -> Object* {
        if (!scope)
            return nullptr;
        Value v = pathMember(m_vm, scope, first);
        if (!objectOf(v))
            return nullptr;
        Object* o = rest.isEmpty() ? objectOf(v) : resolveClipPath(m_vm, objectOf(v), rest, false);
        Value ignored;
        return o && (member.isEmpty() || m_vm.findMember(o, member, ignored)) ? o : nullptr;
    };
    for (std::size_t i = m_f.scope.size(); i-- > 1;)
        if (Object* o = from(m_f.scope[i]))
            return o;
    if (Object* o = from(liveTarget()))
        return o;
    if (Object* o = from(m_vm.global))
        return o;
    // None does: the steps say where the path fails.
    Object* start = pathStep(getVariable(first));
    if (!start)
        return nullptr;
    return rest.isEmpty() ? start : resolvePathFrom(start, rest);
}

Object* Interpreter::tellTargetOf(const QString& path) {
    // Nested tellTargets do not stack: each path starts from the code's own timeline.
    TimelineInstance* level0 = levelRoot(m_vm, 0);
    Object* fallback = level0 ? m_vm.clipObject(*level0) : nullptr;
    Object* base = m_f.scope.empty() ? m_f.target : m_f.scope.front();
    if (isRemovedClip(base))
        base = fallback;
    if (Object* t = resolvePathFrom(base, path))
        return t;
    return fallback;
}

Value Interpreter::getVariable(const QString& name, Object** withObject) {
    Vm& vm = m_vm;
    if (isPath(name) && name != QLatin1String("..")) {
        const int colon = name.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            Object* t = resolveVariablePath(name.left(colon));
            return t ? vm.getMember(Value(t), name.mid(colon + 1)) : Value(Undefined{});
        }
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot > 0 && !name.contains(QLatin1Char('/'))) {
            Object* t = resolveVariablePath(name.left(dot), name.mid(dot + 1));
            return t ? vm.getMember(Value(t), name.mid(dot + 1)) : Value(Undefined{});
        }
        // eval of a slash path goes down only; ".." is for tellTarget and properties.
        if (name.contains(QLatin1String("..")))
            return Undefined{};
        Object* t = resolveVariablePath(name);
        return t ? Value(t) : Value(Undefined{});
    }
    if (vm.sameName(name, QStringLiteral("this"))) {
        // A function that keeps this in a register (or drops it) has no this variable:
        // the name finds its timeline.
        if (m_f.callee && m_f.callee->code && m_f.callee->code->version2 &&
            (m_f.callee->code->flags & 0x03) && m_f.target)
            return m_f.target;
        return m_f.self;
    }
    // Kept in a register or dropped, super is no variable.
    if (m_f.callee && vm.sameName(name, QStringLiteral("super")) &&
        !(m_f.callee->code && m_f.callee->code->version2 && (m_f.callee->code->flags & 0x30))) {
        auto* s = vm.heap().make<SuperObject>(avm1::superBase(m_f.home));
        s->self = m_f.self;
        s->home = m_f.home;
        return s;
    }
    Value out;
    for (std::size_t i = m_f.scope.size(); i-- > 1;) {
        if (m_f.scope[i] && vm.findMember(m_f.scope[i], name, out)) {
            // Activations have no prototype; anything else here came from with.
            if (withObject && m_f.scope[i]->proto)
                *withObject = m_f.scope[i];
            return out;
        }
    }
    if (Object* target = liveTarget(); target && vm.findMember(target, name, out))
        return out;
    if (vm.sameName(name, QStringLiteral("_parent")))
        return Undefined{};
    if (vm.findMember(vm.global, name, out))
        return out;
    // Variables of these names hide them; without a timeline they still answer.
    if (vm.sameName(name, QStringLiteral("_global")) && vm.runningVersion() >= 6)
        return vm.global;
    if (vm.sameName(name, QStringLiteral("_root"))) {
        // A clip on the scope chain (with) answers first: its _lockroot counts.
        std::shared_ptr<TimelineInstance> from = vm.clipOf(m_f.target);
        for (std::size_t i = m_f.scope.size(); i-- > 1;)
            if (auto clip = vm.clipOf(m_f.scope[i])) {
                from = clip;
                break;
            }
        Object* root = rootFor(vm, from.get());
        return root ? Value(root) : Value(Undefined{});
    }
    if (const int level = levelNumber(name);
        level >= 0 && (vm.version() < 7 || name.startsWith(QLatin1String("_level")))) {
        TimelineInstance* root = levelRoot(vm, level);
        return root ? Value(vm.clipObject(*root)) : Value(Undefined{});
    }
    return Undefined{};
}

void Interpreter::setVariable(const QString& name, const Value& value) {
    Vm& vm = m_vm;
    if (isPath(name)) {
        const int colon = name.lastIndexOf(QLatin1Char(':'));
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        const int at = colon >= 0 ? colon : (name.contains(QLatin1Char('/')) ? -1 : dot);
        if (at > 0) {
            if (Object* t = resolveVariablePath(name.left(at)))
                vm.setMember(Value(t), name.mid(at + 1), value);
            return;
        }
    }
    // this is the activation's own: setting it changes what this code sees, nothing else.
    if (vm.sameName(name, QStringLiteral("this"))) {
        m_f.self = value;
        return;
    }
    for (std::size_t i = m_f.scope.size(); i-- > 1;) {
        Object* s = m_f.scope[i];
        if (s && vm.hasProperty(s, name)) {
            vm.setMember(Value(s), name, value);
            return;
        }
    }
    if (Object* target = liveTarget())
        vm.setMember(Value(target), name, value);
}

void Interpreter::defineLocal(const QString& name, const Value& value) {
    // A with block's object that holds the name itself takes the value.
    for (int i = 0; i < m_f.withDepth && i < static_cast<int>(m_f.scope.size()); ++i) {
        Object* w = m_f.scope[m_f.scope.size() - 1 - static_cast<std::size_t>(i)];
        if (w && w->find(name)) {
            m_vm.setMember(Value(w), name, value);
            return;
        }
    }
    if (m_f.activation)
        m_f.activation->put(name, value);
    else if (Object* target = liveTarget())
        m_vm.setMember(Value(target), name, value);
}

bool Interpreter::deleteVariable(const QString& name) {
    if (isPath(name)) {
        const int at =
            std::max(name.lastIndexOf(QLatin1Char(':')), name.lastIndexOf(QLatin1Char('.')));
        if (at > 0) {
            Object* t = resolveVariablePath(name.left(at));
            return t && m_vm.deleteMember(t, name.mid(at + 1));
        }
    }
    for (std::size_t i = m_f.scope.size(); i-- > 1;)
        if (m_f.scope[i] && m_f.scope[i]->find(name))
            return m_vm.deleteMember(m_f.scope[i], name);
    if (m_f.target && m_f.target->find(name))
        return m_vm.deleteMember(m_f.target, name);
    if (m_vm.global->find(name))
        return m_vm.deleteMember(m_vm.global, name);
    return false;
}

} // namespace reelcase::swf::avm1
