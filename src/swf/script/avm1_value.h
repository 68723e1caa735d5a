#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <variant>
#include <vector>

namespace reelcase::swf {
class TimelineInstance;
}

// The values of frame scripts (ActionScript 1 and 2) and their conversions.
namespace reelcase::swf::avm1 {

struct Object;

struct Undefined {
    bool operator==(const Undefined&) const = default;
};
struct Null {
    bool operator==(const Null&) const = default;
};
// A movie clip; empty once the clip has left the stage.
using ClipRef = std::weak_ptr<TimelineInstance>;

using Value = std::variant<Undefined, Null, bool, double, QString, ClipRef, Object*>;

// A script-defined function: its body is a copy of the bytes it was defined with.
struct Function {
    QString name;
    std::vector<QString> params;
    std::vector<int> paramRegisters; // DefineFunction2: register per parameter (0: none)
    int registerCount = 0;           // DefineFunction2: registers of its own
    int flags = 0;                   // DefineFunction2 preload / suppress flags
    bool isFunction2 = false;
    QByteArray code;
    std::vector<QString> constants; // the constant pool in force where it was defined
    ClipRef definedIn;
};

// A plain object, array or function. Objects live in a Heap and are referred to by
// plain pointers (no reference cycles to leak); the heap goes with the movie.
struct Object {
    QHash<QString, Value> members;
    std::vector<Value> elements; // arrays
    bool isArray = false;
    QString builtin; // "Math" and the like: calls resolved by name
    std::unique_ptr<Function> function;
};

// Owns every object one playing movie creates, up to a fixed count.
class Heap {
public:
    // A new object, or null when the movie has made too many.
    Object* create();
    // The one object of a built-in name ("Math"), made on first use.
    Object* builtin(const QString& name);
    void clear() {
        m_objects.clear();
        m_builtins.clear();
    }
    std::size_t size() const { return m_objects.size(); }

private:
    std::vector<std::unique_ptr<Object>> m_objects;
    QHash<QString, Object*> m_builtins;
};

// Variables of one timeline; names are compared without case before SWF 7.
using Variables = QHash<QString, Value>;

inline constexpr int maxStringLength = 1 << 20;
inline constexpr int maxObjects = 50'000;
inline constexpr int maxMembers = 10'000; // members or elements of one object

// Conversions as the player of a file's version does them (SWF 4 files know only
// numbers and strings; SWF 7 made undefined NaN in arithmetic).
double toNumber(const Value& v, int version);
QString toString(const Value& v, int version);
bool toBoolean(const Value& v, int version);
// ECMAScript's number to string (integers without a point, 15 significant digits).
QString numberToString(double d);
QString typeOf(const Value& v);
// Abstract (==) and strict (===) equality of SWF 5 and later.
bool looseEquals(const Value& a, const Value& b, int version);
bool strictEquals(const Value& a, const Value& b);
std::int32_t toInt32(double d);
// The clip a value refers to, if it is a live clip.
std::shared_ptr<TimelineInstance> clipOf(const Value& v);
// A variable or member name as stored for this version.
QString nameKey(const QString& name, int version);

} // namespace reelcase::swf::avm1
