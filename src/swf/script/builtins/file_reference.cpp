#include "swf/script/builtins/builtins.h"

// flash.net.FileReference and FileReferenceList. Choosing files asks a person, which a
// player without a window cannot do: browse() answers true and the listeners then hear
// onCancel, as when the person closes the dialog.
namespace reelcase::swf::avm1::builtins {
namespace {

// Each instance broadcasts to its own listeners.
Value construct(Vm& vm, const Value& self, Args) {
    if (Object* o = objectOf(self))
        makeBroadcaster(vm, o);
    return Undefined{};
}

Value browse(Vm& vm, const Value& self, Args) {
    if (!objectOf(self))
        return false;
    // Heard once the running script is done, as the dialog's answer would be.
    if (vm.deferredBroadcasts.size() < 1000)
        vm.deferredBroadcasts.push_back({self, QStringLiteral("onCancel"), self});
    return true;
}

FunctionObject* fileClass(Vm& vm, Object* package, const QString& name) {
    Object* proto = vm.newObject();
    FunctionObject* ctor = vm.defineClass(QString(), construct, nullptr, proto);
    package->put(name, ctor, DontEnum);
    vm.method(proto, QStringLiteral("browse"), browse);
    return ctor;
}

} // namespace

void installFileReference(Vm& vm) {
    if (vm.version() < 8)
        return;
    Object* flash = objectOf(vm.getMember(Value(vm.global), QStringLiteral("flash")));
    if (!flash) {
        flash = vm.newObject();
        vm.global->put(QStringLiteral("flash"), flash, DontEnum);
    }
    Object* net = objectOf(vm.getMember(Value(flash), QStringLiteral("net")));
    if (!net) {
        net = vm.newObject();
        flash->put(QStringLiteral("net"), net, DontEnum);
    }
    fileClass(vm, net, QStringLiteral("FileReferenceList"));
    FunctionObject* file = fileClass(vm, net, QStringLiteral("FileReference"));
    Object* proto = objectOf(vm.getMember(Value(file), QStringLiteral("prototype")));
    for (const char* name : {"upload", "download"})
        vm.method(proto, QLatin1String(name), returnFalse);
    vm.method(proto, QStringLiteral("cancel"), returnUndefined);
}

// PrintJob: no printer is ever chosen, so start() fails and the page sizes read 0.
void installPrintJob(Vm& vm) {
    Object* proto = vm.newObject();
    vm.defineClass(QStringLiteral("PrintJob"), returnUndefined, nullptr, proto);
    for (const char* name : {"start", "addPage"})
        vm.method(proto, QLatin1String(name), returnFalse);
    vm.method(proto, QStringLiteral("send"), returnUndefined);
    for (const char* name :
         {"paperHeight", "paperWidth", "pageHeight", "pageWidth", "orientation"}) {
        Property& p = proto->put(QLatin1String(name), Undefined{});
        p.getter = vm.newNative(returnZero);
    }
}

} // namespace reelcase::swf::avm1::builtins
