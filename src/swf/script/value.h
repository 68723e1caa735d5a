#pragma once

#include <QString>

#include <cstdint>
#include <variant>

// The values of frame scripts (ActionScript 1 and 2).
namespace reelcase::swf::avm1 {

class Object;

struct Undefined {
    bool operator==(const Undefined&) const = default;
};
struct Null {
    bool operator==(const Null&) const = default;
};

// Objects (plain ones, functions, arrays, clips ...) live in the Heap and are collected.
using Value = std::variant<Undefined, Null, bool, double, QString, Object*>;

enum ValueType { TypeUndefined, TypeNull, TypeBool, TypeNumber, TypeString, TypeObject };

inline ValueType typeOf(const Value& v) {
    return static_cast<ValueType>(v.index());
}
inline bool isVoid(const Value& v) {
    return v.index() <= 1;
}
inline Object* objectOf(const Value& v) {
    const auto* o = std::get_if<Object*>(&v);
    return o ? *o : nullptr;
}

inline constexpr int maxStringLength = 1 << 22;

// Numbers as the player prints them: 15 significant digits, exponents from 1e+15 and
// below 1e-5 ("1e+21", "1.5e-7"), negative zero as "0".
QString numberToString(double d);
// Number.toString(radix) for radix 2 to 36 (integers; fractions are cut in radix form).
QString numberToRadix(double d, int radix);
// A string read as a number the way the given version does: SWF 4 reads the number it
// starts with (0 when none); later, "0x" hex and (SWF 6 on) a leading 0 as octal, both kept
// to 32 bits; otherwise decimal after leading white space, with nothing after it. What does
// not read is NaN.
double stringToNumber(const QString& s, int version);
// 0-35 for a digit or letter, -1 for anything else.
int digitValue(QChar c);
std::int32_t toInt32(double d);

// Names before SWF 7 match without case, by the player's older Unicode table: letters
// that came later (after Unicode 3.2) have no case there.
QChar foldNameChar(QChar c);
QString foldName(const QString& name);
bool sameNameFolded(const QString& a, const QString& b);
inline std::uint32_t toUint32(double d) {
    return static_cast<std::uint32_t>(toInt32(d));
}

} // namespace reelcase::swf::avm1
