// Calls: the movie clip methods and global functions cartoons use, Math, and functions
// the script defines itself.
#include "swf/script/avm1_interpreter.h"

#include "swf/display/timeline_instance.h"
#include "swf/script/avm1_properties.h"

#include <cmath>
#include <limits>

namespace reelcase::swf::avm1 {
namespace {

bool is(const QString& name, const char* what) {
    return name.compare(QLatin1String(what), Qt::CaseInsensitive) == 0;
}

const Value& arg(const std::vector<Value>& args, std::size_t i) {
    static const Value undefined = Undefined{};
    return i < args.size() ? args[i] : undefined;
}

} // namespace

std::vector<Value> Interpreter::popArgs() {
    const int count = popCount();
    std::vector<Value> args;
    args.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        args.push_back(pop());
    return args;
}

void Interpreter::gotoValue(TimelineInstance& clip, const Value& frame, bool play, int bias) {
    int index = -1;
    if (const QString* s = std::get_if<QString>(&frame)) {
        index = clip.definition().frameOfLabel(*s);
        bool ok = false;
        const int n = s->toInt(&ok);
        if (index < 0 && ok)
            index = n - 1 + bias;
    } else {
        const double n = num(frame);
        if (std::isfinite(n) && std::abs(n) < 1e9)
            index = static_cast<int>(n) - 1 + bias;
    }
    if (index < 0)
        return; // no such label, or a frame before the first
    clip.gotoFrame(index);
    if (play)
        clip.play();
    else
        clip.stop();
}

void Interpreter::callFrame(Scope& scope, const Value& frame) {
    if (scope.depth + 1 >= maxCallDepth)
        return;
    std::shared_ptr<TimelineInstance> clip = scope.targetMissing ? nullptr : scope.target;
    Value which = frame;
    if (const QString* s = std::get_if<QString>(&frame)) {
        const int colon = s->lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) { // "target:frame"
            clip = resolvePath(scope, s->left(colon));
            which = s->mid(colon + 1);
        }
    }
    if (!clip)
        return;
    const TimelineDef& def = clip->definition();
    int index = -1;
    if (const QString* s = std::get_if<QString>(&which)) {
        index = def.frameOfLabel(*s);
        bool ok = false;
        const int n = s->toInt(&ok);
        if (index < 0 && ok)
            index = n - 1;
    } else {
        const double n = num(which);
        if (std::isfinite(n) && std::abs(n) < 1e9)
            index = static_cast<int>(n) - 1;
    }
    if (index < 0 || index >= def.frameCount())
        return;
    Scope callee;
    callee.self = clip;
    callee.target = clip;
    callee.thisValue = ClipRef(clip);
    callee.registers.resize(4);
    callee.depth = scope.depth + 1;
    const std::size_t savedBase = m_stackBase;
    m_stackBase = m_stack.size();
    for (const FrameCommand& command : def.frames[static_cast<std::size_t>(index)].commands)
        if (const auto* a = std::get_if<ActionCommand>(&command))
            execute(a->code, callee);
    m_stack.resize(m_stackBase);
    m_stackBase = savedBase;
}

