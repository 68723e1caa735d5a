// ContextMenu and ContextMenuItem: what a movie adds to the player's right-click menu.
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/input.h"

namespace reelcase::swf::avm1::builtins {
namespace {

// The player's own items; scripts enumerate them in this order (for..in lists the newest
// first, so they are put last to first).
const char* const builtInNames[] = {"save", "zoom",   "quality",      "play",
                                    "loop", "rewind", "forward_back", "print"};

void setBuiltIns(Object* items, bool shown) {
    for (auto it = std::rbegin(builtInNames); it != std::rend(builtInNames); ++it)
        items->put(QLatin1String(*it), shown);
}

Value contextMenu(Vm& vm, const Value& self, Args args) {
    Object* menu = objectOf(self);
    if (!menu)
        return Undefined{};
    Object* builtIns = vm.newObject();
    setBuiltIns(builtIns, true);
    menu->put(QStringLiteral("onSelect"), arg(args, 0));
    menu->put(QStringLiteral("customItems"), vm.newArray());
    menu->put(QStringLiteral("builtInItems"), builtIns);
    return Undefined{};
}

Value hideBuiltInItems(Vm& vm, const Value& self, Args) {
    if (Object* items = objectOf(vm.getMember(self, QStringLiteral("builtInItems"))))
        setBuiltIns(items, false);
    return Undefined{};
}

Value copyOf(Vm& vm, const Value& self, const char* className) {
    Object* from = objectOf(self);
    const Value ctor = vm.getMember(Value(vm.global), QLatin1String(className));
    Object* to = objectOf(vm.construct(ctor, {}));
    if (!from || !to)
        return to ? Value(to) : Value(Undefined{});
    for (const Property& p : from->properties())
        to->put(p.name, p.value, p.flags);
    return to;
}

Value copyMenu(Vm& vm, const Value& self, Args) {
    const Value copy = copyOf(vm, self, "ContextMenu");
    Object* to = objectOf(copy);
    if (!to)
        return copy;
    // The copy has lists of its own: items copied, built-in flags copied.
    if (Object* builtIns = objectOf(vm.getMember(self, QStringLiteral("builtInItems")))) {
        Object* mine = vm.newObject();
        for (const Property& p : builtIns->properties())
            mine->put(p.name, p.value, p.flags);
        to->put(QStringLiteral("builtInItems"), mine);
    }
    if (Object* items = objectOf(vm.getMember(self, QStringLiteral("customItems")))) {
        std::vector<Value> copies;
        for (const Value& item : arrayElements(vm, items)) {
            Object* o = objectOf(item);
            copies.push_back(o ? vm.call(vm.getMember(item, QStringLiteral("copy")), item, {})
                               : item);
        }
        to->put(QStringLiteral("customItems"), vm.newArray(copies));
    }
    return copy;
}

Value contextMenuItem(Vm& vm, const Value& self, Args args) {
    Object* item = objectOf(self);
    if (!item)
        return Undefined{};
    auto flag = [&](std::size_t i, bool otherwise) {
        return i < args.size() && !std::holds_alternative<Undefined>(args[i])
                   ? vm.toBoolean(args[i])
                   : otherwise;
    };
    item->put(QStringLiteral("caption"), arg(args, 0));
    item->put(QStringLiteral("onSelect"), arg(args, 1));
    item->put(QStringLiteral("separatorBefore"), flag(2, false));
    item->put(QStringLiteral("enabled"), flag(3, true));
    item->put(QStringLiteral("visible"), flag(4, true));
    return Undefined{};
}

Value copyItem(Vm& vm, const Value& self, Args) {
    return copyOf(vm, self, "ContextMenuItem");
}

} // namespace

void installContextMenu(Vm& vm) {
    Object* menuProto = vm.newObject();
    vm.defineClass(QStringLiteral("ContextMenu"), contextMenu, nullptr, menuProto);
    vm.method(menuProto, QStringLiteral("copy"), copyMenu);
    vm.method(menuProto, QStringLiteral("hideBuiltInItems"), hideBuiltInItems);
    Object* itemProto = vm.newObject();
    vm.defineClass(QStringLiteral("ContextMenuItem"), contextMenuItem, nullptr, itemProto);
    vm.method(itemProto, QStringLiteral("copy"), copyItem);
}

} // namespace reelcase::swf::avm1::builtins
