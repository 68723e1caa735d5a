#include "swf/script/builtins/builtins.h"

#include <algorithm>
#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

enum SortFlag {
    CaseInsensitive = 1,
    Descending = 2,
    UniqueSort = 4,
    ReturnIndexedArray = 8,
    Numeric = 16
};

int lengthOf(Vm& vm, Object* o) {
    if (auto* a = dynamic_cast<ArrayObject*>(o))
        return a->length;
    const double d = vm.toNumber(vm.getMember(Value(o), QStringLiteral("length")));
    return std::isfinite(d) && d > 0 ? static_cast<int>(std::min(d, 1e7)) : 0;
}

void setElements(Vm& vm, Object* o, const std::vector<Value>& elements) {
    if (auto* a = dynamic_cast<ArrayObject*>(o)) {
        // Elements that stay keep their place in the enumeration order.
        const int n = static_cast<int>(elements.size());
        a->removeIf([n](const Property& p) { return arrayIndex(p.name) >= n; });
        for (std::size_t i = 0; i < elements.size(); ++i)
            a->put(indexName(static_cast<int>(i)), elements[i]);
        a->length = n;
        vm.heap().noteGrowth(elements.size() * sizeof(Property));
        return;
    }
    for (std::size_t i = 0; i < elements.size(); ++i)
        vm.setMember(Value(o), indexName(static_cast<int>(i)), elements[i]);
    vm.setMember(Value(o), QStringLiteral("length"), static_cast<double>(elements.size()));
}

Value arrayConstruct(Vm& vm, const Value&, Args args) {
    if (args.size() == 1 && typeOf(args[0]) == TypeNumber) {
        ArrayObject* a = vm.newArray();
        const double n = std::get<double>(args[0]);
        if (n >= 0 && n < vm.maxArrayLength() && n == std::trunc(n))
            a->length = static_cast<int>(n);
        return a;
    }
    return vm.newArray(std::vector<Value>(args.begin(), args.end()));
}

Value push(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    int n = lengthOf(vm, o);
    for (const Value& v : args)
        vm.setMember(self, indexName(n++), v);
    if (!dynamic_cast<ArrayObject*>(o))
        vm.setMember(self, QStringLiteral("length"), static_cast<double>(n));
    return static_cast<double>(n);
}

Value pop(Vm& vm, const Value& self, Args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    const int n = lengthOf(vm, o);
    if (n == 0)
        return Undefined{};
    const Value last = vm.getMember(self, indexName(n - 1));
    o->remove(indexName(n - 1));
    vm.setMember(self, QStringLiteral("length"), static_cast<double>(n - 1));
    return last;
}

Value shift(Vm& vm, const Value& self, Args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    std::vector<Value> e = arrayElements(vm, o);
    if (e.empty())
        return Undefined{};
    const Value first = e.front();
    e.erase(e.begin());
    setElements(vm, o, e);
    return first;
}

// Up to this length reverse and unshift move elements one property at a time as the
// player does (which shows in for..in order and in flags); longer arrays move in bulk.
constexpr int elementWiseLimit = 4096;

Value elementAt(Vm& vm, Object* o, int i) {
    return vm.getMember(Value(o), indexName(i));
}

Value unshift(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    const int n = lengthOf(vm, o);
    const int k = static_cast<int>(args.size());
    if (static_cast<double>(n) + k > vm.maxArrayLength())
        vm.abortScript();
    if (n > elementWiseLimit) {
        std::vector<Value> e = arrayElements(vm, o);
        e.insert(e.begin(), args.begin(), args.end());
        setElements(vm, o, e);
        return static_cast<double>(e.size());
    }
    if (k > 0)
        for (int i = n - 1; i >= 0; --i) {
            vm.setMember(self, indexName(i + k), elementAt(vm, o, i));
            vm.deleteMember(o, indexName(i));
        }
    for (int i = 0; i < k; ++i)
        vm.setMember(self, indexName(i), args[static_cast<std::size_t>(i)]);
    if (!dynamic_cast<ArrayObject*>(o))
        vm.setMember(self, QStringLiteral("length"), static_cast<double>(n + k));
    return static_cast<double>(n + k);
}

int clampIndex(Vm& vm, const Value& v, int length, int fallback) {
    if (typeOf(v) == TypeUndefined)
        return fallback;
    double d = vm.toNumber(v);
    if (std::isnan(d))
        d = 0;
    d = std::trunc(d);
    if (d < 0)
        d = std::max(0.0, length + d);
    return static_cast<int>(std::min<double>(d, length));
}

