#pragma once

#include "swf/format/color_transform.h"
#include "swf/script/builtins/builtins.h"

#include <QTransform>

// What the flash.geom classes share.
namespace reelcase::swf::avm1::builtins::geometry {

inline Value get(Vm& vm, const Value& o, const char* name) {
    return vm.getMember(o, QLatin1String(name));
}

inline void set(Vm& vm, Object* o, const char* name, const Value& v) {
    vm.setMember(Value(o), QLatin1String(name), v);
}

inline double num(Vm& vm, const Value& o, const char* name) {
    return vm.toNumber(get(vm, o, name));
}

// a + b as the Add2 action does it: strings join, anything else adds as numbers.
Value add(Vm& vm, const Value& a, const Value& b);

// flash.geom.<name>, as scripts see it now, or null.
Object* classConstructor(Vm& vm, const char* name);
Object* classProto(Vm& vm, const char* name);
bool isInstance(Vm& vm, const Value& v, const char* name);

Object* newPoint(Vm& vm, const Value& x, const Value& y);
Object* newRectangle(Vm& vm, const Value& x, const Value& y, const Value& w, const Value& h);

// A ColorTransform's transform, or null.
const ColorTransform* colorTransformOf(const Value& v);
// A Matrix-like object (pixels) as a transform in twips; false when m is no object.
bool matrixOf(Vm& vm, const Value& m, QTransform& out);

// A class under flash.geom: constructor, prototype with its constructor.
Object* defineGeomClass(Vm& vm, Object* geom, const char* name, NativeFunction call,
                        NativeFunction construct = nullptr);
// The player's flash.geom members show in for..in (the constructor does not).
void member(Vm& vm, Object* proto, const char* name, NativeFunction fn);
// A getter (and setter) on a prototype.
void accessor(Vm& vm, Object* proto, const char* name, NativeFunction getter,
              NativeFunction setter = nullptr, std::uint16_t flags = 0);

void installPoint(Vm& vm, Object* geom);
void installRectangle(Vm& vm, Object* geom);
void installMatrix(Vm& vm, Object* geom);
void installColorTransform(Vm& vm, Object* geom);
void installTransform(Vm& vm, Object* geom);

} // namespace reelcase::swf::avm1::builtins::geometry
