#include "swf/script/vm.h"

#include "swf/display/button.h"
#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/net_stream.h"
#include "swf/script/clip_object.h"
#include "swf/script/interpreter.h"
#include "swf/script/movie_loads.h"
#include "swf/script/script_host.h"
#include "swf/script/text_field.h"
#include "swf/text/edit_text.h"
#include "swf/video/video_stream.h"

#include <QSet>

#include <cmath>
#include <limits>

namespace reelcase::swf::avm1 {
namespace {
const double nan = std::numeric_limits<double>::quiet_NaN();
constexpr int maxChain = 256; // __proto__ links followed before giving up (cycles)

// How deep one property's getter, setter and watcher calls may nest: before SWF 7 not at
// all (a nested access reaches the value itself), later 65 deep.
bool callsTooDeep(Vm& vm, Object* holder, const QString& name) {
    int depth = 0;
    if (holder->watches)
        if (auto it = holder->watches->find(vm.key(name)); it != holder->watches->end())
            depth = it->depth;
    if (Property* p = holder->find(name); p && p->isAccessor())
        depth += p->busy;
    return depth >= (vm.version() >= 7 ? 65 : 1);
}

// Counts a getter or setter call on its property while it runs (the property may be
// gone or replaced by then; the replacement starts afresh).
class AccessorCall {
public:
    AccessorCall(Object* holder, const QString& name, Property* p)
        : m_holder(holder)
        , m_name(name) {
        ++p->busy;
    }
    ~AccessorCall() {
        if (Property* p = m_holder->find(m_name); p && p->busy > 0)
            --p->busy;
    }
    AccessorCall(const AccessorCall&) = delete;
    AccessorCall& operator=(const AccessorCall&) = delete;

private:
    Object* m_holder;
    QString m_name;
};

} // namespace

Vm::Vm(PlayContext& context, ScriptHost* host, int swfVersion, Budgets budgets)
    : m_context(context)
    , m_host(host)
    , m_version(swfVersion)
    , m_caseSensitive(swfVersion >= 7)
    , m_budgets(budgets)
    , m_heap(swfVersion >= 7)
    , m_loads(std::make_unique<MovieLoads>()) {
    m_steps = m_budgets.stepsPerFrame;
    setupBuiltins();
}

Vm::~Vm() = default;

ScriptHost* Vm::host() {
    return m_host ? m_host : m_context.host;
}

Object* Vm::newObject() {
    return m_heap.make<Object>(protos.object);
}

ArrayObject* Vm::newArray(const std::vector<Value>& elements) {
    auto* a = m_heap.make<ArrayObject>(protos.array);
    for (std::size_t i = 0; i < elements.size(); ++i)
        a->put(indexName(static_cast<int>(i)), elements[i]);
    a->length = static_cast<int>(elements.size());
    m_heap.noteGrowth(elements.size() * sizeof(Property));
    return a;
}

FunctionObject* Vm::newNative(NativeFunction fn, NativeFunction constructor) {
    auto* f = m_heap.make<FunctionObject>(protos.function);
    f->native = fn;
    f->constructor = constructor;
    return f;
}

FunctionObject* Vm::method(Object* on, const QString& name, NativeFunction fn) {
    FunctionObject* f = newNative(fn);
    on->put(name, f, DontEnum);
    return f;
}

FunctionObject* Vm::defineClass(const QString& name, NativeFunction call, NativeFunction construct,
                                Object* prototype) {
    FunctionObject* f = newNative(call, construct);
    f->put(QStringLiteral("prototype"), prototype, DontEnum | DontDelete);
    prototype->put(QStringLiteral("constructor"), f, DontEnum);
    if (!name.isEmpty())
        global->put(name, f, DontEnum);
    return f;
}

QString Vm::makeString(QString s) {
    if (s.size() > maxStringLength)
        abortScript();
    // Making a long string costs as much as many small steps: a loop growing strings near the
    // cap would otherwise copy megabytes per step for the whole step budget.
    m_steps -= static_cast<int>(s.size() / 64);
    return s;
}

// Conversions

// A Date keeps its time as its primitive under Date.prototype.
bool Vm::isDate(Object* o) const {
    if (o->kind() == Kind::Date)
        return true;
    if (avm1::typeOf(o->primitive) != TypeNumber)
        return false;
    Object* p = o->proto;
    for (int i = 0; p && i < maxChain; ++i, p = p->proto)
        if (p == protos.date)
            return true;
    return false;
}

// The player asks valueOf alone (Dates from SWF 6: toString); an object whose valueOf
// gives no primitive stays itself, so later conversions ask it again.
Value Vm::toPrimitive(const Value& v, bool preferString) {
    Object* o = objectOf(v);
    if (!o)
        return v;
    if (o->kind() == Kind::Clip || o->kind() == Kind::TextField)
        return v; // display objects stay themselves: numbers NaN, text their path
    if (preferString || (m_version >= 6 && isDate(o)))
        return toString(v);
    const Value r = callMethod(v, QStringLiteral("valueOf"), {});
    return objectOf(r) ? v : r;
}

double Vm::toNumber(const Value& v) {
    switch (avm1::typeOf(v)) {
    case TypeUndefined:
    case TypeNull:
        return m_version >= 7 ? nan : 0;
    case TypeBool:
        return std::get<bool>(v) ? 1 : 0;
    case TypeNumber:
        return std::get<double>(v);
    case TypeString:
        return stringToNumber(std::get<QString>(v), m_version);
    case TypeObject: {
        Object* o = std::get<Object*>(v);
        if (o->kind() == Kind::Clip || o->kind() == Kind::TextField)
            return nan;
        const Value p = callMethod(v, QStringLiteral("valueOf"), {});
        if (objectOf(p))
            return m_version >= 6 ? nan : 0; // before SWF 6 such an object counts as 0
        return toNumber(p);
    }
    }
    return nan;
}

QString Vm::toString(const Value& v) {
    switch (avm1::typeOf(v)) {
    case TypeUndefined:
        return m_version >= 7 ? QStringLiteral("undefined") : QString();
    case TypeNull:
        return QStringLiteral("null");
    case TypeBool:
        if (m_version < 5)
            return std::get<bool>(v) ? QStringLiteral("1") : QStringLiteral("0");
        return std::get<bool>(v) ? QStringLiteral("true") : QStringLiteral("false");
    case TypeNumber:
        return numberToString(std::get<double>(v));
    case TypeString:
        return std::get<QString>(v);
    case TypeObject: {
        Object* o = std::get<Object*>(v);
        if (o->kind() == Kind::Clip) {
            if (auto c = clipOf(v); c && !isRemovedClip(o))
                return targetPath(*c);
            return QString();
        }
        // Text fields and buttons name their path too.
        if (auto* handle = dynamic_cast<DisplayHandle*>(o)) {
            TimelineInstance* parent = nullptr;
            const DisplayObject* e = handle->entry(&parent);
            return e && parent ? targetPath(*parent) + u'.' + e->placement.name : QString();
        }
        if (m_callDepth > m_budgets.callDepth)
            return QStringLiteral("[object Object]");
        // Without a callable toString the player names the type.
        const QString typeName = o->kind() == Kind::Function ? QStringLiteral("[type Function]")
                                                             : QStringLiteral("[type Object]");
        Value fn;
        if (!findMember(o, QStringLiteral("toString"), fn) ||
            !dynamic_cast<FunctionObject*>(objectOf(fn)))
            return typeName;
        // Whatever a toString gives that is no string, the player names the type.
        const Value s = call(fn, v, {});
        const QString* text = std::get_if<QString>(&s);
        return text ? *text : typeName;
    }
    }
    return QString();
}

bool Vm::toBoolean(const Value& v) {
    switch (avm1::typeOf(v)) {
    case TypeUndefined:
    case TypeNull:
        return false;
    case TypeBool:
        return std::get<bool>(v);
    case TypeNumber: {
        const double d = std::get<double>(v);
        return d != 0 && !std::isnan(d);
    }
    case TypeString: {
        const QString& s = std::get<QString>(v);
        if (m_version >= 7)
            return !s.isEmpty();
        const double d = stringToNumber(s, m_version);
        return d != 0 && !std::isnan(d);
    }
    case TypeObject:
        return true;
    }
    return false;
}

Object* Vm::toObject(const Value& v) {
    switch (avm1::typeOf(v)) {
    case TypeObject:
        return std::get<Object*>(v);
    case TypeBool: {
        Object* o = m_heap.make<Object>(protos.boolean);
        o->primitive = v;
        return o;
    }
    case TypeNumber: {
        Object* o = m_heap.make<Object>(protos.number);
        o->primitive = v;
        return o;
    }
    case TypeString: {
        Object* o = m_heap.make<Object>(protos.string);
        o->primitive = v;
        return o;
    }
    default:
        return nullptr;
    }
}

QString Vm::typeOf(const Value& v) {
    switch (avm1::typeOf(v)) {
    case TypeUndefined:
        return QStringLiteral("undefined");
    case TypeNull:
        return QStringLiteral("null");
    case TypeBool:
        return QStringLiteral("boolean");
    case TypeNumber:
        return QStringLiteral("number");
    case TypeString:
        return QStringLiteral("string");
    case TypeObject: {
        const Kind k = std::get<Object*>(v)->kind();
        if (k == Kind::Clip)
            return QStringLiteral("movieclip");
        if (k == Kind::Function)
            return QStringLiteral("function");
        return QStringLiteral("object");
    }
    }
    return QString();
}

// Clip references find their clip by its path, so two clips at one path are one to scripts.
static bool sameClipPath(Vm& vm, const Value& a, const Value& b) {
    auto* x = dynamic_cast<ClipObject*>(objectOf(a));
    auto* y = dynamic_cast<ClipObject*>(objectOf(b));
    if (!x || !y || x == y)
        return false;
    auto cx = x->timeline(), cy = y->timeline();
    return cx && cy && !x->unloaded && !y->unloaded && vm.targetPath(*cx) == vm.targetPath(*cy);
}

bool Vm::strictEquals(const Value& a, const Value& b) const {
    if (a.index() != b.index())
        return false;
    if (sameClipPath(const_cast<Vm&>(*this), a, b))
        return true;
    // The player's strict equality holds NaN equal to itself.
    if (avm1::typeOf(a) == TypeNumber && std::isnan(std::get<double>(a)) &&
        std::isnan(std::get<double>(b)))
        return true;
    return a == b;
}

bool Vm::looseEquals(const Value& a, const Value& b) {
    const ValueType ta = avm1::typeOf(a), tb = avm1::typeOf(b);
    if (ta == tb) {
        if (ta == TypeNumber) {
            // Two numbers that are both NaN are equal to the player.
            const double x = std::get<double>(a), y = std::get<double>(b);
            return x == y || (std::isnan(x) && std::isnan(y));
        }
        if (ta == TypeObject && m_version < 6 && a != b) {
            // SWF 5 compares two objects by their valueOf.
            const Value pa = toPrimitive(a), pb = toPrimitive(b);
            if (!objectOf(pa) || !objectOf(pb))
                return looseEquals(pa, pb);
        }
        return a == b || sameClipPath(*this, a, b);
    }
    if (isVoid(a) && isVoid(b))
        return true;
    // An object meets a primitive (undefined too) by its valueOf; one without a valueOf
    // counts as undefined.
    if (ta == TypeObject || tb == TypeObject) {
        const bool objectFirst = ta == TypeObject;
        const Value p = toPrimitive(objectFirst ? a : b);
        if (objectOf(p))
            return false;
        return objectFirst ? looseEquals(p, b) : looseEquals(a, p);
    }
    if (isVoid(a) || isVoid(b))
        return false;
    if ((ta == TypeNumber && tb == TypeString) || (ta == TypeString && tb == TypeNumber))
        return toNumber(a) == toNumber(b);
    if (ta == TypeBool)
        return looseEquals(Value(toNumber(a)), b);
    if (tb == TypeBool)
        return looseEquals(a, Value(toNumber(b)));
    return false;
}

Value Vm::lessThan(const Value& a, const Value& b) {
    // Before SWF 7 an object that stays one (its valueOf gives an object) is never less
    // nor more, and the other side is not asked; display objects count as NaN.
    auto staysObject = [this](const Value& p) {
        const Object* o = objectOf(p);
        return m_version < 7 && o && o->kind() != Kind::Clip && o->kind() != Kind::TextField;
    };
    const Value pa = toPrimitive(a);
    if (staysObject(pa))
        return false;
    const Value pb = toPrimitive(b);
    if (staysObject(pb))
        return false;
    if (avm1::typeOf(pa) == TypeString && avm1::typeOf(pb) == TypeString)
        return std::get<QString>(pa) < std::get<QString>(pb);
    const double x = toNumber(pa), y = toNumber(pb);
    if (std::isnan(x) || std::isnan(y))
        return Undefined{};
    return x < y;
}

// Members

Property* Vm::visibleOwn(Object* o, const QString& name) {
    Property* p = o->find(name);
    return p && visibleInVersion(p->flags, runningVersion()) ? p : nullptr;
}

Property* Vm::lookup(Object* object, const QString& name, Object** holder) {
    Object* o = object;
    for (int i = 0; o && i < maxChain; ++i, o = o->proto)
        if (Property* p = visibleOwn(o, name)) {
            if (holder)
                *holder = o;
            return p;
        }
    if (o)
        abortScript(); // a __proto__ cycle: the player stops the script
    return nullptr;
}

bool Vm::hasProperty(Object* object, const QString& name) {
    Value ignored;
    if (object->getNative(*this, name, ignored))
        return true;
    if (lookup(object, name))
        return true;
    if (auto* clip = dynamic_cast<ClipObject*>(object))
        return !isVoid(clip->child(*this, name));
    return false;
}

// A button's name leads on to what its state shows, as a clip's leads to its children.
Object* Vm::buttonChild(Object* o, const QString& name) {
    auto* handle = dynamic_cast<DisplayHandle*>(o);
    if (!handle || o->kind() == Kind::Clip)
        return nullptr;
    DisplayObject* e = handle->entry();
    if (!e || !e->button)
        return nullptr;
    TimelineInstance& parts = *e->button->parts;
    DisplayObject* child = parts.childObject(name, version() >= 7);
    return child ? displayObjectFor(parts, *child) : nullptr;
}

bool Vm::findMember(Object* o, const QString& name, Value& out) {
    if (sameName(name, QStringLiteral("__proto__"))) {
        out = o->proto ? Value(o->proto) : Value(Undefined{});
        return o->proto != nullptr;
    }
    if (o->getNative(*this, name, out))
        return true;
    if (Property* p = visibleOwn(o, name)) {
        out = p->isAccessor() ? readAccessor(o, name, o, o->proto) : p->value;
        return true;
    }
    if (o->kind() == Kind::Clip) {
        out = static_cast<ClipObject*>(o)->child(*this, name);
        if (!isVoid(out))
            return true;
    } else if (Object* inner = buttonChild(o, name)) {
        out = inner;
        return true;
    }
    Object* p = o->proto;
    for (int i = 0; p && i < maxChain; ++i, p = p->proto) {
        if (Property* prop = visibleOwn(p, name)) {
            out = prop->isAccessor() ? readAccessor(p, name, o, p) : prop->value;
            return true;
        }
    }
    if (p)
        abortScript(); // a __proto__ cycle
    out = Undefined{};
    return false;
}

Value Vm::getMember(const Value& object, const QString& name) {
    Value out;
    switch (avm1::typeOf(object)) {
    case TypeObject: {
        Object* o = std::get<Object*>(object);
        if (findMember(o, name, out))
            return out;
        // __resolve answers for members that are not there: the nearest one that holds an
        // object (not a primitive, not a clip); only a function there answers.
        if (!sameName(name, QStringLiteral("__resolve"))) {
            Object* at = o;
            for (int i = 0; at && i < maxChain; ++i, at = at->proto) {
                const Property* r = at->find(QStringLiteral("__resolve"));
                if (!r)
                    continue;
                if (r->isAccessor())
                    return Undefined{};
                Object* handler = objectOf(r->value);
                if (!handler || handler->kind() == Kind::Clip)
                    continue;
                if (handler->kind() != Kind::Function)
                    return Undefined{};
                const Value arg = name;
                return call(r->value, object, std::span<const Value>(&arg, 1));
            }
        }
        return Undefined{};
    }
    case TypeString:
        if (sameName(name, QStringLiteral("length")))
            return static_cast<double>(std::get<QString>(object).size());
        [[fallthrough]];
    case TypeNumber:
    case TypeBool: {
        Object* proto = avm1::typeOf(object) == TypeString   ? protos.string
                        : avm1::typeOf(object) == TypeNumber ? protos.number
                                                             : protos.boolean;
        if (sameName(name, QStringLiteral("__proto__")))
            return proto;
        Property* p = lookup(proto, name);
        if (!p)
            return Undefined{};
        return p->isAccessor() ? call(p->getter, object, {}) : p->value;
    }
    default:
        return Undefined{};
    }
}

void Vm::setMember(const Value& object, const QString& name, const Value& value) {
    Object* o = objectOf(object);
    if (!o || name.isEmpty()) // the player keeps no property without a name
        return;
    if (sameName(name, QStringLiteral("__proto__"))) {
        o->proto = objectOf(value);
        return;
    }
    Value v = value;
    if (o->watches) {
        auto it = o->watches->find(key(name));
        if (it != o->watches->end() && !callsTooDeep(*this, o, name)) {
            const Object::Watch w = *it;
            ++it->depth;
            const QString k = key(name);
            struct Running {
                Object* o;
                const QString& k;
                ~Running() {
                    if (o->watches)
                        if (auto at = o->watches->find(k); at != o->watches->end() && at->depth > 0)
                            --at->depth;
                }
            } running{o, k};
            // The watcher sees the stored value: a getter is not asked.
            Value old;
            if (Property* p = lookup(o, name); p && p->isAccessor())
                old = p->value;
            else
                findMember(o, name, old);
            const Value args[] = {name, old, v, w.data};
            try {
                v = call(w.callback, object, args);
            } catch (ScriptThrow&) {
                // A watcher that throws leaves the property undefined.
                if (Property* p = o->find(name); p && !p->isAccessor() && !(p->flags & ReadOnly))
                    p->value = Undefined{};
                throw;
            }
        }
    }
    if (o->setNative(*this, name, v))
        return;
    if (Property* p = o->find(name); p && !visibleInVersion(p->flags, runningVersion())) {
        // A property the running code cannot see is replaced by a new one of its own.
        *p = Property{p->name, v, nullptr, nullptr, 0};
        return;
    }
    if (Property* p = o->find(name)) {
        if (p->isAccessor()) {
            writeAccessor(o, name, object, v, o->proto);
            return;
        }
        if (!(p->flags & ReadOnly))
            p->value = v;
        return;
    }
    // An inherited setter answers for the object.
    Object* holder = nullptr;
    if (Property* p = o->proto ? lookup(o->proto, name, &holder) : nullptr; p && p->isAccessor()) {
        writeAccessor(holder, name, object, v, holder);
        return;
    }
    o->put(name, v);
    m_heap.noteGrowth(sizeof(Property) + static_cast<std::size_t>(name.size()) * 2);
    if (m_heap.bytes() > m_budgets.memoryBytes)
        abortScript();
}

Value Vm::readAccessor(Object* holder, const QString& name, const Value& self, Object* home) {
    Property* p = holder->find(name);
    if (!p || !p->isAccessor())
        return p ? p->value : Value(Undefined{});
    if (callsTooDeep(*this, holder, name))
        return p->value;
    const Value getter = p->getter;
    const AccessorCall running(holder, name, p);
    return call(getter, self, {}, home);
}

void Vm::writeAccessor(Object* holder, const QString& name, const Value& self, const Value& value,
                       Object* home) {
    Property* p = holder->find(name);
    if (!p || !p->isAccessor())
        return;
    auto* setter = dynamic_cast<FunctionObject*>(p->setter);
    if (!setter)
        return;
    if (!callsTooDeep(*this, holder, name)) {
        const AccessorCall running(holder, name, p);
        call(Value(setter), self, std::span<const Value>(&value, 1), home);
    }
    // A script setter's value stays beside it: nested calls read it. Native accessors
    // keep their own state there.
    if (Property* after = holder->find(name); after && after->isAccessor() && setter->code)
        after->value = value;
}

bool Vm::deleteMember(Object* object, const QString& name) {
    Property* p = object->find(name);
    if (!p || (p->flags & DontDelete))
        return false;
    object->remove(name);
    return true;
}

bool Vm::instanceOf(const Value& v, Object* constructor) {
    Object* o = objectOf(v);
    if (!constructor)
        return false;
    const Value protoValue = getMember(Value(constructor), QStringLiteral("prototype"));
    Object* proto = objectOf(protoValue);
    if (!proto)
        return false;
    if (!o) {
        // Primitives are instances of nothing.
        return false;
    }
    Object* p = o->proto;
    std::vector<Object*> visited;
    for (int i = 0; p && i < maxChain; ++i, p = p->proto) {
        if (p == proto)
            return true;
        // Interfaces a class implements (and their own chains).
        std::vector<Object*> pending(p->interfaces.begin(), p->interfaces.end());
        for (int guard = 0; !pending.empty() && guard < 256; ++guard) {
            Object* i2 = pending.back();
            pending.pop_back();
            if (i2 == constructor)
                return true;
            if (Object* ip = objectOf(getMember(Value(i2), QStringLiteral("prototype"))))
                pending.insert(pending.end(), ip->interfaces.begin(), ip->interfaces.end());
        }
    }
    return false;
}

// Calls

Vm::NativeCall::NativeCall(Vm& vm, const Value& function, const Value& self, Args args)
    : m_vm(vm)
    , m_roots(vm.m_tempRoots.size()) {
    if (vm.m_callDepth + 1 > vm.m_budgets.callDepth)
        vm.abortScript();
    ++vm.m_callDepth;
    ++vm.m_nativeDepth;
    vm.m_tempRoots.push_back(self);
    vm.m_tempRoots.push_back(function);
    vm.m_tempRoots.insert(vm.m_tempRoots.end(), args.begin(), args.end());
}

Vm::NativeCall::~NativeCall() {
    m_vm.m_tempRoots.resize(m_roots);
    --m_vm.m_nativeDepth;
    --m_vm.m_callDepth;
}

Value Vm::call(const Value& function, const Value& self, Args args, Object* home) {
    auto* f = dynamic_cast<FunctionObject*>(objectOf(function));
    if (!f)
        return Undefined{};
    if (f->native) {
        const NativeCall call(*this, function, self, args);
        return f->native(*this, self, args);
    }
    if (f->code)
        return callScript(*f, self, args, home);
    return Undefined{};
}

Value Vm::callScript(FunctionObject& f, const Value& self, Args args, Object* home) {
    if (m_callDepth + 1 > m_budgets.callDepth)
        abortScript();
    ++m_callDepth;
    const ScriptCode& code = *f.code;
    Frame frame;
    frame.block = code.block;
    frame.constants = code.constants;
    frame.scope = f.scope;
    frame.target = f.scope.empty() ? nullptr : f.scope.front();
    if (code.swfVersion < 6) {
        // SWF 5 functions close over nothing: they see the clip they are called on, else
        // the caller's.
        Object* base = objectOf(self);
        if (!base || base->kind() != Kind::Clip)
            base = !m_frames.empty() && m_frames.back()->target ? m_frames.back()->target
                                                                : frame.target;
        frame.scope = {base};
        frame.target = base;
    }
    // A function whose clip has left the stage runs on the clip it was called on, else on
    // level 0.
    if (isRemovedClip(frame.target)) {
        Object* base = objectOf(self);
        if (!base || base->kind() != Kind::Clip || isRemovedClip(base)) {
            TimelineInstance* level0 = levelRoot(*this, 0);
            base = level0 ? clipObject(*level0) : nullptr;
        }
        frame.target = base;
        if (!frame.scope.empty())
            frame.scope.front() = base;
    }
    frame.self = self;
    frame.callee = &f;
    frame.home = home;
    frame.version = code.swfVersion;
    frame.stackBase = m_stack.size();
    frame.activation = m_heap.make<Object>(nullptr);
    frame.scope.push_back(frame.activation);
    frame.registers.assign(code.version2 ? std::clamp(code.registerCount, 1, 256) : 4, Undefined{});
    struct Exit {
        Vm& vm;
        std::size_t stack;
        ~Exit() {
            vm.m_frames.pop_back();
            vm.m_stack.resize(std::min(stack, vm.m_stack.size()));
            --vm.m_callDepth;
        }
    } exit{*this, m_stack.size()};
    m_frames.push_back(&frame);

    auto makeArguments = [&] {
        ArrayObject* a = newArray(std::vector<Value>(args.begin(), args.end()));
        a->put(QStringLiteral("callee"), &f, DontEnum);
        Value caller = Null{};
        if (m_frames.size() >= 2 && m_frames[m_frames.size() - 2]->callee)
            caller = m_frames[m_frames.size() - 2]->callee;
        a->put(QStringLiteral("caller"), caller, DontEnum);
        return a;
    };
    auto makeSuper = [&]() -> Value {
        auto* s = m_heap.make<SuperObject>(superBase(home));
        s->self = self;
        s->home = home;
        return s;
    };
    if (code.version2) {
        int r = 1;
        auto reg = [&](const Value& v) {
            if (r < static_cast<int>(frame.registers.size()))
                frame.registers[static_cast<size_t>(r)] = v;
            ++r;
        };
        // Suppressing wins over preloading: neither register nor variable is made.
        const int fl = code.flags;
        if ((fl & 0x03) == 0x01)
            reg(self);
        if ((fl & 0x0c) == 0x04)
            reg(makeArguments());
        else if (!(fl & 0x0c))
            frame.activation->put(QStringLiteral("arguments"), makeArguments());
        if ((fl & 0x30) == 0x10)
            reg(makeSuper());
        if (fl & 0x40) {
            Object* root = rootFor(*this, clipOf(frame.target).get());
            reg(root ? Value(root) : Value(Undefined{}));
        }
        if (fl & 0x80) {
            // Without a parent no register is taken.
            if (auto c = clipOf(frame.target); c && c->parent())
                reg(clipObject(*c->parent()));
        }
        if (fl & 0x100)
            reg(global);
    } else {
        frame.activation->put(QStringLiteral("arguments"), makeArguments());
    }
    for (std::size_t i = 0; i < code.params.size(); ++i) {
        const Value arg = i < args.size() ? args[i] : Value(Undefined{});
        const ScriptCode::Param& p = code.params[i];
        if (code.version2 && p.reg > 0 && p.reg < static_cast<int>(frame.registers.size()))
            frame.registers[static_cast<size_t>(p.reg)] = arg;
        else
            frame.activation->put(p.name, arg);
    }
    // The body is a slice of the block: run it as a block of its own.
    frame.begin = code.begin;
    frame.end = code.end;
    Interpreter interpreter(*this, frame);
    return interpreter.run();
}

Value Vm::callMethod(const Value& object, const QString& name, Args args) {
    Object* holder = nullptr;
    Value fn;
    if (Object* o = objectOf(object)) {
        Value ignored;
        if (o->getNative(*this, name, fn)) {
        } else if (Property* p = o->find(name)) {
            holder = o->proto; // super of an object's own method starts above the object
            fn = p->isAccessor() ? call(p->getter, object, {}) : p->value;
        } else if (Property* p2 = o->proto ? lookup(o->proto, name, &holder) : nullptr) {
            fn = p2->isAccessor() ? call(p2->getter, object, {}) : p2->value;
        } else {
            fn = getMember(object, name);
        }
    } else {
        fn = getMember(object, name);
        if (avm1::typeOf(object) == TypeString)
            holder = protos.string;
    }
    return call(fn, object, args, holder);
}

Value Vm::construct(const Value& function, Args args) {
    auto* f = dynamic_cast<FunctionObject*>(objectOf(function));
    if (!f)
        return Undefined{};
    if (f->constructor) {
        const NativeCall call(*this, function, Undefined{}, args);
        Value made = f->constructor(*this, Undefined{}, args);
        if (Object* o = objectOf(made)) {
            Object* proto = objectOf(getMember(function, QStringLiteral("prototype")));
            if (proto && o->proto != proto && f->native != nullptr && !f->keepsMadePrototype)
                o->proto = proto;
        }
        return made;
    }
    Object* o = newObject();
    Object* proto = objectOf(getMember(function, QStringLiteral("prototype")));
    o->proto = proto;
    o->put(QStringLiteral("__constructor__"), f, DontEnum);
    if (m_version < 7)
        o->put(QStringLiteral("constructor"), f, DontEnum);
    RootGuard guard(*this, o);
    call(function, o, args, proto);
    return o;
}

bool Vm::callIfPresent(Object* object, const QString& name, Args args) {
    Value fn;
    if (!findMember(object, name, fn))
        return false;
    if (!dynamic_cast<FunctionObject*>(objectOf(fn)))
        return false;
    callMethod(Value(object), name, args);
    return true;
}

Vm::RootGuard::RootGuard(Vm& v, const Value& value)
    : vm(v) {
    vm.m_tempRoots.push_back(value);
}

Vm::RootGuard::~RootGuard() {
    vm.m_tempRoots.pop_back();
}

// Clips

ClipObject* Vm::clipObject(TimelineInstance& clip) {
    if (Object* o = m_displayObjects.value(clip.id())) {
        auto* c = static_cast<ClipObject*>(o);
        if (c->clip.lock().get() != &clip)
            c->showsNewMovie(*this, clip);
        return c;
    }
    Object* proto = protos.movieClip;
    auto* c = m_heap.make<ClipObject>(proto);
    c->clip = clip.weak_from_this();
    c->id = clip.id();
    c->isRoot = &clip == m_root || (!clip.parent() && levelOf(*this, clip) >= 0);
    if (TimelineInstance* p = clip.parent()) {
        c->parent = p->weak_from_this();
        for (const auto& [depth, object] : p->displayList())
            if (object.id == clip.id())
                c->lastDepth = depth;
    }
    m_displayObjects.insert(clip.id(), c);
    return c;
}

Object* Vm::displayObjectFor(TimelineInstance& parent, DisplayObject& object) {
    if (object.sprite)
        return clipObject(*object.sprite);
    if (Object* o = m_displayObjects.value(object.id))
        return o;
    DisplayHandle* h = nullptr;
    if (dynamic_cast<const EditText*>(object.character)) {
        h = m_heap.make<TextFieldObject>(protos.textField);
    } else if (dynamic_cast<const Button*>(object.character)) {
        h = m_heap.make<DisplayHandle>(protos.button);
        h->put(QStringLiteral("tabIndex"), Undefined{}); // a button lists it from the start
    } else if (const auto* video = dynamic_cast<const VideoStream*>(object.character)) {
        h = builtins::makeVideoObject(*this, *video);
    } else {
        // Shapes and the like: scripts reach their parent clip instead.
        return clipObject(parent);
    }
    h->parent = parent.weak_from_this();
    h->id = object.id;
    for (const auto& [depth, o] : parent.displayList())
        if (o.id == object.id)
            h->lastDepth = depth;
    m_displayObjects.insert(object.id, h);
    if (h->kind() == Kind::TextField) {
        RootGuard guard(*this, Value(h));
        builtins::initTextField(*this, *static_cast<TextFieldObject*>(h),
                                *static_cast<const EditText*>(object.character));
    }
    return h;
}

std::shared_ptr<TimelineInstance> Vm::clipOf(const Value& v) {
    auto* c = dynamic_cast<ClipObject*>(objectOf(v));
    return c ? c->clip.lock() : nullptr;
}

const Movie* Vm::runningMovie() {
    for (auto it = m_frames.rbegin(); it != m_frames.rend(); ++it)
        if (auto clip = clipOf((*it)->scope.empty() ? nullptr : (*it)->scope.front()))
            return clip->movie();
    return m_context.movie;
}

int Vm::runningVersion() const {
    return m_frames.empty() ? m_version : m_frames.back()->version;
}

QString Vm::targetPath(TimelineInstance& clip) {
    QStringList parts;
    const TimelineInstance* c = &clip;
    for (int i = 0; c && c->parent() && i < 256; ++i, c = c->parent()) {
        const Placement* p = const_cast<TimelineInstance*>(c)->placement();
        parts.prepend(p ? p->name : QString());
    }
    parts.prepend(QStringLiteral("_level%1").arg(c ? std::max(0, levelOf(*this, *c)) : 0));
    return parts.join(QLatin1Char('.'));
}

QString Vm::slashPath(TimelineInstance& clip) {
    QStringList parts;
    const TimelineInstance* c = &clip;
    for (int i = 0; c && c->parent() && i < 256; ++i, c = c->parent()) {
        const Placement* p = const_cast<TimelineInstance*>(c)->placement();
        parts.prepend(p ? p->name : QString());
    }
    // Levels above the first are named in slash paths too.
    const int level = c ? levelOf(*this, *c) : 0;
    if (level > 0)
        return QStringLiteral("_level%1").arg(level) +
               (parts.isEmpty() ? QString() : QLatin1Char('/') + parts.join(QLatin1Char('/')));
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

// Running

void Vm::runBlock(TimelineInstance& clip, const QByteArray& code, Object* self, bool frameScript) {
    const bool outermost = m_frames.empty();
    if (outermost && m_steps <= 0)
        return;
    ClipObject* clipObj = clipObject(clip);
    Frame frame;
    frame.block = code;
    frame.scope = {clipObj};
    frame.target = clipObj;
    frame.self = self ? Value(self) : Value(clipObj);
    frame.registers.assign(4, Undefined{});
    frame.version = clip.movie() ? clip.movie()->version : m_version; // a loaded movie's own
    // The blocks a frame runs share one stack: what one leaves the next may pop.
    frame.stackBase = outermost ? 0 : m_stack.size();
    if (frameScript)
        frame.frameScriptOf = &clip;
    m_frames.push_back(&frame);
    struct Exit {
        Vm& vm;
        std::size_t stack;
        ~Exit() {
            vm.m_frames.pop_back();
            vm.m_stack.resize(std::min(stack, vm.m_stack.size()));
        }
    } exit{*this, outermost ? std::numeric_limits<std::size_t>::max() : m_stack.size()};
    try {
        Interpreter(*this, frame).run();
    } catch (ScriptThrow&) {
        // An uncaught throw ends this block only.
    } catch (ScriptAbort&) {
        if (!outermost)
            throw;
        m_abortedThisFrame = true;
        m_stack.clear();
    }
}

void Vm::trace(const QString& line) {
    if (ScriptHost* h = host()) // the player's log ends a line at a carriage return too
        h->trace(QString(line).replace(QLatin1Char('\r'), QLatin1Char('\n')));
}

void Vm::abortScript() {
    throw ScriptAbort{};
}

void Vm::markRoots(Heap& heap) {
    heap.mark(global);
    for (Object* p : {protos.object, protos.function, protos.array, protos.string, protos.number,
                      protos.boolean, protos.movieClip, protos.textField, protos.button,
                      protos.error, protos.date, protos.xmlNode, protos.xml, protos.sound})
        heap.mark(p);
    for (const Value& v : m_stack)
        heap.mark(v);
    for (const Value& v : m_tempRoots)
        heap.mark(v);
    for (Frame* f : m_frames) {
        for (Object* o : f->scope)
            heap.mark(o);
        heap.mark(f->target);
        heap.mark(f->self);
        heap.mark(f->activation);
        heap.mark(f->callee);
        heap.mark(f->home);
        for (const Value& v : f->registers)
            heap.mark(v);
    }
    for (const Timer& t : m_timers) {
        heap.mark(t.target);
        heap.mark(t.function);
        for (const Value& v : t.args)
            heap.mark(v);
    }
    for (Object* o : registeredClasses)
        heap.mark(o);
    for (Object* o : playingSounds)
        heap.mark(o);
    for (const std::vector<Value>& message : deferredBroadcasts)
        for (const Value& v : message)
            heap.mark(v);
    for (Object* o : loadingSounds)
        heap.mark(o);
    for (Object* o : playingStreams)
        heap.mark(o);
    for (Object* o : shownBitmaps)
        heap.mark(o);
    m_loads->mark(heap);
    for (Object* o : pendingLoads)
        heap.mark(o);
    for (Object* o : localConnections)
        heap.mark(o);
    for (Object* o : sharedObjects)
        heap.mark(o);
    // Objects of display objects still on a display list.
    for (auto it = m_displayObjects.cbegin(); it != m_displayObjects.cend(); ++it) {
        Object* o = it.value();
        if (auto* c = dynamic_cast<ClipObject*>(o)) {
            if (c->isRoot || (!c->clip.expired() && c->entry()))
                heap.mark(o);
        } else if (auto* h = dynamic_cast<DisplayHandle*>(o); h && h->entry()) {
            heap.mark(o);
        }
    }
}

void Vm::forget(Object* o) {
    if (auto* h = dynamic_cast<DisplayHandle*>(o)) {
        auto it = m_displayObjects.find(h->id);
        if (it != m_displayObjects.end() && it.value() == o)
            m_displayObjects.erase(it);
    }
}

void Vm::collectNow() {
    m_heap.collect([this](Heap& h) { markRoots(h); }, [this](Object* o) { forget(o); });
}

void Vm::collectIfDue() {
    if (m_nativeDepth == 0 && m_heap.wantsCollection())
        collectNow();
    if (m_heap.bytes() > m_budgets.memoryBytes)
        abortScript();
}

// Timers

int Vm::addTimer(const Value& target, const Value& function, const QString& methodName,
                 std::vector<Value> args, qint64 interval, bool repeat) {
    if (m_timers.size() >= 1000)
        return 0;
    Timer t;
    t.id = m_nextTimer++;
    t.target = target;
    t.function = function;
    t.method = methodName;
    t.args = std::move(args);
    t.interval = std::max<qint64>(interval, 1);
    t.due = m_now + t.interval;
    t.repeat = repeat;
    m_timers.push_back(std::move(t));
    return m_timers.back().id;
}

void Vm::clearTimer(int id) {
    std::erase_if(m_timers, [id](const Timer& t) { return t.id == id; });
}

void Vm::runTimers(qint64 now) {
    m_now = now;
    std::vector<int> due;
    for (const Timer& t : m_timers)
        if (t.due <= now)
            due.push_back(t.id);
    for (int id : due) {
        auto it = std::find_if(m_timers.begin(), m_timers.end(),
                               [id](const Timer& t) { return t.id == id; });
        if (it == m_timers.end())
            continue;
        Timer t = *it;
        if (t.repeat)
            it->due = std::max(it->due + it->interval, now + 1);
        else
            m_timers.erase(it);
        try {
            if (!m_root)
                continue;
            ClipObject* rootObj = clipObject(*m_root);
            Frame frame;
            frame.scope = {rootObj};
            frame.target = rootObj;
            frame.version = m_version;
            frame.stackBase = m_stack.size();
            m_frames.push_back(&frame);
            struct Exit {
                Vm& vm;
                ~Exit() { vm.m_frames.pop_back(); }
            } exit{*this};
            if (t.method.isEmpty())
                call(t.function, Undefined{}, t.args);
            else
                callMethod(t.target, t.method, t.args);
        } catch (ScriptThrow&) {
        } catch (ScriptAbort&) {
            m_abortedThisFrame = true;
        }
    }
}

double Vm::random() {
    std::uint64_t& s = m_context.randomState;
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<double>(s >> 11) / 9007199254740992.0;
}

qint64 Vm::timer() const {
    return m_context.elapsedMs;
}

std::vector<Object*> Vm::listeners(Object* broadcaster) {
    std::vector<Object*> out;
    Object* list = objectOf(getMember(Value(broadcaster), QStringLiteral("_listeners")));
    if (auto* a = dynamic_cast<ArrayObject*>(list))
        for (int i = 0; i < a->length && i < 10000; ++i)
            if (Object* o = objectOf(getMember(Value(a), indexName(i))))
                out.push_back(o);
    return out;
}

} // namespace reelcase::swf::avm1