Value slice(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    const std::vector<Value> e = arrayElements(vm, o);
    const int n = static_cast<int>(e.size());
    const int from = clampIndex(vm, arg(args, 0), n, 0);
    const int to = clampIndex(vm, arg(args, 1), n, n);
    std::vector<Value> out;
    for (int i = from; i < to; ++i)
        out.push_back(e[static_cast<size_t>(i)]);
    return vm.newArray(out);
}

// An undefined start or count, or a negative count, changes nothing and gives undefined.
Value splice(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o || args.empty() || typeOf(args[0]) == TypeUndefined)
        return Undefined{};
    std::vector<Value> e = arrayElements(vm, o);
    const int n = static_cast<int>(e.size());
    const int from = clampIndex(vm, args[0], n, 0);
    int count = n - from;
    if (args.size() > 1) {
        if (typeOf(args[1]) == TypeUndefined)
            return Undefined{};
        const double c = vm.toNumber(args[1]);
        if (c < 0)
            return Undefined{};
        count = std::isnan(c) ? 0 : static_cast<int>(std::min<double>(c, n - from));
    }
    std::vector<Value> removed(e.begin() + from, e.begin() + from + count);
    e.erase(e.begin() + from, e.begin() + from + count);
    if (args.size() > 2)
        e.insert(e.begin() + from, args.begin() + 2, args.end());
    setElements(vm, o, e);
    return vm.newArray(removed);
}

Value concat(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    std::vector<Value> e = o ? arrayElements(vm, o) : std::vector<Value>{};
    for (const Value& v : args) {
        if (auto* a = dynamic_cast<ArrayObject*>(objectOf(v))) {
            const auto more = arrayElements(vm, a);
            e.insert(e.end(), more.begin(), more.end());
        } else {
            e.push_back(v);
        }
        if (static_cast<int>(e.size()) > vm.maxArrayLength())
            vm.abortScript();
    }
    return vm.newArray(e);
}

Value join(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    const QString separator = isVoid(arg(args, 0)) ? QStringLiteral(",") : vm.toString(args[0]);
    QString out;
    const std::vector<Value> e = arrayElements(vm, o);
    for (std::size_t i = 0; i < e.size(); ++i) {
        if (i)
            out += separator;
        out += vm.toString(e[i]);
        if (out.size() > maxStringLength)
            vm.abortScript();
    }
    return out;
}

Value toStringMethod(Vm& vm, const Value& self, Args) {
    return join(vm, self, {});
}

Value reverse(Vm& vm, const Value& self, Args) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    const int n = lengthOf(vm, o);
    if (n > elementWiseLimit) {
        std::vector<Value> e = arrayElements(vm, o);
        std::reverse(e.begin(), e.end());
        setElements(vm, o, e);
        return self;
    }
    for (int low = 0, high = n - 1; low < high; ++low, --high) {
        const Value a = elementAt(vm, o, low), b = elementAt(vm, o, high);
        vm.deleteMember(o, indexName(low));
        vm.deleteMember(o, indexName(high));
        vm.setMember(self, indexName(low), b);
        vm.setMember(self, indexName(high), a);
    }
    return self;
}

// -1, 0, 1 by the flags (and, for sortOn, compared field by field).
int compareValues(Vm& vm, const Value& a, const Value& b, int flags) {
    if (flags & Numeric) {
        const double x = vm.toNumber(a), y = vm.toNumber(b);
        if (typeOf(a) == TypeNumber && typeOf(b) == TypeNumber)
            return x < y ? -1 : (x > y ? 1 : 0);
    }
    // undefined sorts last.
    if (isVoid(a) != isVoid(b))
        return isVoid(a) ? 1 : -1;
    QString x = vm.toString(a), y = vm.toString(b);
    if (flags & CaseInsensitive) {
        x = x.toLower();
        y = y.toLower();
    }
    return x < y ? -1 : (x > y ? 1 : 0);
}

Value sortImpl(Vm& vm, const Value& self, const std::function<int(const Value&, const Value&)>& cmp,
               int flags) {
    Object* o = objectOf(self);
    if (!o)
        return Undefined{};
    std::vector<Value> e = arrayElements(vm, o);
    std::vector<int> order(e.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    ArrayObject* keep = vm.newArray(e); // roots the elements while comparisons run scripts
    Vm::RootGuard guard(vm, keep);
    const bool descending = flags & Descending;
    bool duplicate = false;
    int comparisons = 0;
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        if (++comparisons > 4'000'000)
            vm.abortScript();
        int c = cmp(e[static_cast<size_t>(x)], e[static_cast<size_t>(y)]);
        if (c == 0)
            duplicate = true;
        return descending ? c > 0 : c < 0;
    });
    if ((flags & UniqueSort) && duplicate)
        return 0.0;
    if (flags & ReturnIndexedArray) {
        std::vector<Value> idx;
        for (int i : order)
            idx.push_back(static_cast<double>(i));
        return vm.newArray(idx);
    }
    std::vector<Value> sorted;
    for (int i : order)
        sorted.push_back(e[static_cast<size_t>(i)]);
    setElements(vm, o, sorted);
    return self;
}

