#include "swf/script/builtins/builtins.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"

namespace reelcase::swf::avm1::builtins {
namespace {

Value addListener(Vm& vm, const Value& self, Args args) {
    Object* list = objectOf(vm.getMember(self, QStringLiteral("_listeners")));
    if (!list || args.empty())
        return false;
    for (const Value& v : arrayElements(vm, list))
        if (vm.strictEquals(v, args[0]))
            return true;
    const Value item = args[0];
    vm.callMethod(Value(list), QStringLiteral("push"), std::span<const Value>(&item, 1));
    return true;
}

Value removeListener(Vm& vm, const Value& self, Args args) {
    Object* list = objectOf(vm.getMember(self, QStringLiteral("_listeners")));
    if (!list || args.empty())
        return false;
    std::vector<Value> items = arrayElements(vm, list);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (vm.strictEquals(items[i], args[0])) {
            const Value spliceArgs[] = {static_cast<double>(i), 1.0};
            vm.callMethod(Value(list), QStringLiteral("splice"), spliceArgs);
            return true;
        }
    return false;
}

Value broadcastMessage(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o || args.empty())
        return Undefined{};
    broadcast(vm, o, vm.toString(args[0]), args.subspan(1));
    return Undefined{};
}

Value initialize(Vm& vm, const Value&, Args args) {
    if (Object* o = objectOf(arg(args, 0)))
        makeBroadcaster(vm, o);
    return Undefined{};
}

Value keyIsDown(Vm& vm, const Value&, Args args) {
    const int code = toInt32(vm.toNumber(arg(args, 0)));
    const InputState& input = vm.context().input;
    return code > 0 && code < static_cast<int>(input.keysDown.size()) &&
           input.keysDown.test(static_cast<std::size_t>(code));
}

Value keyGetCode(Vm& vm, const Value&, Args) {
    return static_cast<double>(vm.context().input.lastKeyCode);
}

Value keyGetAscii(Vm& vm, const Value&, Args) {
    return static_cast<double>(vm.context().input.lastCharCode);
}

Value stageWidth(Vm& vm, const Value&, Args) {
    return vm.context().movie ? vm.context().movie->stage.width() / 20 : 0.0;
}

Value stageHeight(Vm& vm, const Value&, Args) {
    return vm.context().movie ? vm.context().movie->stage.height() / 20 : 0.0;
}

// The state lives in the accessor's own value slot; the window itself never changes.
Value displayState(Vm&, const Value& self, Args) {
    Object* stage = objectOf(self);
    const Property* p = stage ? stage->find(QStringLiteral("displayState")) : nullptr;
    return p && typeOf(p->value) == TypeString ? p->value : Value(QStringLiteral("normal"));
}

Value setDisplayState(Vm& vm, const Value& self, Args args) {
    Object* stage = objectOf(self);
    Property* p = stage ? stage->find(QStringLiteral("displayState")) : nullptr;
    if (!p)
        return Undefined{};
    const QString asked = vm.toString(arg(args, 0));
    const bool full = asked.compare(QLatin1String("fullScreen"), Qt::CaseInsensitive) == 0;
    if (!full && asked.compare(QLatin1String("normal"), Qt::CaseInsensitive) != 0)
        return Undefined{};
    const QString now = full ? QStringLiteral("fullScreen") : QStringLiteral("normal");
    if (vm.toString(displayState(vm, self, {})) == now)
        return Undefined{};
    p->value = now;
    const Value event[] = {full};
    broadcast(vm, stage, QStringLiteral("onFullScreen"), event);
    return Undefined{};
}

void getter(Vm& vm, Object* on, const QString& name, NativeFunction fn) {
    Property& p = on->put(name, Undefined{}, DontEnum | DontDelete);
    p.getter = vm.newNative(fn);
}

} // namespace

void broadcast(Vm& vm, Object* broadcaster, const QString& name, Args args) {
    for (Object* listener : vm.listeners(broadcaster))
        vm.callIfPresent(listener, name, args);
}

