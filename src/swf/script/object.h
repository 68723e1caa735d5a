#pragma once

#include "swf/script/value.h"

#include <QByteArray>
#include <QHash>

#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace reelcase::swf::avm1 {

class Heap;
class Vm;

enum PropertyFlag : std::uint16_t {
    DontEnum = 1,
    DontDelete = 2,
    ReadOnly = 4,
    // Version bits: the property is there for code of the versions named only (built-ins
    // a later player added stay out of older movies' way).
    FromSwf6 = 0x80,
    NotInSwf6 = 0x100,
    FromSwf7 = 0x400,
    FromSwf8 = 0x1000,
    FromSwf9 = 0x2000,
    FromSwf10 = 0x4000,
};

// Whether code of a SWF version sees a property with these flags.
constexpr bool visibleInVersion(std::uint16_t flags, int version) {
    return !((flags & FromSwf6 && version < 6) || (flags & NotInSwf6 && version == 6) ||
             (flags & FromSwf7 && version < 7) || (flags & FromSwf8 && version < 8) ||
             (flags & FromSwf9 && version < 9) || (flags & FromSwf10 && version < 10));
}

// One property: a value, or a getter and setter pair (addProperty).
struct Property {
    QString name;
    Value value;
    Object* getter = nullptr;
    Object* setter = nullptr;
    std::uint16_t flags = 0;
    std::uint8_t busy = 0; // getter or setter calls running (nested ones see value)
    bool isAccessor() const { return getter != nullptr; }
};

// What a native class keeps beside an object's properties.
enum class Kind : std::uint8_t {
    Plain,
    Function,
    Array,
    Clip,
    TextField,
    Boolean,
    Number,
    String,
    Date,
    Error,
    XmlNode,
    Sound,
    Other
};

using Args = std::span<const Value>;

// An object: properties in insertion order, looked up by name (without case before SWF 7),
// and its __proto__. Subclasses add native state and "magic" properties.
class Object {
public:
    Object(Object* proto, bool caseSensitive)
        : proto(proto)
        , m_caseSensitive(caseSensitive) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    virtual Kind kind() const { return Kind::Plain; }
    // Native properties (a clip's _x, an array's length). true: handled.
    virtual bool getNative(Vm&, const QString&, Value&) { return false; }
    virtual bool setNative(Vm&, const QString&, const Value&) { return false; }
    // Objects this one holds beyond its properties.
    virtual void markChildren(Heap& heap);
    // Approximate bytes held, for the memory budget.
    virtual std::size_t weight() const;

    Property* find(const QString& name);
    const Property* find(const QString& name) const {
        return const_cast<Object*>(this)->find(name);
    }
    // Sets a plain value (adding the property at the end when new); ReadOnly is the
    // caller's business.
    Property& put(const QString& name, const Value& value, std::uint16_t flags = 0);
    bool remove(const QString& name);
    void removeIf(const std::function<bool(const Property&)>& drop);
    const std::vector<Property>& properties() const { return m_properties; }
    std::vector<Property>& properties() { return m_properties; }
    bool caseSensitive() const { return m_caseSensitive; }

    Object* proto = nullptr;
    Value primitive; // Boolean, Number, String wrappers; Date's time
    // watch(): name -> callback and its user data.
    struct Watch {
        Object* callback = nullptr;
        Value data;
        int depth = 0; // calls running
    };
    std::unique_ptr<QHash<QString, Watch>> watches;
    std::vector<Object*> interfaces; // implements
    bool marked = false;

private:
    QString key(const QString& name) const { return m_caseSensitive ? name : foldName(name); }
    void reindex();

    std::vector<Property> m_properties;
    std::unique_ptr<QHash<QString, int>> m_index; // built once there are many properties
    bool m_caseSensitive = true;
};

// The code of a script function: a slice of the block it was defined in.
struct ScriptCode {
    QByteArray block; // implicitly shared with the tag's bytes
    int begin = 0, end = 0;
    QString name;
    struct Param {
        QString name;
        int reg = 0;
    };
    std::vector<Param> params;
    int registerCount = 0;
    int flags = 0; // DefineFunction2's preload and suppress flags
    bool version2 = false;
    std::shared_ptr<const std::vector<QString>> constants;
    int swfVersion = 0;
};

using NativeFunction = Value (*)(Vm& vm, const Value& self, Args args);

// A function: native, or script code with the scope chain it closes over.
class FunctionObject : public Object {
public:
    using Object::Object;
    Kind kind() const override { return Kind::Function; }
    void markChildren(Heap& heap) override;
    std::size_t weight() const override;

    NativeFunction native = nullptr;
    // new: a native class's constructor; null: call native with a fresh object as this.
    NativeFunction constructor = nullptr;
    // new leaves the made object's __proto__ as the constructor set it (Object's wrappers).
    bool keepsMadePrototype = false;
    std::shared_ptr<const ScriptCode> code;
    std::vector<Object*> scope; // outermost first
    Object* baseClip = nullptr; // the clip it was defined on (its timeline)
    // super's prototype for methods added to a class (set by extends chains at call time).
    Object* homePrototype = nullptr;
};

class ArrayObject : public Object {
public:
    using Object::Object;
    Kind kind() const override { return Kind::Array; }
    bool getNative(Vm& vm, const QString& name, Value& out) override;
    bool setNative(Vm& vm, const QString& name, const Value& value) override;
    std::size_t weight() const override;
    int length = 0;
};

// The array index a property name stands for, or -1.
int arrayIndex(const QString& name);
inline QString indexName(int i) {
    return QString::number(i);
}

} // namespace reelcase::swf::avm1