Value sort(Vm& vm, const Value& self, Args args) {
    Value compare;
    int flags = 0;
    std::size_t next = 0;
    if (objectOf(arg(args, 0)) && objectOf(args[0])->kind() == Kind::Function) {
        compare = args[0];
        next = 1;
    }
    if (args.size() > next)
        flags = toInt32(vm.toNumber(args[next]));
    if (!isVoid(compare))
        return sortImpl(
            vm, self,
            [&](const Value& a, const Value& b) {
                const Value pair[] = {a, b};
                const double r = vm.toNumber(vm.call(compare, Undefined{}, pair));
                return r < 0 ? -1 : (r > 0 ? 1 : 0);
            },
            flags);
    return sortImpl(
        vm, self, [&](const Value& a, const Value& b) { return compareValues(vm, a, b, flags); },
        flags);
}

Value sortOn(Vm& vm, const Value& self, Args args) {
    QStringList fields;
    std::vector<int> fieldFlags;
    if (auto* a = dynamic_cast<ArrayObject*>(objectOf(arg(args, 0)))) {
        for (const Value& v : arrayElements(vm, a))
            fields << vm.toString(v);
    } else {
        fields << vm.toString(arg(args, 0));
    }
    int flags = 0;
    if (auto* a = dynamic_cast<ArrayObject*>(objectOf(arg(args, 1)))) {
        for (const Value& v : arrayElements(vm, a))
            fieldFlags.push_back(toInt32(vm.toNumber(v)));
    } else if (args.size() > 1) {
        flags = toInt32(vm.toNumber(args[1]));
    }
    return sortImpl(
        vm, self,
        [&](const Value& a, const Value& b) {
            for (int i = 0; i < fields.size(); ++i) {
                const int f = i < static_cast<int>(fieldFlags.size())
                                  ? fieldFlags[static_cast<size_t>(i)]
                                  : flags;
                int c =
                    compareValues(vm, vm.getMember(a, fields[i]), vm.getMember(b, fields[i]), f);
                if ((f & Descending) && !(flags & Descending) && fieldFlags.size() > 0)
                    c = -c;
                if (c)
                    return c;
            }
            return 0;
        },
        flags);
}

} // namespace

std::vector<Value> arrayElements(Vm& vm, Object* array) {
    std::vector<Value> out;
    const int n = lengthOf(vm, array);
    out.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const Property* p = array->find(indexName(i));
        out.push_back(
            p ? (p->isAccessor() ? vm.getMember(Value(array), indexName(i)) : p->value)
              : (array->proto ? vm.getMember(Value(array), indexName(i)) : Value(Undefined{})));
    }
    return out;
}

void installArray(Vm& vm) {
    Object* proto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.array = proto;
    FunctionObject* ctor =
        vm.defineClass(QStringLiteral("Array"), arrayConstruct, arrayConstruct, proto);
    vm.method(proto, QStringLiteral("push"), push);
    vm.method(proto, QStringLiteral("pop"), pop);
    vm.method(proto, QStringLiteral("shift"), shift);
    vm.method(proto, QStringLiteral("unshift"), unshift);
    vm.method(proto, QStringLiteral("slice"), slice);
    vm.method(proto, QStringLiteral("splice"), splice);
    vm.method(proto, QStringLiteral("concat"), concat);
    vm.method(proto, QStringLiteral("join"), join);
    vm.method(proto, QStringLiteral("toString"), toStringMethod);
    vm.method(proto, QStringLiteral("reverse"), reverse);
    vm.method(proto, QStringLiteral("sort"), sort);
    vm.method(proto, QStringLiteral("sortOn"), sortOn);
    const std::pair<const char*, int> constants[] = {{"CASEINSENSITIVE", 1},
                                                     {"DESCENDING", 2},
                                                     {"UNIQUESORT", 4},
                                                     {"RETURNINDEXEDARRAY", 8},
                                                     {"NUMERIC", 16}};
    for (const auto& [name, value] : constants)
        ctor->put(QLatin1String(name), static_cast<double>(value),
                  DontEnum | DontDelete | ReadOnly);
}

} // namespace reelcase::swf::avm1::builtins
