#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/net_stream.h"

#include <algorithm>
#include <cmath>

// Camera, Microphone, NetConnection, NetStream and Video as a player with no capture
// devices and no media server has them: the objects, their prototypes and settings.
namespace reelcase::swf::avm1::builtins {
namespace {

// A class whose constructor remembers the one device object get() hands out.
class DeviceClass : public FunctionObject {
public:
    using FunctionObject::FunctionObject;
    void markChildren(Heap& heap) override {
        FunctionObject::markChildren(heap);
        heap.mark(device);
    }
    Object* device = nullptr;
    std::vector<std::pair<const char*, Value>> settings; // as get() first shows them
};

Object* prototypeOf(Vm& vm, Object* ctor) {
    return objectOf(vm.getMember(Value(ctor), QStringLiteral("prototype")));
}

// The device's settings appear on the prototype the first time a script asks for the
// device; before that the prototype has only methods.
Value getDevice(Vm& vm, const Value& self, Args) {
    auto* cls = dynamic_cast<DeviceClass*>(objectOf(self));
    if (!cls)
        return Null{};
    Object* proto = prototypeOf(vm, cls);
    if (!cls->device) {
        cls->device = vm.heap().make<Object>(proto);
        if (proto)
            for (const auto& [name, value] : cls->settings)
                if (!proto->find(QLatin1String(name)))
                    proto->put(QLatin1String(name), value, DontDelete);
    }
    return cls->device;
}

DeviceClass* deviceClass(Vm& vm, const QString& name,
                         std::vector<std::pair<const char*, Value>> settings) {
    auto* ctor = vm.heap().make<DeviceClass>(vm.protos.function);
    ctor->native = returnUndefined;
    ctor->settings = std::move(settings);
    Object* proto = vm.newObject();
    ctor->put(QStringLiteral("prototype"), proto, DontEnum | DontDelete);
    proto->put(QStringLiteral("constructor"), ctor, DontEnum);
    vm.global->put(name, ctor, DontEnum);
    vm.method(ctor, QStringLiteral("get"), getDevice);
    ctor->put(QStringLiteral("names"), vm.newArray(), DontEnum);
    return ctor;
}

// Sets a setting on the object's prototype (where get() put it) when the argument is
// given, clamped to [low, high].
void setSetting(Vm& vm, const Value& self, Args args, std::size_t i, const char* name, double low,
                double high) {
    Object* o = objectOf(self);
    if (!o || !o->proto || i >= args.size() || isVoid(args[i]))
        return;
    const double d = vm.toNumber(args[i]);
    if (!std::isnan(d))
        o->proto->put(QLatin1String(name), std::clamp(std::trunc(d), low, high), DontDelete);
}

Value setMotionLevel(Vm& vm, const Value& self, Args args) {
    setSetting(vm, self, args, 0, "motionLevel", 0, 100);
    setSetting(vm, self, args, 1, "motionTimeout", 0, 1e9);
    return Undefined{};
}

Value setQuality(Vm& vm, const Value& self, Args args) {
    setSetting(vm, self, args, 0, "bandwidth", 0, 1e9);
    setSetting(vm, self, args, 1, "quality", 0, 100);
    return Undefined{};
}

Value setGain(Vm& vm, const Value& self, Args args) {
    setSetting(vm, self, args, 0, "gain", 0, 100);
    return Undefined{};
}

Value setRate(Vm& vm, const Value& self, Args args) {
    setSetting(vm, self, args, 0, "rate", 5, 44);
    return Undefined{};
}

Value setSilenceLevel(Vm& vm, const Value& self, Args args) {
    setSetting(vm, self, args, 0, "silenceLevel", 0, 100);
    setSetting(vm, self, args, 1, "silenceTimeout", 0, 1e9);
    return Undefined{};
}

Value setUseEchoSuppression(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (o && o->proto && !args.empty())
        o->proto->put(QStringLiteral("useEchoSuppression"), vm.toBoolean(args[0]), DontDelete);
    return Undefined{};
}

void installCamera(Vm& vm) {
    DeviceClass* camera = deviceClass(vm, QStringLiteral("Camera"),
                                      {{"activityLevel", -1.0},
                                       {"bandwidth", 16384.0},
                                       {"currentFps", -1.0},
                                       {"fps", -1.0},
                                       {"height", -1.0},
                                       {"index", QStringLiteral("0")},
                                       {"keyFrameInterval", 15.0},
                                       {"loopback", false},
                                       {"motionLevel", 50.0},
                                       {"motionTimeout", 2000.0},
                                       {"muted", true},
                                       {"name", QStringLiteral("Camera")},
                                       {"quality", 0.0},
                                       {"width", -1.0}});
    Object* proto = prototypeOf(vm, camera);
    for (const char* name : {"setMode", "setCursor", "setKeyFrameInterval", "setLoopback"})
        vm.method(proto, QLatin1String(name), returnUndefined); // no camera: the mode stays unknown
    vm.method(proto, QStringLiteral("setMotionLevel"), setMotionLevel);
    vm.method(proto, QStringLiteral("setQuality"), setQuality);
}

void installMicrophone(Vm& vm) {
    DeviceClass* microphone = deviceClass(vm, QStringLiteral("Microphone"),
                                          {{"activityLevel", -1.0},
                                           {"gain", 50.0},
                                           {"index", 0.0},
                                           {"muted", true},
                                           {"name", QStringLiteral("Microphone")},
                                           {"rate", 8.0},
                                           {"silenceLevel", 10.0},
                                           {"silenceTimeout", 2000.0},
                                           {"useEchoSuppression", 0.0}});
    Object* proto = prototypeOf(vm, microphone);
    vm.method(proto, QStringLiteral("setGain"), setGain);
    vm.method(proto, QStringLiteral("setRate"), setRate);
    vm.method(proto, QStringLiteral("setSilenceLevel"), setSilenceLevel);
    vm.method(proto, QStringLiteral("setUseEchoSuppression"), setUseEchoSuppression);
}

Value connectionConstruct(Vm& vm, const Value&, Args) {
    Object* proto = vm.protos.object;
    if (Object* ctor = objectOf(vm.getMember(Value(vm.global), QStringLiteral("NetConnection"))))
        proto = prototypeOf(vm, ctor);
    return vm.heap().make<ConnectionObject>(proto);
}

Value connect(Vm& vm, const Value& self, Args args) {
    auto* c = dynamic_cast<ConnectionObject*>(objectOf(self));
    if (!c || args.empty())
        return false;
    c->connected = typeOf(args[0]) == TypeNull ||
                   vm.toString(args[0]).compare(QLatin1String("null"), Qt::CaseInsensitive) == 0;
    return c->connected;
}

Value closeConnection(Vm&, const Value& self, Args) {
    if (auto* c = dynamic_cast<ConnectionObject*>(objectOf(self)))
        c->connected = false;
    return Undefined{};
}

Value isConnected(Vm&, const Value& self, Args) {
    auto* c = dynamic_cast<ConnectionObject*>(objectOf(self));
    return c && c->connected;
}

FunctionObject* mediaClass(Vm& vm, const QString& name, NativeFunction call,
                           NativeFunction construct, std::initializer_list<const char*> methods) {
    Object* proto = vm.newObject();
    FunctionObject* ctor = vm.defineClass(name, call, construct, proto);
    for (const char* m : methods)
        vm.method(proto, QLatin1String(m), returnUndefined);
    return ctor;
}

} // namespace

void installMedia(Vm& vm) {
    installCamera(vm);
    installMicrophone(vm);
    FunctionObject* connection = mediaClass(vm, QStringLiteral("NetConnection"), returnUndefined,
                                            connectionConstruct, {"call", "addHeader"});
    Object* connectionProto = prototypeOf(vm, connection);
    vm.method(connectionProto, QStringLiteral("connect"), connect);
    vm.method(connectionProto, QStringLiteral("close"), closeConnection);
    Property& connected =
        connectionProto->put(QStringLiteral("isConnected"), Undefined{}, DontEnum | DontDelete);
    connected.getter = vm.newNative(isConnected);
    installNetStream(vm);
}

} // namespace reelcase::swf::avm1::builtins