Value Interpreter::callMethod(Scope& scope, const Value& object, const QString& name,
                              std::vector<Value> args) {
    if (name.isEmpty()) { // the object itself is the function
        if (Object* const* o = std::get_if<Object*>(&object); o && *o && (*o)->function)
            return callScript(scope, **o, scope.thisValue, std::move(args));
        return Undefined{};
    }
    if (auto clip = clipOf(object)) {
        const Value member = clip->variables().value(nameKey(name, m_version));
        if (Object* const* o = std::get_if<Object*>(&member); o && *o && (*o)->function)
            return callScript(scope, **o, object, std::move(args));
        if (is(name, "play"))
            clip->play();
        else if (is(name, "stop"))
            clip->stop();
        else if (is(name, "gotoAndPlay") || is(name, "gotoAndStop"))
            gotoValue(*clip, arg(args, 0), is(name, "gotoAndPlay"));
        else if (is(name, "nextFrame") || is(name, "prevFrame")) {
            clip->gotoFrame(clip->currentFrame() + (is(name, "nextFrame") ? 1 : -1));
            clip->stop();
        } else if (is(name, "getBytesLoaded") || is(name, "getBytesTotal"))
            return 1.0; // loaded in full; scripts compare the two
        else
            return Undefined{};
        return Undefined{};
    }
    if (const QString* s = std::get_if<QString>(&object)) {
        if (is(name, "toUpperCase"))
            return s->toUpper();
        if (is(name, "toLowerCase"))
            return s->toLower();
        if (is(name, "charAt"))
            return s->mid(std::max(0, toInt32(num(arg(args, 0)))), 1);
        if (is(name, "indexOf"))
            return double(s->indexOf(str(arg(args, 0))));
        return Undefined{};
    }
    Object* const* po = std::get_if<Object*>(&object);
    if (!po || !*po)
        return Undefined{};
    Object& o = **po;
    if (o.builtin == QLatin1String("Math")) {
        const double a = num(arg(args, 0)), b = num(arg(args, 1));
        if (name == QLatin1String("floor"))
            return std::floor(a);
        if (name == QLatin1String("ceil"))
            return std::ceil(a);
        if (name == QLatin1String("round"))
            return std::floor(a + 0.5);
        if (name == QLatin1String("abs"))
            return std::abs(a);
        if (name == QLatin1String("min"))
            return std::isnan(a) || std::isnan(b) ? std::numeric_limits<double>::quiet_NaN()
                                                  : std::min(a, b);
        if (name == QLatin1String("max"))
            return std::isnan(a) || std::isnan(b) ? std::numeric_limits<double>::quiet_NaN()
                                                  : std::max(a, b);
        if (name == QLatin1String("sqrt"))
            return std::sqrt(a);
        if (name == QLatin1String("sin"))
            return std::sin(a);
        if (name == QLatin1String("cos"))
            return std::cos(a);
        if (name == QLatin1String("atan2"))
            return std::atan2(a, b);
        if (name == QLatin1String("pow"))
            return std::pow(a, b);
        if (name == QLatin1String("random")) {
            std::uint64_t& x = m_context.randomState;
            x ^= x >> 12;
            x ^= x << 25;
            x ^= x >> 27;
            return double((x * 0x2545F4914F6CDD1Dull) >> 11) / 9007199254740992.0;
        }
        return Undefined{};
    }
    if (o.isArray && name == QLatin1String("push")) {
        for (Value& v : args)
            if (o.elements.size() < static_cast<std::size_t>(maxMembers))
                o.elements.push_back(std::move(v));
        return double(o.elements.size());
    }
    const Value member = o.members.value(nameKey(name, m_version));
    if (Object* const* f = std::get_if<Object*>(&member); f && *f && (*f)->function)
        return callScript(scope, **f, object, std::move(args));
    return Undefined{};
}

Value Interpreter::callFunction(Scope& scope, const QString& name, std::vector<Value> args) {
    const Value fn = getVariable(scope, name);
    if (Object* const* o = std::get_if<Object*>(&fn); o && *o && (*o)->function)
        return callScript(scope, **o, ClipRef(scopeClip(scope).shared_from_this()),
                          std::move(args));
    const Value& a = arg(args, 0);
    if (is(name, "getTimer"))
        return double(m_context.elapsedMs);
    if (is(name, "Number"))
        return num(a);
    if (is(name, "String"))
        return str(a);
    if (is(name, "Boolean"))
        return toBoolean(a, m_version);
    if (is(name, "int")) {
        const double d = num(a);
        return std::isfinite(d) ? std::trunc(d) : 0.0;
    }
    if (is(name, "parseInt")) {
        bool ok = false;
        const double d = double(str(a).trimmed().toLongLong(&ok));
        return ok ? d : std::numeric_limits<double>::quiet_NaN();
    }
    if (is(name, "parseFloat"))
        return toNumber(str(a), 5);
    if (is(name, "isNaN"))
        return std::isnan(num(a));
    if (is(name, "random")) // the SWF 4 style random(n)
        return callMethod(scope, Value(m_context.heap.builtin(QStringLiteral("Math"))),
                          QStringLiteral("random"), {});
    // The timeline functions act on the current target.
    const Value self = ClipRef(scopeClip(scope).shared_from_this());
    return callMethod(scope, self, name, std::move(args));
}

