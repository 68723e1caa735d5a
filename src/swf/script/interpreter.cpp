#include "swf/script/interpreter.h"

#include "swf/display/timeline_instance.h"
#include "swf/script/action_codes.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/data_load.h"
#include "swf/script/builtins/input.h"
#include "swf/script/clip_object.h"
#include "swf/script/movie_loads.h"
#include "swf/script/script_host.h"

#include <QSet>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace reelcase::swf::avm1 {
namespace {
const double nan = std::numeric_limits<double>::quiet_NaN();
constexpr int maxWithDepth = 13; // with blocks nested deeper are passed over, as the player does

} // namespace

void Interpreter::push(Value v) {
    if (static_cast<int>(m_vm.m_stack.size()) >= m_vm.budgets().stackDepth)
        m_vm.abortScript();
    m_vm.m_stack.push_back(std::move(v));
}

Value Interpreter::pop() {
    if (m_vm.m_stack.size() <= m_f.stackBase)
        return Undefined{};
    Value v = std::move(m_vm.m_stack.back());
    m_vm.m_stack.pop_back();
    return v;
}

int Interpreter::popCount() {
    return countOf(m_vm.toNumber(pop()));
}

int Interpreter::countOf(double d) const {
    const int available = static_cast<int>(m_vm.m_stack.size() - m_f.stackBase);
    if (!(d > 0))
        return 0;
    return static_cast<int>(std::min<double>(d, available));
}

std::vector<Value> Interpreter::popArgs() {
    return popValues(popCount());
}

std::vector<Value> Interpreter::popValues(int n) {
    std::vector<Value> args;
    args.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        args.push_back(pop());
    return args;
}

QString Interpreter::constant(int i) const {
    if (!m_f.constants || i < 0 || i >= static_cast<int>(m_f.constants->size()))
        return QString();
    return (*m_f.constants)[static_cast<size_t>(i)];
}

void Interpreter::pushData(BitReader& a) {
    while (a.ok() && !a.atEnd()) {
        const int type = a.u8();
        switch (type) {
        case 0:
            push(m_vm.makeString(a.string(m_f.version)));
            break;
        case 1: {
            const std::uint32_t bits = a.u32();
            float f;
            std::memcpy(&f, &bits, 4);
            push(static_cast<double>(f));
            break;
        }
        case 2:
            push(Null{});
            break;
        case 3:
            push(Undefined{});
            break;
        case 4: {
            const int r = a.u8();
            push(r < static_cast<int>(m_f.registers.size()) ? m_f.registers[static_cast<size_t>(r)]
                                                            : Value(Undefined{}));
            break;
        }
        case 5:
            push(a.u8() != 0);
            break;
        case 6: {
            // Two 32-bit halves, high word first.
            const std::uint64_t hi = a.u32(), lo = a.u32();
            const std::uint64_t bits = (hi << 32) | lo;
            double d;
            std::memcpy(&d, &bits, 8);
            push(d);
            break;
        }
        case 7:
            push(static_cast<double>(static_cast<std::int32_t>(a.u32())));
            break;
        case 8:
            push(constant(a.u8()));
            break;
        case 9:
            push(constant(a.u16()));
            break;
        default:
            return;
        }
        if (!a.ok())
            return;
    }
}

Value Interpreter::run() {
    const int size = static_cast<int>(m_f.block.size());
    int pc = std::clamp(m_f.begin, 0, size);
    const int end = m_f.end < 0 ? size : std::min(m_f.end, size);
    Value result;
    runRange(pc, end, pc, result);
    return result;
}

Interpreter::Exit Interpreter::runRange(int begin, int end, int& pc, Value& result) {
    const char* data = m_f.block.constData();
    const int blockSize = static_cast<int>(m_f.block.size());
    while (pc >= begin && pc < end) {
        if (--m_vm.m_steps < 0)
            m_vm.abortScript();
        const int op = static_cast<std::uint8_t>(data[pc]);
        if (op == 0)
            return Exit::End;
        int length = 0;
        int at = pc + 1;
        if (op >= 0x80) {
            if (pc + 3 > blockSize)
                return Exit::End;
            length = static_cast<std::uint8_t>(data[pc + 1]) |
                     (static_cast<std::uint8_t>(data[pc + 2]) << 8);
            at = pc + 3;
        }
        int next = at + length;
        if (next > blockSize)
            return Exit::End;
        BitReader args(data + at, length);
        bool leave = false;
        const Exit e = step(op, args, pc, next, result, leave);
        if (e == Exit::Return || (m_f.frameScriptOf && m_f.frameScriptOf->removed()))
            return Exit::Return;
        if (leave)
            continue; // pc was set by a branch or a nested block
        pc = next;
        if (m_vm.m_nativeDepth == 0 && m_vm.m_heap.wantsCollection())
            m_vm.collectIfDue();
    }
    return pc == end ? Exit::End : Exit::Jump;
}

