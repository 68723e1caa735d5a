#include "swf/script/avm1_interpreter.h"

#include "swf/format/limits.h"
#include "swf/script/avm1_actions.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script/avm1_properties.h"
#include "swf/script/script_host.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace reelcase::swf::avm1 {
namespace {} // namespace

Interpreter::Interpreter(PlayContext& context, int& steps)
    : m_context(context)
    , m_steps(steps)
    , m_version(context.movie ? context.movie->version : 10) {}

void Interpreter::runFrameScript(const std::shared_ptr<TimelineInstance>& self,
                                 const QByteArray& code) {
    m_stack.clear();
    m_stackBase = 0;
    m_constants.clear();
    Scope scope;
    scope.self = self;
    scope.target = self;
    scope.thisValue = ClipRef(self);
    scope.registers.resize(4);
    execute(code, scope);
    m_stack.clear();
}

Value Interpreter::pop() {
    if (m_stack.size() <= m_stackBase)
        return Undefined{};
    Value v = std::move(m_stack.back());
    m_stack.pop_back();
    return v;
}

bool Interpreter::pushValue(Value v) {
    if (m_stack.size() >= static_cast<std::size_t>(limits::maxStackDepth))
        return false;
    if (auto* s = std::get_if<QString>(&v); s && s->size() > maxStringLength)
        s->truncate(maxStringLength);
    m_stack.push_back(std::move(v));
    return true;
}

int Interpreter::popCount() {
    const double n = num(pop());
    const auto held = static_cast<double>(m_stack.size() - m_stackBase);
    if (!(n > 0))
        return 0;
    return static_cast<int>(std::min(n, held));
}

QString Interpreter::str(const Value& v) {
    if (auto clip = clipOf(v))
        return m_version >= 5 ? dotPath(*clip) : slashPath(*clip);
    return toString(v, m_version);
}

Value Interpreter::stringOf(const Value& v) {
    return str(v);
}

double Interpreter::num(const Value& v) {
    return toNumber(v, m_version);
}

Object* Interpreter::newObject() {
    return m_context.heap.create();
}

Value Interpreter::execute(const QByteArray& code, Scope& scope) {
    BitReader r(code);
    Value result = Undefined{};
    while (r.remaining() > 0) {
        if (m_steps <= 0)
            break;
        --m_steps;
        const int action = r.u8();
        if (action == 0)
            break;
        BitReader args;
        if (action >= 0x80)
            args = r.sub(r.u16());
        if (!r.ok())
            break; // a truncated action ends the block
        if (!step(action, args, r, scope, result))
            break;
    }
    return result;
}

bool Interpreter::step(int action, BitReader& args, BitReader& code, Scope& scope, Value& result) {
    switch (action) {
    case Jump:
    case If: {
        const int offset = args.s16();
        if (!args.ok())
            return false;
        if (action == If && !toBoolean(pop(), m_version))
            return true;
        const qint64 to = code.position() + offset;
        if (to < 0 || to > code.size())
            return false; // a branch out of the block ends it
        code.seek(to);
        return true;
    }
    case Push:
        return push(args, scope);
    default:
        break;
    }
    return stepSwf5(action, args, code, scope, result); // passes SWF 4 actions on
}