void deliverDeferredBroadcasts(Vm& vm) {
    // Listeners may defer more: those wait for the next frame.
    if (vm.deferredBroadcasts.empty())
        return;
    const std::vector<std::vector<Value>> messages = std::exchange(vm.deferredBroadcasts, {});
    std::vector<Value> all;
    for (const std::vector<Value>& message : messages)
        all.insert(all.end(), message.begin(), message.end());
    Vm::RootGuard guard(vm, vm.newArray(all)); // while listeners run scripts
    for (const std::vector<Value>& message : messages) {
        if (message.empty() || !objectOf(message.front()))
            continue;
        try {
            vm.callMethod(message.front(), QStringLiteral("broadcastMessage"),
                          Args(message).subspan(1));
        } catch (const ScriptAbort&) {
        } catch (const ScriptThrow&) {
        }
    }
}

void makeBroadcaster(Vm& vm, Object* o) {
    Object* as = objectOf(vm.getMember(Value(vm.global), QStringLiteral("AsBroadcaster")));
    o->put(QStringLiteral("_listeners"), vm.newArray(), DontEnum);
    for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
        if (as)
            o->put(QLatin1String(name), vm.getMember(Value(as), QLatin1String(name)), DontEnum);
}

void installMisc(Vm& vm) {
    // A function whose statics do the work; SWF 5 sees neither its prototype nor
    // initialize.
    FunctionObject* as = vm.newNative(returnUndefined);
    vm.global->put(QStringLiteral("AsBroadcaster"), as, DontEnum);
    if (vm.version() >= 6) {
        Object* proto = vm.newObject();
        as->put(QStringLiteral("prototype"), proto, DontEnum | DontDelete);
        proto->put(QStringLiteral("constructor"), as, DontEnum);
        vm.method(as, QStringLiteral("initialize"), initialize);
    }
    vm.method(as, QStringLiteral("addListener"), addListener);
    vm.method(as, QStringLiteral("removeListener"), removeListener);
    vm.method(as, QStringLiteral("broadcastMessage"), broadcastMessage);

    // Input: the player's input state answers; listeners hear events (script_runtime.cpp).
    // Their listeners came with SWF 6; older movies see no addListener.
    for (const char* name : {"Key", "Mouse", "Selection"}) {
        Object* o = vm.newObject();
        vm.global->put(QLatin1String(name), o, DontEnum);
        if (vm.version() >= 6)
            makeBroadcaster(vm, o);
    }
    Object* key = objectOf(vm.getMember(Value(vm.global), QStringLiteral("Key")));
    vm.method(key, QStringLiteral("isDown"), keyIsDown);
    vm.method(key, QStringLiteral("isToggled"), returnFalse);
    vm.method(key, QStringLiteral("getCode"), keyGetCode);
    vm.method(key, QStringLiteral("getAscii"), keyGetAscii);
    const std::pair<const char*, int> keys[] = {
        {"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46}, {"DOWN", 40},
        {"END", 35},      {"ENTER", 13},    {"ESCAPE", 27},  {"HOME", 36},      {"INSERT", 45},
        {"LEFT", 37},     {"PGDN", 34},     {"PGUP", 33},    {"RIGHT", 39},     {"SHIFT", 16},
        {"SPACE", 32},    {"TAB", 9},       {"UP", 38}};
    for (const auto& [name, code] : keys)
        key->put(QLatin1String(name), static_cast<double>(code), DontEnum | DontDelete | ReadOnly);
    Object* mouse = objectOf(vm.getMember(Value(vm.global), QStringLiteral("Mouse")));
    vm.method(mouse, QStringLiteral("show"), returnZero);
    vm.method(mouse, QStringLiteral("hide"), returnZero);

    Object* stage = vm.newObject();
    vm.global->put(QStringLiteral("Stage"), stage, DontEnum);
    makeBroadcaster(vm, stage);
    getter(vm, stage, QStringLiteral("width"), stageWidth);
    getter(vm, stage, QStringLiteral("height"), stageHeight);
    Property& state =
        stage->put(QStringLiteral("displayState"), Undefined{}, DontEnum | DontDelete);
    state.getter = vm.newNative(displayState);
    state.setter = vm.newNative(setDisplayState);
    stage->put(QStringLiteral("scaleMode"), QStringLiteral("showAll"), DontEnum);
    stage->put(QStringLiteral("align"), QString(), DontEnum);
    stage->put(QStringLiteral("showMenu"), true, DontEnum);
}

} // namespace reelcase::swf::avm1::builtins
