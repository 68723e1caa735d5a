// The actions SWF 5 and later added: typed arithmetic and comparison, registers, the
// constant pool, objects, members, calls and functions.
#include "swf/script/avm1_interpreter.h"

#include "swf/script/avm1_actions.h"

#include "swf/display/timeline_instance.h"
#include "swf/script/avm1_properties.h"

#include <cmath>
#include <limits>

namespace reelcase::swf::avm1 {
namespace {

bool isPrimitiveString(const Value& v) {
    return std::holds_alternative<QString>(v);
}

} // namespace

bool Interpreter::stepSwf5(int action, BitReader& args, BitReader& code, Scope& scope,
                           Value& result) {
    switch (action) {
    case ConstantPool: {
        const int count = args.u16();
        m_constants.clear();
        for (int i = 0; i < count && args.ok(); ++i)
            m_constants.push_back(args.string(m_version));
        if (!args.ok())
            m_constants.clear();
        return true;
    }
    case StoreRegister: {
        const int reg = args.u8();
        if (args.ok() && reg < static_cast<int>(scope.registers.size()))
            scope.registers[static_cast<std::size_t>(reg)] =
                m_stack.size() > m_stackBase ? m_stack.back() : Value(Undefined{});
        return true;
    }
    case PushDuplicate: {
        const Value v = m_stack.size() > m_stackBase ? m_stack.back() : Value(Undefined{});
        return pushValue(v);
    }
    case StackSwap: {
        Value a = pop();
        Value b = pop();
        return pushValue(std::move(a)) && pushValue(std::move(b));
    }
    case Add2: {
        const Value a = pop();
        const Value b = pop();
        if (isPrimitiveString(a) || isPrimitiveString(b))
            return pushValue(QString(str(b) + str(a)).left(maxStringLength));
        return pushValue(num(b) + num(a));
    }
    case Less2:
    case Greater: {
        const Value a = pop();
        const Value b = pop();
        const Value& left = action == Less2 ? b : a;
        const Value& right = action == Less2 ? a : b;
        if (isPrimitiveString(left) && isPrimitiveString(right))
            return pushValue(std::get<QString>(left) < std::get<QString>(right));
        const double l = num(left), r = num(right);
        if (std::isnan(l) || std::isnan(r))
            return pushValue(Undefined{});
        return pushValue(l < r);
    }
    case Equals2: {
        const Value a = pop();
        const Value b = pop();
        return pushValue(looseEquals(b, a, m_version));
    }
    case StrictEquals: {
        const Value a = pop();
        const Value b = pop();
        return pushValue(strictEquals(b, a));
    }
    case StringGreater: {
        const QString a = str(pop());
        const QString b = str(pop());
        return pushValue(b > a);
    }
    case Modulo: {
        const double a = num(pop());
        const double b = num(pop());
        return pushValue(std::fmod(b, a));
    }
    case Increment:
    case Decrement:
        return pushValue(num(pop()) + (action == Increment ? 1 : -1));
    case BitAnd:
    case BitOr:
    case BitXor: {
        const std::int32_t a = toInt32(num(pop()));
        const std::int32_t b = toInt32(num(pop()));
        const std::int32_t r = action == BitAnd ? (a & b) : action == BitOr ? (a | b) : (a ^ b);
        return pushValue(double(r));
    }
    case BitLShift:
    case BitRShift:
    case BitURShift: {
        const int count = toInt32(num(pop())) & 31;
        const std::int32_t v = toInt32(num(pop()));
        if (action == BitLShift)
            return pushValue(
                double(static_cast<std::int32_t>(static_cast<std::uint32_t>(v) << count)));
        if (action == BitRShift)
            return pushValue(double(v >> count));
        return pushValue(double(static_cast<std::uint32_t>(v) >> count));
    }
    case ToNumber:
        return pushValue(num(pop()));
    case ToString:
        return pushValue(str(pop()));
    case TypeOf:
        return pushValue(typeOf(pop()));
    case TargetPath: {
        const auto clip = clipOf(pop());
        return pushValue(clip ? Value(dotPath(*clip)) : Value(Undefined{}));
    }
    case GetMember: {
        const QString name = str(pop());
        const Value object = pop();
        return pushValue(getMember(scope, object, name));
    }
    case SetMember: {
        const Value value = pop();
        const QString name = str(pop());
        setMember(pop(), name, value);
        return true;
    }
    case DefineLocal:
    case DefineLocal2: {
        const Value value = action == DefineLocal ? pop() : Value(Undefined{});
        const QString name = nameKey(str(pop()), m_version);
        Variables& vars = scope.locals ? *scope.locals : scopeClip(scope).variables();
        if (action == DefineLocal || !vars.contains(name))
            vars.insert(name, value);
        return true;
    }
    case Delete: {
        const QString name = nameKey(str(pop()), m_version);
        const Value object = pop();
        bool removed = false;
        if (Object* const* o = std::get_if<Object*>(&object); o && *o && (*o)->builtin.isEmpty())
            removed = (*o)->members.remove(name) > 0;
        else if (auto clip = clipOf(object))
            removed = clip->variables().remove(name) > 0;
        return pushValue(removed);
    }
    case Delete2: {
        const QString name = nameKey(str(pop()), m_version);
        bool removed = scope.locals && scope.locals->remove(name) > 0;
        if (!removed)
            removed = scopeClip(scope).variables().remove(name) > 0;
        return pushValue(removed);
    }
    case CallFunction: {
        const QString name = str(pop());
        return pushValue(callFunction(scope, name, popArgs()));
    }
    case CallMethod: {
        const Value nameValue = pop();
        const Value object = pop();
        const QString name =
            std::holds_alternative<Undefined>(nameValue) ? QString() : str(nameValue);
        return pushValue(callMethod(scope, object, name, popArgs()));
    }
    case NewObject:
    case NewMethod: {
        const QString name = str(pop());
        if (action == NewMethod)
            pop();
        std::vector<Value> list = popArgs();
        Object* o = newObject();
        if (o && action == NewObject && name == QLatin1String("Array")) {
            o->isArray = true;
            if (list.size() == 1 && std::holds_alternative<double>(list[0])) {
                const double n = std::get<double>(list[0]);
                if (n >= 0 && n <= maxMembers)
                    o->elements.resize(static_cast<std::size_t>(n));
            } else {
                o->elements = std::move(list);
            }
        }
        return pushValue(o ? Value(o) : Value(Undefined{}));
    }
    case InitArray: {
        std::vector<Value> list = popArgs();
        Object* o = newObject();
        if (o) {
            o->isArray = true;
            o->elements = std::move(list);
        }
        return pushValue(o ? Value(o) : Value(Undefined{}));
    }
    case InitObject: {
        const int count = popCount();
        Object* o = newObject();
        for (int i = 0; i < count; ++i) {
            const Value value = pop();
            const QString name = nameKey(str(pop()), m_version);
            if (o && o->members.size() < maxMembers)
                o->members.insert(name, value);
        }
        return pushValue(o ? Value(o) : Value(Undefined{}));
    }
    case Enumerate:
    case Enumerate2: {
        const Value v = pop();
        const Value object = action == Enumerate ? getVariable(scope, str(v)) : v;
        if (!pushValue(Null{}))
            return false;
        QStringList names;
        if (Object* const* o = std::get_if<Object*>(&object); o && *o) {
            names = (*o)->members.keys();
            for (std::size_t i = 0; i < (*o)->elements.size(); ++i)
                names << QString::number(i);
        } else if (auto clip = clipOf(object)) {
            names = clip->variables().keys();
        }
        for (const QString& name : names)
            if (!pushValue(name))
                return false;
        return true;
    }
    case InstanceOf:
        pop();
        pop();
        return pushValue(false);
    case CastOp: {
        const Value object = pop();
        pop();
        return pushValue(object);
    }
    case ImplementsOp: {
        pop();
        const int count = popCount();
        for (int i = 0; i < count; ++i)
            pop();
        return true;
    }
    case Extends:
        pop();
        pop();
        return true;
    case With: // the block runs inline in the current scope
        pop();
        return true;
    case Throw: // nothing catches: the block ends
        pop();
        return false;
    case Return:
        result = pop();
        return false;
    case DefineFunction:
    case DefineFunction2: {
        Value fn = defineFunction(args, code, scope, action == DefineFunction2);
        if (!code.ok())
            return false;
        if (!std::holds_alternative<Undefined>(fn))
            return pushValue(std::move(fn));
        return true;
    }
    default:
        return stepSwf4(action, args, scope);
    }
}

} // namespace reelcase::swf::avm1