Value Interpreter::defineFunction(BitReader& args, BitReader& code, Scope& scope, bool version2) {
    auto function = std::make_unique<Function>();
    function->isFunction2 = version2;
    function->name = args.string(m_version);
    const int paramCount = args.u16();
    if (version2) {
        function->registerCount = args.u8();
        function->flags = args.u16();
    }
    for (int i = 0; i < paramCount && args.ok(); ++i) {
        function->paramRegisters.push_back(version2 ? args.u8() : 0);
        function->params.push_back(args.string(m_version));
    }
    const int codeSize = args.u16();
    if (!args.ok())
        return Undefined{};
    BitReader body = code.sub(codeSize); // the body follows the action; skip it here
    if (!code.ok())
        return Undefined{};
    function->code = QByteArray(body.data(), static_cast<qsizetype>(body.size()));
    function->definedIn = ClipRef(scope.self);
    function->constants = m_constants;
    Object* o = newObject();
    if (!o)
        return Undefined{};
    const QString name = function->name;
    o->function = std::move(function);
    if (name.isEmpty())
        return Value(o);
    Variables& vars = scope.locals ? *scope.locals : scopeClip(scope).variables();
    vars.insert(nameKey(name, m_version), Value(o));
    return Undefined{};
}

Value Interpreter::callScript(Scope& caller, Object& object, const Value& thisValue,
                              std::vector<Value> args) {
    const Function& fn = *object.function;
    if (caller.depth + 1 >= maxCallDepth)
        return Undefined{};
    Scope scope;
    scope.self = fn.definedIn.lock();
    if (!scope.self)
        scope.self = caller.self;
    scope.target = scope.self;
    scope.thisValue = thisValue;
    scope.depth = caller.depth + 1;
    Variables locals;
    scope.locals = &locals;
    scope.registers.resize(fn.isFunction2 ? std::min(std::max(fn.registerCount, 1), maxRegisters)
                                          : 4);
    if (fn.isFunction2) {
        // Preloaded values take registers from 1 in this order.
        std::size_t next = 1;
        auto preload = [&](int flag, const Value& v) {
            if ((fn.flags & flag) && next < scope.registers.size())
                scope.registers[next++] = v;
        };
        preload(0x0001, thisValue);
        preload(0x0004, Undefined{}); // arguments: not made into an object
        preload(0x0010, Undefined{}); // super
        TimelineInstance& clip = *scope.self;
        preload(0x0040, clipMember(clip, QStringLiteral("_root")));
        preload(0x0080, clipMember(clip, QStringLiteral("_parent")));
        preload(0x0100, Undefined{}); // _global
    }
    for (std::size_t i = 0; i < fn.params.size(); ++i) {
        const Value v = i < args.size() ? args[i] : Value(Undefined{});
        const int reg = fn.paramRegisters[i];
        if (reg > 0 && reg < static_cast<int>(scope.registers.size()))
            scope.registers[static_cast<std::size_t>(reg)] = v;
        else
            locals.insert(nameKey(fn.params[i], m_version), v);
    }
    // The callee has its own part of the stack and the constants it was defined with.
    const std::size_t savedBase = m_stackBase;
    std::vector<QString> savedConstants = std::move(m_constants);
    m_constants = fn.constants;
    m_stackBase = m_stack.size();
    const QByteArray code = fn.code; // the function may be redefined while it runs
    Value result = execute(code, scope);
    m_stack.resize(m_stackBase);
    m_stackBase = savedBase;
    m_constants = std::move(savedConstants);
    return result;
}

} // namespace reelcase::swf::avm1
