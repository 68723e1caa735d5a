#pragma once

#include "swf/script/vm.h"

#include <QByteArray>

#include <optional>

// The player's stored-object file: a header naming the object, then its data's members
// in AMF0 (numbers, booleans, strings, null, undefined, objects, arrays, dates, XML and
// references to objects met before). Functions are not stored, display objects are
// stored as undefined.
namespace reelcase::swf::avm1::builtins {

QByteArray encodeStoredObject(Vm& vm, const QString& name, Object* data);
// The members read back onto data; false (data untouched) when the file is not one.
bool decodeStoredObject(Vm& vm, const QByteArray& file, Object* data);
// The AMF0 values one after another in bytes (an FLV's script data: a name, then its
// argument), up to the first that is broken.
std::vector<Value> decodeAmf0Values(Vm& vm, const QByteArray& bytes);

} // namespace reelcase::swf::avm1::builtins