int Interpreter::skipActions(int from, int count) const {
    const int size = static_cast<int>(m_f.block.size());
    int pc = from;
    for (int i = 0; i < count && pc < size && m_f.block[pc] != 0; ++i) {
        const int op = static_cast<std::uint8_t>(m_f.block[pc]);
        if (op < 0x80) {
            ++pc;
        } else if (pc + 3 <= size) {
            pc += 3 + (static_cast<std::uint8_t>(m_f.block[pc + 1]) |
                       (static_cast<std::uint8_t>(m_f.block[pc + 2]) << 8));
        } else {
            pc = size;
        }
    }
    return std::min(pc, size);
}

std::shared_ptr<TimelineInstance> Interpreter::targetClip() {
    return m_vm.clipOf(m_f.target);
}

Value Interpreter::defineFunction(BitReader& a, int& next, bool version2) {
    auto code = std::make_shared<ScriptCode>();
    code->name = a.string(m_f.version);
    const int count = a.u16();
    code->version2 = version2;
    if (version2) {
        code->registerCount = a.u8();
        code->flags = a.u16();
    }
    for (int i = 0; i < count && a.ok(); ++i) {
        ScriptCode::Param p;
        if (version2)
            p.reg = a.u8();
        p.name = a.string(m_f.version);
        code->params.push_back(p);
    }
    const int size = a.u16();
    if (!a.ok())
        return Undefined{};
    code->block = m_f.block;
    code->begin = next;
    code->end = std::min(next + size, static_cast<int>(m_f.block.size()));
    code->constants = m_f.constants;
    code->swfVersion = m_f.version;
    next = code->end;
    FunctionObject* f = m_vm.newNative(nullptr);
    f->native = nullptr;
    f->code = std::move(code);
    // SWF 5 functions see only their timeline; later ones close over the scope chain.
    if (m_f.version >= 6)
        f->scope = m_f.scope;
    else
        f->scope = {m_f.scope.empty() ? nullptr : m_f.scope.front()};
    if (!f->scope.empty() && m_f.target && m_f.target != m_f.scope.front())
        f->scope.front() = m_f.target;
    f->baseClip = m_f.target;
    Object* proto = m_vm.newObject();
    proto->put(QStringLiteral("constructor"), f, DontEnum);
    f->put(QStringLiteral("prototype"), proto, DontEnum);
    return f;
}