bool Interpreter::push(BitReader& args, Scope& scope) {
    while (args.remaining() > 0) {
        const int type = args.u8();
        Value v = Undefined{};
        switch (type) {
        case 0:
            v = args.string(m_version);
            break;
        case 1:
            v = static_cast<double>(args.f32());
            break;
        case 2:
            v = Null{};
            break;
        case 3:
            break;
        case 4: {
            const int reg = args.u8();
            if (reg < static_cast<int>(scope.registers.size()))
                v = scope.registers[static_cast<std::size_t>(reg)];
            break;
        }
        case 5:
            v = args.u8() != 0;
            break;
        case 6: { // two little-endian words, the high one first
            const std::uint64_t high = args.u32();
            const std::uint64_t low = args.u32();
            const std::uint64_t bits = high << 32 | low;
            double d = 0;
            std::memcpy(&d, &bits, sizeof d);
            v = d;
            break;
        }
        case 7:
            v = static_cast<double>(static_cast<std::int32_t>(args.u32()));
            break;
        case 8:
        case 9: {
            const int index = type == 8 ? args.u8() : args.u16();
            if (index < static_cast<int>(m_constants.size()))
                v = m_constants[static_cast<std::size_t>(index)];
            break;
        }
        default:
            return true; // an unknown type: the rest of this push cannot be read
        }
        if (!args.ok())
            return true; // a truncated push pushes nothing more
        if (!pushValue(std::move(v)))
            return false; // the stack is full: a runaway script, it ends here
    }
    return true;
}

