#pragma once

#include "swf/script/vm.h"
#include "swf/text/rich_text.h"

namespace reelcase::swf::avm1::builtins {

// A script's TextFormat: each property set or null.
class TextFormatObject : public Object {
public:
    using Object::Object;
    FormatPatch format;
    QString display = QStringLiteral("block");
};

// A new TextFormat holding format.
Object* newTextFormat(Vm& vm, const FormatPatch& format);
// The format a value holds; null when it is no TextFormat.
const FormatPatch* formatOf(const Value& value);

// Adds an accessor pair of native functions to proto (enumerable, as the player's own are).
void addAccessor(Vm& vm, Object* proto, const QString& name, NativeFunction get,
                 NativeFunction set);

} // namespace reelcase::swf::avm1::builtins