Interpreter::Exit Interpreter::step(int op, BitReader& a, int& pc, int next, Value& result,
                                    bool& leave) {
    Vm& vm = m_vm;
    const int v = m_f.version;
    // SWF 4's comparisons and logic give booleans too; they print as 1 and 0 there.
    auto boolResult = [&](bool b) { push(Value(b)); };
    switch (op) {
    // SWF 3
    case NextFrame:
    case PreviousFrame:
        if (auto c = targetClip()) {
            c->gotoFrame(c->currentFrame() + (op == NextFrame ? 1 : -1));
            c->stop();
        }
        break;
    case Play:
        if (auto c = targetClip())
            c->play();
        break;
    case Stop:
        if (auto c = targetClip())
            c->stop();
        break;
    case ToggleQuality:
        break;
    case StopSounds:
        builtins::stopAllSounds(m_vm);
        break;
    case GotoFrame: {
        const int frame = a.u16();
        if (auto c = targetClip()) {
            c->gotoFrame(frame);
            c->stop();
        }
        break;
    }
    case GotoLabel: {
        const QString label = a.string(v);
        if (auto c = targetClip()) {
            const int frame = c->definition().frameOfLabel(label);
            if (frame >= 0) {
                c->gotoFrame(frame);
                c->stop();
            }
        }
        break;
    }
    case GetUrl: {
        const QString url = a.string(v);
        const QString target = a.string(v);
        getUrl(url, target, 0);
        break;
    }
    case WaitForFrame:
    case WaitForFrame2: {
        // The whole file is in memory: every frame a file can hold counts as loaded.
        constexpr int maxFrames = 16000;
        const int frame = op == WaitForFrame ? a.u16() : -1;
        const int skip = a.u8();
        const Value asked = op == WaitForFrame2 ? pop() : Value();
        const int wanted = op == WaitForFrame ? frame
                           : targetClip()     ? frameFor(vm, *targetClip(), asked)
                                              : 0;
        if (wanted > maxFrames) {
            pc = skipActions(next, skip);
            leave = true;
        }
        break;
    }
    case SetTarget: {
        const QString path = a.string(v);
        if (path.isEmpty())
            m_f.target = m_f.scope.empty() ? nullptr : m_f.scope.front();
        else
            m_f.target = tellTargetOf(path);
        break;
    }
    case SetTarget2: {
        const Value t = pop();
        if (Object* o = objectOf(t); o && (o->kind() == Kind::Clip))
            m_f.target = o;
        else {
            const QString path = vm.toString(t);
            m_f.target = path.isEmpty() ? (m_f.scope.empty() ? nullptr : m_f.scope.front())
                                        : tellTargetOf(path);
        }
        break;
    }
    // SWF 4 arithmetic
    case Add:
    case Subtract:
    case Multiply:
    case Divide: {
        const Value bv = pop(), xv = pop();
        // The player converts the first operand first for Add and Multiply, the second
        // first for Subtract and Divide (valueOf runs in that order).
        double x = 0, b = 0;
        if (op == Add || op == Multiply) {
            x = vm.toNumber(xv);
            b = vm.toNumber(bv);
        } else {
            b = vm.toNumber(bv);
            x = vm.toNumber(xv);
        }
        double r = 0;
        if (op == Add)
            r = x + b;
        else if (op == Subtract)
            r = x - b;
        else if (op == Multiply)
            r = x * b;
        else if (b == 0 && v < 5) {
            push(QStringLiteral("#ERROR#"));
            break;
        } else
            r = x / b;
        push(r);
        break;
    }
    case Equals: {
        const double b = vm.toNumber(pop()), x = vm.toNumber(pop());
        boolResult(x == b);
        break;
    }
    case Less: {
        const Value bv = pop(), xv = pop();
        const double x = vm.toNumber(xv), b = vm.toNumber(bv);
        boolResult(x < b);
        break;
    }
    case And: {
        const bool b = vm.toBoolean(pop()), x = vm.toBoolean(pop());
        boolResult(x && b);
        break;
    }
    case Or: {
        const bool b = vm.toBoolean(pop()), x = vm.toBoolean(pop());
        boolResult(x || b);
        break;
    }
    case Not:
        boolResult(!vm.toBoolean(pop()));
        break;
    case StringEquals: {
        const QString b = vm.toString(pop()), x = vm.toString(pop());
        boolResult(x == b);
        break;
    }
    case StringLess: {
        const QString b = vm.toString(pop()), x = vm.toString(pop());
        boolResult(x < b);
        break;
    }
    case StringGreater: {
        const QString b = vm.toString(pop()), x = vm.toString(pop());
        boolResult(x > b);
        break;
    }
    case StringLength:
    case MBStringLength:
        push(static_cast<double>(vm.toString(pop()).size()));
        break;
    case StringAdd: {
        const QString b = vm.toString(pop()), x = vm.toString(pop());
        push(vm.makeString(x + b));
        break;
    }
    case StringExtract:
    case MBStringExtract: {
        const double count = vm.toNumber(pop()), index = vm.toNumber(pop());
        const QString s = vm.toString(pop());
        // Both numbers wrap as 32-bit integers.
        const std::int64_t from = std::max<std::int64_t>(std::int64_t{toInt32(index)} - 1, 0);
        std::int64_t n = toInt32(count);
        if (n < 0 || from + n > s.size())
            n = s.size() - from;
        push(from >= s.size() ? QString() : s.mid(from, n));
        break;
    }
    case ToInteger: {
        // int() wraps to 32 bits, as the bitwise operators do.
        push(static_cast<double>(toInt32(vm.toNumber(pop()))));
        break;
    }
    case CharToAscii:
    case MBCharToAscii: {
        // Half of a surrogate pair is no character to the player.
        const QString s = vm.toString(pop());
        push(s.isEmpty() ? nan : s[0].isSurrogate() ? 0xFFFD : static_cast<double>(s[0].unicode()));
        break;
    }
    case AsciiToChar:
    case MBAsciiToChar: {
        const int c = toInt32(vm.toNumber(pop())) & 0xFFFF;
        push(c == 0 ? QString() : QString(QChar(QChar::isSurrogate(c) ? 0xFFFD : c)));
        break;
    }
    case Pop:
        pop();
        break;
    case Push:
        pushData(a);
        break;
    case Jump: {
        const int offset = static_cast<std::int16_t>(a.u16());
        pc = next + offset;
        leave = true;
        break;
    }
    case If: {
        const int offset = static_cast<std::int16_t>(a.u16());
        if (vm.toBoolean(pop())) {
            pc = next + offset;
            leave = true;
        }
        break;
    }
    case Call: {
        const Value frame = pop();
        QString s = vm.toString(frame);
        Object* clipObj = m_f.target;
        const int colon = s.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            clipObj = resolveTarget(s.left(colon));
            s = s.mid(colon + 1);
        }
        auto clip = vm.clipOf(clipObj);
        if (!clip)
            break;
        // Frame numbers wrap at 32 bits, as the player's integers do.
        bool isNumber = false;
        const double number = s.toDouble(&isNumber);
        const std::int32_t asked = isNumber ? toInt32(number) : 0;
        int f = asked > 0 ? asked - 1 : -1;
        if (!isNumber)
            f = clip->definition().frameOfLabel(s);
        if (f < 0 || f >= clip->frameCount())
            break;
        // A frame calling itself stops at the depth cap; the caller goes on.
        if (vm.m_callDepth + 1 > vm.budgets().callDepth)
            break;
        ++vm.m_callDepth;
        struct Depth {
            Vm& vm;
            ~Depth() { --vm.m_callDepth; }
        } depth{vm};
        for (const FrameCommand& c : clip->definition().frames[static_cast<size_t>(f)].commands)
            if (const auto* ac = std::get_if<ActionCommand>(&c); ac && ac->initSprite < 0)
                vm.runBlock(*clip, ac->code);
        break;
    }
    case GetVariable: {
        const QString name = vm.toString(pop());
        push(getVariable(name));
        break;
    }
    case SetVariable: {
        Value value = pop();
        const QString name = vm.toString(pop());
        setVariable(name, value);
        break;
    }
    case GetUrl2: {
        const int method = a.u8();
        const QString target = vm.toString(pop());
        const QString url = vm.toString(pop());
        getUrl(url, target, method);
        break;
    }
    case GotoFrame2: {
        const int flags = a.u8();
        const int bias = (flags & 2) ? a.u16() : 0;
        // An object names its frame by its text.
        const Value popped = pop();
        const Value frame = objectOf(popped) ? Value(vm.toString(popped)) : popped;
        QString s = typeOf(frame) == TypeString ? std::get<QString>(frame) : QString();
        std::shared_ptr<TimelineInstance> clip = targetClip();
        Value which = frame;
        const int colon = s.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            clip = vm.clipOf(resolveTarget(s.left(colon)));
            which = s.mid(colon + 1);
        }
        if (clip)
            gotoFrame(*clip, which, flags & 1, bias);
        break;
    }
    case GetProperty: {
        const int index = propertyIndex(vm.toNumber(pop()));
        const Value target = pop();
        push(getIndexedProperty(target, index));
        break;
    }
    case SetProperty: {
        const Value value = pop();
        const int index = propertyIndex(vm.toNumber(pop()));
        const Value target = pop();
        setIndexedProperty(target, index, value);
        break;
    }
    case CloneSprite: {
        const double depth = vm.toNumber(pop());
        const QString name = vm.toString(pop());
        const Value source = pop();
        Object* src = objectOf(source);
        if (!src || src->kind() != Kind::Clip)
            src = resolveTarget(vm.toString(source));
        // The action's depth is already the display list's (scripts' depth + 16384).
        if (auto* clip = dynamic_cast<ClipObject*>(src); clip && std::isfinite(depth))
            clip->duplicate(vm, name, static_cast<int>(std::clamp(depth, -1e9, 1e9)) - 16384,
                            nullptr);
        break;
    }
    case RemoveSprite: {
        const Value target = pop();
        Object* o = objectOf(target);
        if (!o || o->kind() != Kind::Clip)
            o = resolveTarget(vm.toString(target));
        if (auto* clip = dynamic_cast<ClipObject*>(o))
            clip->removeByScript(vm);
        break;
    }
    case Trace: {
        // trace() shows undefined by name in every version.
        const Value v = pop();
        vm.trace(typeOf(v) == TypeUndefined ? QStringLiteral("undefined") : vm.toString(v));
        break;
    }
    case StartDrag: {
        const Value target = pop();
        const bool lockCentre = vm.toBoolean(pop());
        std::optional<QRectF> bounds;
        if (vm.toBoolean(pop())) {
            const double y2 = vm.toNumber(pop()), x2 = vm.toNumber(pop());
            const double y1 = vm.toNumber(pop()), x1 = vm.toNumber(pop());
            bounds = QRectF(QPointF(x1, y1), QPointF(x2, y2));
        }
        Object* o = objectOf(target);
        if (!o)
            o = resolveTarget(vm.toString(target));
        if (auto* clip = dynamic_cast<ClipObject*>(o))
            if (auto timeline = clip->timeline())
                builtins::startDragging(vm, *timeline, lockCentre, bounds);
        break;
    }
    case EndDrag:
        builtins::stopDragging(vm);
        break;
    case GetTime:
        push(static_cast<double>(vm.timer()));
        break;
    case RandomNumber: {
        const int max = toInt32(vm.toNumber(pop()));
        push(max <= 0 ? 0.0 : std::floor(vm.random() * max));
        break;
    }
    // SWF 5
    case CallFunction: {
        const QString name = vm.toString(pop());
        std::vector<Value> args = popArgs();
        // A function found on a with block's object or in a function's locals runs with
        // that object as this.
        for (std::size_t i = m_f.scope.size(); i-- > 1;) {
            Object* w = m_f.scope[i];
            Value found;
            if (w && vm.findMember(w, name, found)) {
                if (!dynamic_cast<SuperObject*>(objectOf(found))) {
                    push(vm.call(found, Value(w), args));
                    return Exit::End;
                }
                break;
            }
        }
        const Value fn = getVariable(name);
        if (auto* s = dynamic_cast<SuperObject*>(objectOf(fn))) {
            push(callSuperConstructor(*s, args));
            break;
        }
        // A plain call runs with the current timeline as this.
        const Value self = m_f.target ? Value(m_f.target) : Value(Undefined{});
        push(vm.call(fn, self, args));
        break;
    }
    case CallMethod: {
        const Value nameValue = pop();
        const Value object = pop();
        std::vector<Value> args = popArgs();
        const QString name = isVoid(nameValue) ? QString() : vm.toString(nameValue);
        Object* o = objectOf(object);
        if (auto* s = dynamic_cast<SuperObject*>(o)) {
            if (name.isEmpty()) {
                push(callSuperConstructor(*s, args));
            } else {
                Object* holder = nullptr;
                Property* p = superBase(*s) ? vm.lookup(superBase(*s), name, &holder) : nullptr;
                Value fn =
                    p ? (p->isAccessor() ? vm.call(p->getter, s->self, {}, holder) : p->value)
                      : Value(Undefined{});
                push(vm.call(fn, s->self, args, holder));
            }
            break;
        }
        if (name.isEmpty()) {
            push(vm.call(object, Undefined{}, args));
            break;
        }
        push(vm.callMethod(object, name, args));
        break;
    }
    case Return:
        result = pop();
        return Exit::Return;
    case ConstantPool: {
        const int count = a.u16();
        auto pool = std::make_shared<std::vector<QString>>();
        pool->reserve(static_cast<size_t>(std::min(count, 65535)));
        for (int i = 0; i < count && a.ok(); ++i)
            pool->push_back(a.string(v));
        m_f.constants = std::move(pool);
        break;
    }
    case DefineFunction:
    case DefineFunction2: {
        int end = next;
        Value f = defineFunction(a, end, op == DefineFunction2);
        const QString name =
            objectOf(f) ? static_cast<FunctionObject*>(objectOf(f))->code->name : QString();
        if (name.isEmpty())
            push(f);
        else
            defineLocal(name, f);
        pc = end;
        leave = true;
        break;
    }
    case DefineLocal: {
        Value value = pop();
        defineLocal(vm.toString(pop()), value);
        break;
    }
    case DefineLocal2: {
        const QString name = vm.toString(pop());
        Object* scope = m_f.activation ? m_f.activation : m_f.target;
        if (scope && !scope->find(name))
            defineLocal(name, Undefined{});
        break;
    }
    case Delete: {
        const QString name = vm.toString(pop());
        const Value object = pop();
        Object* o = objectOf(object);
        push(o ? vm.deleteMember(o, name) : false);
        break;
    }
    case Delete2:
        push(deleteVariable(vm.toString(pop())));
        break;
    case Enumerate:
    case Enumerate2: {
        Value object = pop();
        if (op == Enumerate)
            object = getVariable(vm.toString(object));
        Object* o = objectOf(object);
        push(Undefined{}); // the end marker: undefined, not null
        if (!o)
            break;
        // The farthest prototype's names come out first, the object's own last; each
        // name where its nearest holder has it (hidden there hides it), the last added
        // first within one object.
        std::vector<Object*> chain;
        for (Object* p = o; p && chain.size() < 256; p = p->proto) {
            if (std::find(chain.begin(), chain.end(), p) != chain.end())
                break;
            chain.push_back(p);
        }
        QSet<QString> seen;
        std::vector<std::vector<QString>> levels(chain.size());
        for (std::size_t level = 0; level < chain.size(); ++level) {
            const auto& props = chain[level]->properties();
            for (auto it = props.rbegin(); it != props.rend(); ++it) {
                const QString k = vm.key(it->name);
                if (seen.contains(k))
                    continue;
                seen.insert(k);
                if (!(it->flags & DontEnum))
                    levels[level].push_back(it->name);
            }
        }
        std::vector<QString> names;
        for (auto level = levels.rbegin(); level != levels.rend(); ++level)
            names.insert(names.end(), level->begin(), level->end());
        if (auto* clip = dynamic_cast<ClipObject*>(o))
            clip->childNames(names, seen, vm);
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            push(*it);
        break;
    }
    case Equals2: {
        const Value b = pop(), x = pop();
        push(vm.looseEquals(x, b));
        break;
    }
    case StrictEquals: {
        const Value b = pop(), x = pop();
        push(vm.strictEquals(x, b));
        break;
    }
    case GetMember: {
        const Value name = pop();
        const Value object = pop();
        if (auto* s = dynamic_cast<SuperObject*>(objectOf(object))) {
            Object* base = superBase(*s);
            const QString member = vm.toString(name);
            if (vm.sameName(member, QStringLiteral("__proto__"))) {
                push(base && base->proto ? Value(base->proto) : Value(Undefined{}));
                break;
            }
            Object* holder = nullptr;
            Property* p = base ? vm.lookup(base, member, &holder) : nullptr;
            push(p ? (p->isAccessor() ? vm.call(p->getter, s->self, {}, holder) : p->value)
                   : Value(Undefined{}));
            break;
        }
        push(vm.getMember(object, vm.toString(name)));
        break;
    }
    case SetMember: {
        Value value = pop();
        const QString name = vm.toString(pop());
        const Value object = pop();
        if (auto* s = dynamic_cast<SuperObject*>(objectOf(object))) {
            // Through super only a setter above answers, on the same this.
            Object* holder = nullptr;
            Property* p = superBase(*s) ? vm.lookup(superBase(*s), name, &holder) : nullptr;
            if (p && p->setter)
                vm.call(p->setter, s->self, std::span<const Value>(&value, 1), holder);
            break;
        }
        vm.setMember(object, name, value);
        break;
    }
    case InitArray:
    case InitObject: {
        // A count below zero or past the 32-bit integers builds nothing: undefined, the
        // stack kept.
        const double count = vm.toNumber(pop());
        if (count < 0 || count > std::numeric_limits<std::int32_t>::max()) {
            push(Undefined{});
            break;
        }
        const int n = countOf(count);
        if (op == InitArray) {
            push(vm.newArray(popValues(n)));
            break;
        }
        std::vector<std::pair<QString, Value>> pairs;
        for (int i = 0; i < n; ++i) {
            Value value = pop();
            pairs.emplace_back(vm.toString(pop()), std::move(value));
        }
        Object* o = vm.newObject();
        // Defined in the order they come off the stack (the last written first).
        for (const auto& [name, value] : pairs)
            vm.setMember(Value(o), name, value);
        push(o);
        break;
    }
    case NewObject: {
        const QString name = vm.toString(pop());
        std::vector<Value> args = popArgs();
        push(vm.construct(getVariable(name), args));
        break;
    }
    case NewMethod: {
        const Value nameValue = pop();
        const Value object = pop();
        std::vector<Value> args = popArgs();
        const QString name = isVoid(nameValue) ? QString() : vm.toString(nameValue);
        const Value fn = name.isEmpty() ? object : vm.getMember(object, name);
        push(vm.construct(fn, args));
        break;
    }
    case TypeOf:
        push(vm.typeOf(pop()));
        break;
    case TargetPath: {
        const Value t = pop();
        if (auto c = vm.clipOf(t); c && objectOf(t)->kind() == Kind::Clip)
            push(vm.slashPath(*c));
        else
            push(Undefined{});
        break;
    }
    case With: {
        const int size = a.u16();
        const Value object = pop();
        const int begin = next, end = std::min(next + size, static_cast<int>(m_f.block.size()));
        Object* o = vm.toObject(object);
        int at = begin;
        if (!o || m_f.withDepth >= maxWithDepth) {
            pc = end;
            leave = true;
            break;
        }
        m_f.scope.push_back(o);
        ++m_f.withDepth;
        Exit e;
        try {
            e = runRange(begin, end, at, result);
        } catch (...) {
            m_f.scope.pop_back();
            --m_f.withDepth;
            throw;
        }
        m_f.scope.pop_back();
        --m_f.withDepth;
        if (e == Exit::Return)
            return e;
        pc = at;
        leave = true;
        break;
    }
    case Try: {
        const int flags = a.u8();
        const int trySize = a.u16(), catchSize = a.u16(), finallySize = a.u16();
        QString catchName;
        int catchRegister = -1;
        if (flags & 4)
            catchRegister = a.u8();
        else
            catchName = a.string(v);
        const int size = static_cast<int>(m_f.block.size());
        const int tryEnd = std::min(next + trySize, size);
        const int catchEnd = std::min(tryEnd + catchSize, size);
        const int finallyEnd = std::min(catchEnd + finallySize, size);
        const bool hasCatch = flags & 1, hasFinally = flags & 2;
        int at = next;
        Exit e = Exit::End;
        std::optional<Value> pending;
        const std::size_t stackAt = vm.m_stack.size();
        try {
            e = runRange(next, tryEnd, at, result);
        } catch (ScriptThrow& thrown) {
            vm.m_stack.resize(std::max(stackAt, m_f.stackBase));
            if (hasCatch) {
                if (catchRegister >= 0) {
                    if (catchRegister < static_cast<int>(m_f.registers.size()))
                        m_f.registers[static_cast<size_t>(catchRegister)] = thrown.value;
                } else {
                    defineLocal(catchName, thrown.value);
                }
                at = tryEnd;
                try {
                    e = runRange(tryEnd, catchEnd, at, result);
                } catch (ScriptThrow& again) {
                    if (!hasFinally)
                        throw;
                    pending = again.value;
                }
            } else {
                pending = thrown.value;
            }
        }
        const bool jumpedOut = e == Exit::Jump && (at < next || at >= finallyEnd);
        if (hasFinally) {
            int f = catchEnd;
            Value finallyResult;
            const Exit fe = runRange(catchEnd, finallyEnd, f, finallyResult);
            if (fe == Exit::Return) {
                result = finallyResult;
                return fe;
            }
            if (fe == Exit::Jump && (f < catchEnd || f >= finallyEnd)) {
                pc = f;
                leave = true;
                return Exit::End;
            }
        }
        if (pending)
            throw ScriptThrow{*pending};
        if (e == Exit::Return)
            return e;
        pc = jumpedOut ? at : finallyEnd;
        leave = true;
        break;
    }
    case Throw:
        throw ScriptThrow{pop()};
    case ToNumber:
        push(vm.toNumber(pop()));
        break;
    case ToString:
        push(vm.toString(pop()));
        break;
    case Add2: {
        const Value b = vm.toPrimitive(pop()), x = vm.toPrimitive(pop());
        if (typeOf(x) == TypeString || typeOf(b) == TypeString)
            push(vm.makeString(vm.toString(x) + vm.toString(b)));
        else
            push(vm.toNumber(x) + vm.toNumber(b));
        break;
    }
    case Less2: {
        const Value b = pop(), x = pop();
        push(vm.lessThan(x, b));
        break;
    }
    case Greater: {
        const Value b = pop(), x = pop();
        push(vm.lessThan(b, x));
        break;
    }
    case Modulo: {
        const double b = vm.toNumber(pop()), x = vm.toNumber(pop());
        push(std::fmod(x, b));
        break;
    }
    case BitAnd:
    case BitOr:
    case BitXor:
    case BitLShift:
    case BitRShift:
    case BitURShift: {
        const double bd = vm.toNumber(pop()), xd = vm.toNumber(pop());
        const std::int32_t b = toInt32(bd), x = toInt32(xd);
        double r = 0;
        switch (op) {
        case BitAnd:
            r = x & b;
            break;
        case BitOr:
            r = x | b;
            break;
        case BitXor:
            r = x ^ b;
            break;
        case BitLShift:
            r = static_cast<std::int32_t>(static_cast<std::uint32_t>(x) << (b & 31));
            break;
        case BitRShift:
            r = x >> (b & 31);
            break;
        default:
            r = static_cast<std::uint32_t>(x) >> (b & 31);
            break;
        }
        push(r);
        break;
    }
    case Increment:
        push(vm.toNumber(pop()) + 1);
        break;
    case Decrement:
        push(vm.toNumber(pop()) - 1);
        break;
    case PushDuplicate: {
        const Value top = m_vm.m_stack.size() > m_f.stackBase ? m_vm.m_stack.back() : Value();
        push(top);
        break;
    }
    case StackSwap: {
        Value b = pop(), x = pop();
        push(b);
        push(x);
        break;
    }
    case StoreRegister: {
        const int r = a.u8();
        const Value top = m_vm.m_stack.size() > m_f.stackBase ? m_vm.m_stack.back() : Value();
        if (r < static_cast<int>(m_f.registers.size()))
            m_f.registers[static_cast<size_t>(r)] = top;
        break;
    }
    case InstanceOf: {
        const Value ctor = pop(), object = pop();
        push(vm.instanceOf(object, objectOf(ctor)));
        break;
    }
    case Extends: {
        Object* super = objectOf(pop());
        Object* sub = objectOf(pop());
        if (!sub || !super)
            break;
        Object* proto = vm.newObject();
        proto->proto = objectOf(vm.getMember(Value(super), QStringLiteral("prototype")));
        proto->put(QStringLiteral("__constructor__"), super, DontEnum);
        if (v < 7 || true)
            proto->put(QStringLiteral("constructor"), super, DontEnum);
        vm.setMember(Value(sub), QStringLiteral("prototype"), proto);
        break;
    }
    case CastOp: {
        const Value object = pop();
        const Value ctor = pop();
        push(vm.instanceOf(object, objectOf(ctor)) ? object : Value(Null{}));
        break;
    }
    case ImplementsOp: {
        Object* ctor = objectOf(pop());
        const int n = popCount();
        std::vector<Object*> interfaces;
        for (int i = 0; i < n; ++i)
            if (Object* o = objectOf(pop()))
                interfaces.push_back(o);
        if (Object* proto =
                ctor ? objectOf(vm.getMember(Value(ctor), QStringLiteral("prototype"))) : nullptr)
            proto->interfaces = interfaces;
        break;
    }
    case StrictMode:
        break;
    default:
        break; // unknown actions are passed over by their length
    }
    return Exit::End;
}

