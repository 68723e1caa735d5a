#include "swf/script/text_field.h"
#include "swf/display/timeline_instance.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/selection.h"
#include "swf/script/builtins/text_format.h"

#include <cmath>
#include <utility>

namespace reelcase::swf::avm1::builtins {
namespace {

TextFieldObject* fieldOf(const Value& v) {
    Object* o = objectOf(v);
    return o && o->kind() == Kind::TextField ? static_cast<TextFieldObject*>(o) : nullptr;
}

template <std::size_t I> Value getProperty(Vm& vm, const Value& self, Args) {
    TextFieldObject* f = fieldOf(self);
    return f ? textFieldProperties()[I].get(vm, *f) : Value(Undefined{});
}

template <std::size_t I> Value setProperty(Vm& vm, const Value& self, Args args) {
    if (TextFieldObject* f = fieldOf(self))
        textFieldProperties()[I].set(vm, *f, arg(args, 0));
    return Undefined{};
}

template <std::size_t... I>
void installProperties(Vm& vm, Object* proto, std::index_sequence<I...>) {
    auto one = [&](std::size_t i, NativeFunction get, NativeFunction set) {
        const TextFieldProperty& p = textFieldProperties()[i];
        if (vm.version() >= p.since)
            addAccessor(vm, proto, QLatin1String(p.name), get, set);
        else
            proto->put(QLatin1String(p.name), Undefined{});
    };
    (one(I, getProperty<I>, setProperty<I>), ...);
}

constexpr std::size_t propertyCount = 35;

// A character index from a script, clamped to the text.
int index(Vm& vm, const Value& v, int size) {
    const double d = vm.toNumber(v);
    if (std::isnan(d))
        return 0;
    return static_cast<int>(std::clamp(d, 0.0, static_cast<double>(size)));
}

Value getTextFormat(Vm& vm, const Value& self, Args args) {
    TextFieldObject* f = fieldOf(self);
    if (!f)
        return Undefined{};
    const int size = f->rich.size();
    int begin = 0, end = size;
    if (!args.empty() && !isVoid(args[0])) {
        begin = index(vm, args[0], size);
        end = args.size() > 1 && !isVoid(args[1]) ? index(vm, args[1], size) : begin + 1;
    }
    // An empty range has no format: every property null.
    return newTextFormat(vm, end > begin ? f->rich.commonFormat(begin, end) : FormatPatch{});
}

Value setTextFormat(Vm& vm, const Value& self, Args args) {
    TextFieldObject* f = fieldOf(self);
    const FormatPatch* patch = args.empty() ? nullptr : formatOf(args.back());
    if (!f || !patch)
        return Undefined{};
    const int size = f->rich.size();
    int begin = 0, end = size;
    if (args.size() >= 2) {
        begin = index(vm, args[0], size);
        end = args.size() >= 3 ? index(vm, args[1], size) : begin + 1;
    }
    if (end > begin)
        f->rich.applyFormat(begin, end, *patch);
    f->changed(vm, false);
    return Undefined{};
}

Value getNewTextFormat(Vm& vm, const Value& self, Args) {
    TextFieldObject* f = fieldOf(self);
    return f ? Value(newTextFormat(vm, FormatPatch::from(f->newFormat))) : Value(Undefined{});
}

Value setNewTextFormat(Vm&, const Value& self, Args args) {
    TextFieldObject* f = fieldOf(self);
    const FormatPatch* patch = formatOf(arg(args, 0));
    if (f && patch)
        patch->applyTo(f->newFormat, true);
    return Undefined{};
}

Value replaceSel(Vm& vm, const Value& self, Args args) {
    TextFieldObject* f = fieldOf(self);
    if (!f || args.empty())
        return Undefined{};
    const int begin = std::min(f->selectionBegin, f->selectionEnd);
    const int end = std::max(f->selectionBegin, f->selectionEnd);
    f->replace(vm, begin, end, vm.toString(args[0]), f->newFormat);
    return Undefined{};
}

Value replaceText(Vm& vm, const Value& self, Args args) {
    TextFieldObject* f = fieldOf(self);
    if (!f || args.size() < 3)
        return Undefined{};
    const int size = f->rich.size();
    const int begin = index(vm, args[0], size), end = index(vm, args[1], size);
    if (end < begin)
        return Undefined{};
    const auto at = f->rich.formatAt(begin);
    f->replace(vm, begin, end, vm.toString(args[2]), at ? *at : f->newFormat);
    return Undefined{};
}

// Only fields at script depths (0 and up) go; those the timeline placed stay.
Value removeTextField(Vm&, const Value& self, Args) {
    TextFieldObject* f = fieldOf(self);
    TimelineInstance* parent = nullptr;
    if (!f || !f->entry(&parent) || !parent)
        return Undefined{};
    const int depth = f->lastDepth; // entry() just confirmed it
    if (depth >= 16384 && depth < 16384 + 1048576 + 16384)
        parent->removeAt(depth);
    return Undefined{};
}

} // namespace

void installTextField(Vm& vm) {
    Object* proto = vm.protos.textField;
    if (!proto)
        return;
    Q_ASSERT(textFieldProperties().size() == propertyCount);
    if (vm.version() >= 6)
        installProperties(vm, proto, std::make_index_sequence<propertyCount>());
    const std::pair<const char*, NativeFunction> methods[] = {
        {"replaceSel", replaceSel},
        {"getTextFormat", getTextFormat},
        {"setTextFormat", setTextFormat},
        {"getNewTextFormat", getNewTextFormat},
        {"setNewTextFormat", setNewTextFormat},
        {"replaceText", replaceText},
        {"removeTextField", removeTextField},
    };
    for (const auto& [name, fn] : methods)
        vm.method(proto, QLatin1String(name), fn);
    installSelection(vm);
}

void initTextField(Vm& vm, TextFieldObject& field, const EditText& def) {
    field.initFrom(def);
    makeBroadcaster(vm, &field);
    // A field hears its own events first.
    field.put(QStringLiteral("_listeners"), vm.newArray({Value(&field)}), DontEnum);
    try {
        field.pullVariable(vm);
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
}

} // namespace reelcase::swf::avm1::builtins