bool Interpreter::stepSwf4(int action, BitReader& args, Scope& scope) {
    TimelineInstance* target = scope.targetMissing ? nullptr : scope.target.get();
    const bool swf4 = m_version < 5;
    auto logical = [&](bool b) { return swf4 ? Value(b ? 1.0 : 0.0) : Value(b); };
    switch (action) {
    case Stop:
        if (target)
            target->stop();
        return true;
    case Play:
        if (target)
            target->play();
        return true;
    case NextFrame:
    case PreviousFrame:
        if (target) {
            target->gotoFrame(target->currentFrame() + (action == NextFrame ? 1 : -1));
            target->stop();
        }
        return true;
    case GotoFrame: {
        const int frame = args.u16();
        if (args.ok() && target) {
            target->gotoFrame(frame);
            target->stop();
        }
        return true;
    }
    case GotoLabel: {
        const QString label = args.string(m_version);
        const int frame = target ? target->definition().frameOfLabel(label) : -1;
        if (args.ok() && frame >= 0) {
            target->gotoFrame(frame);
            target->stop();
        }
        return true;
    }
    case SetTarget:
    case SetTarget2: {
        const Value path = action == SetTarget ? Value(args.string(m_version)) : pop();
        auto clip = clipOf(path);
        if (!clip) // tellTarget paths start from the timeline whose script this is
            clip = resolvePathFrom(*scope.self, str(path));
        scope.target = clip ? clip : scope.self;
        scope.targetMissing = !clip;
        return true;
    }
    case GotoFrame2: {
        const int flags = args.u8();
        const int bias = (flags & 2) ? args.u16() : 0;
        const Value frame = pop();
        if (!args.ok())
            return true;
        const QString s =
            std::holds_alternative<QString>(frame) ? std::get<QString>(frame) : QString();
        const int colon = s.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) { // "target:frame"
            if (auto clip = resolvePath(scope, s.left(colon)))
                gotoValue(*clip, s.mid(colon + 1), flags & 1, bias);
        } else if (target) {
            gotoValue(*target, frame, flags & 1, bias);
        }
        return true;
    }
    case WaitForFrame:
    case WaitForFrame2: // the whole file is loaded: the wait is always over
        if (action == WaitForFrame2)
            pop();
        return true;
    case Add:
    case Subtract:
    case Multiply:
    case Divide: {
        const double a = num(pop());
        const double b = num(pop());
        double r = 0;
        if (action == Add)
            r = b + a;
        else if (action == Subtract)
            r = b - a;
        else if (action == Multiply)
            r = b * a;
        else if (a == 0 && swf4)
            return pushValue(QStringLiteral("#ERROR#"));
        else
            r = b / a;
        return pushValue(r);
    }
    case Equals: {
        const double a = num(pop());
        const double b = num(pop());
        return pushValue(logical(b == a));
    }
    case Less: {
        const double a = num(pop());
        const double b = num(pop());
        return pushValue(logical(b < a));
    }
    case And:
    case Or: {
        const bool a = toBoolean(pop(), m_version);
        const bool b = toBoolean(pop(), m_version);
        return pushValue(logical(action == And ? (a && b) : (a || b)));
    }
    case Not:
        return pushValue(logical(!toBoolean(pop(), m_version)));
    case StringEquals:
    case StringLess: {
        const QString a = str(pop());
        const QString b = str(pop());
        return pushValue(logical(action == StringEquals ? b == a : b < a));
    }
    case StringLength:
    case MBStringLength:
        return pushValue(double(str(pop()).size()));
    case StringAdd: {
        const QString a = str(pop());
        const QString b = str(pop());
        return pushValue(QString(b + a).left(maxStringLength));
    }
    case StringExtract:
    case MBStringExtract: {
        const double count = num(pop());
        const double index = num(pop());
        const QString s = str(pop());
        if (!std::isfinite(count) || !std::isfinite(index))
            return pushValue(QString());
        const qsizetype from = static_cast<qsizetype>(std::clamp(index - 1, 0.0, double(s.size())));
        const qsizetype n =
            count < 0 ? s.size() : static_cast<qsizetype>(std::min(count, double(s.size())));
        return pushValue(s.mid(from, n));
    }
    case Pop:
        pop();
        return true;
    case ToInteger: {
        const double d = num(pop());
        return pushValue(std::isfinite(d) ? std::trunc(d) : (std::isnan(d) ? 0.0 : d));
    }
    case CharToAscii:
    case MBCharToAscii: {
        const QString s = str(pop());
        return pushValue(s.isEmpty() ? 0.0 : double(s.at(0).unicode()));
    }
    case AsciiToChar:
    case MBAsciiToChar: {
        const double d = num(pop());
        const auto code = static_cast<char16_t>(std::isfinite(d) ? toInt32(d) & 0xffff : 0);
        return pushValue(QString(QChar(code)));
    }
    case GetVariable:
        return pushValue(getVariable(scope, str(pop())));
    case SetVariable: {
        const Value value = pop();
        setVariable(scope, str(pop()), value);
        return true;
    }
    case GetProperty: {
        const int index = toInt32(num(pop()));
        const Value where = pop();
        auto clip = clipOf(where);
        if (!clip)
            clip = resolvePath(scope, str(where));
        return pushValue(clip ? getProperty(*clip, index, m_version) : Value(Undefined{}));
    }
    case SetProperty: {
        const Value value = pop();
        const int index = toInt32(num(pop()));
        const Value where = pop();
        auto clip = clipOf(where);
        if (!clip)
            clip = resolvePath(scope, str(where));
        if (clip)
            setProperty(*clip, index, value, m_version);
        return true;
    }
    case Call:
        callFrame(scope, pop());
        return true;
    case Trace: {
        const Value value = pop();
        if (m_context.host)
            m_context.host->trace(str(stringOf(value)));
        return true;
    }
    case RemoveSprite:
        pop();
        return true;
    case CloneSprite:
        pop();
        pop();
        pop();
        return true;
    case StartDrag: {
        pop();
        pop();
        const bool constrained = toBoolean(pop(), m_version);
        for (int i = 0; constrained && i < 4; ++i)
            pop();
        return true;
    }
    case GetUrl2:
        pop();
        pop();
        return true;
    case GetTime:
        return pushValue(double(m_context.elapsedMs));
    case RandomNumber: {
        const double max = num(pop());
        // xorshift64*: the same movie draws the same numbers every time it plays.
        std::uint64_t& x = m_context.randomState;
        x ^= x >> 12;
        x ^= x << 25;
        x ^= x >> 27;
        const std::uint64_t r = x * 0x2545F4914F6CDD1Dull;
        const double n = std::isfinite(max) && max >= 1 ? std::floor(max) : 0;
        return pushValue(n > 0 ? std::floor(double(r >> 11) / 9007199254740992.0 * n) : 0.0);
    }
    default:
        return true; // ToggleQuality, StopSounds, EndDrag, GetURL and the unknown
    }
}

} // namespace reelcase::swf::avm1