// super(): the __constructor__ from the method's holder up (never __resolve), run on the
// same this; its own super() starts above where it was found.
Value Interpreter::callSuperConstructor(const SuperObject& s, Args args) {
    Object* holder = nullptr;
    Object* home = s.home && s.home->kind() != Kind::Clip ? s.home : nullptr;
    const Property* p =
        home ? m_vm.lookup(home, QStringLiteral("__constructor__"), &holder) : nullptr;
    const Value ctor = !p                ? Value(Undefined{})
                       : p->isAccessor() ? m_vm.call(p->getter, s.self, {})
                                         : p->value;
    return m_vm.call(ctor, s.self, args, holder ? holder->proto : nullptr);
}

// Where super's members are looked for: above the method's holder; a clip there (or
// nothing) offers none.
Object* Interpreter::superBase(const SuperObject& s) {
    return avm1::superBase(s.home);
}

void Interpreter::gotoFrame(TimelineInstance& clip, const Value& frame, bool play, int bias) {
    int target = frameFor(m_vm, clip, frame);
    if (target < 0)
        return; // frames before the first are no frame at all
    clip.gotoFrame(static_cast<int>(std::min<long long>(static_cast<long long>(target) + bias,
                                                        std::numeric_limits<int>::max())));
    if (play)
        clip.play();
    else
        clip.stop();
}

