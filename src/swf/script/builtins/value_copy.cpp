#include "swf/script/builtins/value_copy.h"

#include "swf/script/builtins/xml_node.h"

#include <QHash>

namespace reelcase::swf::avm1::builtins {
namespace {

// Deeper structures are cut off (undefined), as a serializer with a stack limit would.
constexpr int kMaxDepth = 64;

class Copier {
public:
    explicit Copier(Vm& vm)
        : m_vm(vm) {}

    Value copy(const Value& v, int depth) {
        Object* o = objectOf(v);
        if (!o)
            return v;
        if (depth > kMaxDepth || o->kind() == Kind::TextField || o->kind() == Kind::Clip)
            return Undefined{};
        if (Object* done = m_copies.value(o))
            return done;
        if (isDate(o)) {
            Object* date = objectOf(m_vm.construct(global("Date"), {}));
            if (date)
                date->primitive = o->primitive;
            return date ? Value(date) : Value(Undefined{});
        }
        if (o->kind() == Kind::XmlNode && m_vm.instanceOf(v, objectOf(global("XML")))) {
            const Value text = m_vm.toString(v);
            return m_vm.construct(global("XML"), std::span<const Value>(&text, 1));
        }
        const bool array = o->kind() == Kind::Array;
        Object* out = array ? m_vm.newArray() : m_vm.newObject();
        m_copies.insert(o, out);
        if (o->kind() == Kind::Function)
            return out;
        std::vector<QString> names;
        for (auto it = o->properties().rbegin(); it != o->properties().rend(); ++it)
            if (!(it->flags & DontEnum))
                names.push_back(it->name);
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            const Value member = m_vm.getMember(v, *it);
            if (const Object* m = objectOf(member); m && m->kind() == Kind::Function)
                continue; // functions inside are dropped; only a bare one arrives
            m_vm.setMember(Value(out), *it, copy(member, depth + 1));
        }
        if (array)
            m_vm.setMember(Value(out), QStringLiteral("length"),
                           m_vm.getMember(v, QStringLiteral("length")));
        return out;
    }

private:
    Value global(const char* name) {
        return m_vm.getMember(Value(m_vm.global), QLatin1String(name));
    }
    bool isDate(Object* o) {
        if (typeOf(o->primitive) != TypeNumber || !m_vm.protos.date)
            return false;
        int links = 0;
        for (Object* p = o->proto; p && links < 256; p = p->proto, ++links)
            if (p == m_vm.protos.date)
                return true;
        return false;
    }

    Vm& m_vm;
    QHash<Object*, Object*> m_copies;
};

} // namespace

Value copyAsSerialized(Vm& vm, const Value& value) {
    return Copier(vm).copy(value, 0);
}

} // namespace reelcase::swf::avm1::builtins
