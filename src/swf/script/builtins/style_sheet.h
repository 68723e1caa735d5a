#pragma once

#include "swf/script/vm.h"
#include "swf/text/rich_text.h"

#include <optional>

namespace reelcase::swf::avm1::builtins {

// A style object ({fontSize: "12px", color: "#ff0000"} ...) as a text format, the way the
// player reads CSS values: display is "block", "inline" or "none".
FormatPatch styleFormat(Vm& vm, const Value& style, QString* display = nullptr);
// A style sheet's object (its own or a subclass's).
bool isStyleSheet(const Value& value);
// The styles of a TextField.StyleSheet for its field's HTML; nothing when value is none.
std::optional<HtmlStyles> styleSheetStyles(Vm& vm, const Value& value);

} // namespace reelcase::swf::avm1::builtins