void Interpreter::getUrl(const QString& url, const QString& target, int method) {
    ScriptHost* host = m_vm.host();
    if (method & 0x80) { // loadVariables, loadVariablesNum
        const bool level0 = target.compare(QLatin1String("_level0"), Qt::CaseInsensitive) == 0;
        Object* clip = level0 && m_vm.root() ? m_vm.clipObject(*m_vm.root())
                                             : (target.isEmpty() ? nullptr : resolveTarget(target));
        if (dynamic_cast<ClipObject*>(clip))
            builtins::requestVariablesLoad(m_vm, clip, url);
        return;
    }
    if (url.startsWith(QLatin1String("FSCommand:"), Qt::CaseInsensitive)) {
        if (host)
            host->fsCommand(url.mid(10), target);
        return;
    }
    // Loading into a level or clip goes through loadMovie; the rest is the host's.
    if (const int level = levelNumber(target); level >= 0 && !(method & 0x80)) {
        if (url.isEmpty())
            m_vm.movieLoads().unload(m_vm, nullptr, level);
        else
            m_vm.movieLoads().load(m_vm, nullptr, level, url);
        return;
    }
    if (method & 0x80)
        return; // variables are loaded elsewhere
    if (Object* clip = target.isEmpty() ? nullptr : resolveTarget(target)) {
        if (auto* c = dynamic_cast<ClipObject*>(clip)) {
            c->loadMovie(m_vm, url);
            return;
        }
    }
    if (host)
        host->openUrl(url, target, m_vm.context().input.userInitiated);
}

