#include "swf/script/object.h"

#include "swf/script/heap.h"
#include "swf/script/vm.h"

#include <cmath>

namespace reelcase::swf::avm1 {
namespace {
constexpr std::size_t indexFrom = 12; // properties scanned in order below this
}

Property* Object::find(const QString& name) {
    if (m_index) {
        auto it = m_index->constFind(key(name));
        return it == m_index->constEnd() ? nullptr : &m_properties[static_cast<size_t>(*it)];
    }
    if (m_caseSensitive) {
        for (Property& p : m_properties)
            if (p.name == name)
                return &p;
        return nullptr;
    }
    for (Property& p : m_properties)
        if (sameNameFolded(p.name, name))
            return &p;
    return nullptr;
}

Property& Object::put(const QString& name, const Value& value, std::uint16_t flags) {
    if (Property* p = find(name)) {
        p->value = value;
        p->getter = p->setter = nullptr;
        return *p;
    }
    m_properties.push_back(Property{name, value, nullptr, nullptr, flags});
    if (m_index)
        m_index->insert(key(name), static_cast<int>(m_properties.size() - 1));
    else if (m_properties.size() >= indexFrom)
        reindex();
    return m_properties.back();
}

bool Object::remove(const QString& name) {
    Property* p = find(name);
    if (!p)
        return false;
    m_properties.erase(m_properties.begin() + (p - m_properties.data()));
    if (m_index)
        reindex();
    return true;
}

void Object::removeIf(const std::function<bool(const Property&)>& drop) {
    std::erase_if(m_properties, drop);
    m_index.reset();
    reindex();
}

void Object::reindex() {
    if (m_properties.size() < indexFrom) {
        m_index.reset();
        return;
    }
    if (!m_index)
        m_index = std::make_unique<QHash<QString, int>>();
    m_index->clear();
    for (int i = 0; i < static_cast<int>(m_properties.size()); ++i)
        m_index->insert(key(m_properties[static_cast<size_t>(i)].name), i);
}

void Object::markChildren(Heap& heap) {
    heap.mark(proto);
    for (const Property& p : m_properties) {
        heap.mark(p.value);
        heap.mark(p.getter);
        heap.mark(p.setter);
    }
    heap.mark(primitive);
    if (watches)
        for (const Watch& w : *watches) {
            heap.mark(w.callback);
            heap.mark(w.data);
        }
    for (Object* i : interfaces)
        heap.mark(i);
}

std::size_t Object::weight() const {
    std::size_t w = sizeof(Object) + m_properties.capacity() * sizeof(Property);
    for (const Property& p : m_properties) {
        w += static_cast<std::size_t>(p.name.size()) * 2;
        if (const auto* s = std::get_if<QString>(&p.value))
            w += static_cast<std::size_t>(s->size()) * 2;
    }
    if (m_index)
        w += m_properties.size() * 32;
    return w;
}

void FunctionObject::markChildren(Heap& heap) {
    Object::markChildren(heap);
    for (Object* o : scope)
        heap.mark(o);
    heap.mark(baseClip);
    heap.mark(homePrototype);
}

std::size_t FunctionObject::weight() const {
    return Object::weight() + sizeof(FunctionObject) + scope.size() * sizeof(Object*);
}

int arrayIndex(const QString& name) {
    if (name.isEmpty() || name.size() > 9)
        return -1;
    int v = 0;
    for (QChar c : name) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        v = v * 10 + (c.unicode() - '0');
    }
    if (name.size() > 1 && name[0] == QLatin1Char('0'))
        return -1;
    return v;
}

bool ArrayObject::getNative(Vm&, const QString& name, Value& out) {
    if (name.compare(QLatin1String("length"), Qt::CaseInsensitive) == 0 &&
        (caseSensitive() ? name == QLatin1String("length") : true)) {
        out = static_cast<double>(length);
        return true;
    }
    return false;
}

bool ArrayObject::setNative(Vm& vm, const QString& name, const Value& value) {
    if (name == QLatin1String("length") ||
        (!caseSensitive() && name.compare(QLatin1String("length"), Qt::CaseInsensitive) == 0)) {
        const double d = vm.toNumber(value);
        const int n = std::isfinite(d) && d > 0 ? static_cast<int>(std::min(d, 1e9)) : 0;
        if (n < length)
            removeIf([n](const Property& p) { return arrayIndex(p.name) >= n; });
        length = std::min(n, vm.maxArrayLength());
        return true;
    }
    const int i = arrayIndex(name);
    if (i < 0)
        return false;
    // An element with a setter or made read-only goes the general way.
    if (const Property* p = find(name); p && (p->isAccessor() || (p->flags & ReadOnly)))
        return false;
    if (i >= vm.maxArrayLength()) {
        vm.abortScript();
        return true;
    }
    put(name, value);
    if (i >= length)
        length = i + 1;
    return true;
}

std::size_t ArrayObject::weight() const {
    return Object::weight() + 16;
}

} // namespace reelcase::swf::avm1