namespace {
// SWF 4's property indices.
const char* const indexedProperties[] = {
    "_x",           "_y",           "_xscale",       "_yscale",       "_currentframe",
    "_totalframes", "_alpha",       "_visible",      "_width",        "_height",
    "_rotation",    "_target",      "_framesloaded", "_name",         "_droptarget",
    "_url",         "_highquality", "_focusrect",    "_soundbuftime", "_quality",
    "_xmouse",      "_ymouse"};
} // namespace

// A property index as the number says, truncated; NaN, infinities and numbers far out of
// range name no property (-1) rather than wrapping round to one.
int Interpreter::propertyIndex(double number) {
    return std::isfinite(number) && std::abs(number) < 1e6 ? static_cast<int>(number) : -1;
}

Value Interpreter::getIndexedProperty(const Value& target, int index) {
    if (index < 0 || index > 21)
        return Undefined{};
    Object* o = objectOf(target);
    if (!o || (o->kind() != Kind::Clip && o->kind() != Kind::TextField)) {
        const QString path = m_vm.toString(target);
        o = path.isEmpty() ? m_f.target : resolveTarget(path);
    }
    if (!o)
        return Undefined{};
    return m_vm.getMember(Value(o), QLatin1String(indexedProperties[index]));
}

void Interpreter::setIndexedProperty(const Value& target, int index, const Value& value) {
    if (index < 0 || index > 21)
        return;
    Object* o = objectOf(target);
    if (!o || (o->kind() != Kind::Clip && o->kind() != Kind::TextField)) {
        const QString path = m_vm.toString(target);
        o = path.isEmpty() ? m_f.target : resolveTarget(path);
    }
    if (o)
        m_vm.setMember(Value(o), QLatin1String(indexedProperties[index]), value);
}

} // namespace reelcase::swf::avm1
