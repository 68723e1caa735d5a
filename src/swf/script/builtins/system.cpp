#include "swf/script/builtins/builtins.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script/script_host.h"

namespace reelcase::swf::avm1::builtins {
namespace {

Value getVersion(Vm&, const Value&, Args) {
    return playerVersion();
}

// allowDomain and its kin: true when given a domain at all.
Value allowDomain(Vm&, const Value&, Args args) {
    return !args.empty();
}

Value setClipboard(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return false;
    if (ScriptHost* host = vm.host())
        host->setClipboard(vm.toString(args[0]));
    return true;
}

void capabilities(Vm& vm, Object* system) {
    Object* caps = vm.newObject();
    system->put(QStringLiteral("capabilities"), caps, DontEnum);
    // In the player's own order (for..in shows it backwards).
    const std::pair<const char*, Value> values[] = {
        {"hasAccessibility", true},
        {"pixelAspectRatio", 1.0},
        {"screenColor", QStringLiteral("color")},
        {"screenDPI", 72.0},
        {"screenResolutionY", 768.0},
        {"screenResolutionX", 1024.0},
        {"hasTLS", true},
        {"hasVideoEncoder", true},
        {"hasAudioEncoder", true},
        {"hasMP3", true},
        {"hasAudio", true},
        {"serverString", QStringLiteral("A=t&SA=t&SV=t&EV=t&MP3=t&AE=t&VE=t&ACC=t&PR=t&SP=t&SB=f&"
                                        "DEB=f&V=LNX%2032%2C0%2C0%2C0&M=Reelcase&R=1024x768&"
                                        "COL=color&AR=1.0&OS=Linux&L=en&PT=StandAlone&AVD=f&LFD=f&"
                                        "WD=f&TLS=t&ML=5.1&DP=72")},
        {"version", playerVersion()},
        {"hasStreamingAudio", true},
        {"hasStreamingVideo", true},
        {"hasEmbeddedVideo", true},
        {"hasPrinting", true},
        {"hasScreenPlayback", true},
        {"hasScreenBroadcast", false},
        {"isDebugger", false},
        {"playerType", QStringLiteral("StandAlone")},
        {"avHardwareDisable", false},
        {"localFileReadDisable", false},
        {"windowlessDisable", false},
        {"maxLevelIDC", QStringLiteral("5.1")},
        {"isEmbeddedInAcrobat", false},
        {"manufacturer", QStringLiteral("Reelcase Linux")},
        {"os", QStringLiteral("Linux")},
        {"cpuArchitecture", QStringLiteral("x86")},
        {"cpuAddressSize", 64.0},
        {"language", QStringLiteral("en")},
        {"hasIME", false},
        {"supports32BitProcesses", false},
        {"supports64BitProcesses", true}};
    for (const auto& [name, value] : values)
        caps->put(QLatin1String(name), value);
    caps->put(QStringLiteral("_internal"), 0.0, DontEnum | ReadOnly);
}

void security(Vm& vm, Object* system) {
    Object* security = vm.newObject();
    system->put(QStringLiteral("security"), security, DontEnum);
    for (const char* name : {"allowDomain", "allowInsecureDomain", "loadPolicyFile"})
        vm.method(security, QLatin1String(name), allowDomain);
    for (const char* name : {"chooseLocalSwfPath", "escapeDomain"})
        vm.method(security, QLatin1String(name), returnUndefined);
    const bool network = vm.context().movie && vm.context().movie->useNetwork;
    security->put(QStringLiteral("sandboxType"),
                  network ? QStringLiteral("localWithNetwork") : QStringLiteral("localWithFile"),
                  DontEnum | ReadOnly);
    Object* resolverProto = vm.newObject();
    makeBroadcaster(vm, resolverProto);
    vm.method(resolverProto, QStringLiteral("resolve"), returnUndefined);
    FunctionObject* resolver = vm.newNative(returnUndefined);
    resolver->put(QStringLiteral("prototype"), resolverProto, DontEnum | DontDelete);
    resolverProto->put(QStringLiteral("constructor"), resolver, DontEnum);
    security->put(QStringLiteral("PolicyFileResolver"), resolver, DontEnum);
}

// Input method editors: none here, so every query answers as with no IME.
void inputMethod(Vm& vm, Object* system) {
    Object* ime = vm.newObject();
    system->put(QStringLiteral("IME"), ime, DontEnum);
    makeBroadcaster(vm, ime);
    for (const char* name :
         {"getEnabled", "setEnabled", "setCompositionString", "doConversion", "setConversionMode"})
        vm.method(ime, QLatin1String(name), returnFalse);
    vm.method(ime, QStringLiteral("getConversionMode"),
              [](Vm&, const Value&, Args) -> Value { return QStringLiteral("UNKNOWN"); });
    for (const char* mode :
         {"ALPHANUMERIC_FULL", "ALPHANUMERIC_HALF", "CHINESE", "JAPANESE_HIRAGANA",
          "JAPANESE_KATAKANA_FULL", "JAPANESE_KATAKANA_HALF", "KOREAN", "UNKNOWN"})
        ime->put(QLatin1String(mode), QLatin1String(mode), DontEnum | DontDelete | ReadOnly);
}

// System.Product: a program the player could fetch and start; returnUndefined is ever installed.
void product(Vm& vm, Object* system) {
    Object* proto = vm.newObject();
    for (const char* name : {"isRunning", "isInstalled", "launch", "download", "validate"})
        vm.method(proto, QLatin1String(name), returnFalse);
    vm.method(proto, QStringLiteral("installedVersion"), returnUndefined);
    FunctionObject* ctor = vm.newNative(returnUndefined);
    ctor->put(QStringLiteral("prototype"), proto, DontEnum | DontDelete);
    proto->put(QStringLiteral("constructor"), ctor, DontEnum);
    system->put(QStringLiteral("Product"), ctor, DontEnum);
}

// No screen reader is ever attached.
void accessibility(Vm& vm) {
    Object* a = vm.newObject();
    vm.global->put(QStringLiteral("Accessibility"), a, DontEnum);
    vm.method(a, QStringLiteral("isActive"), returnFalse);
    vm.method(a, QStringLiteral("updateProperties"), returnUndefined);
    vm.method(a, QStringLiteral("sendEvent"), returnUndefined);
}

} // namespace

QString playerVersion() {
    return QStringLiteral("LNX 32,0,0,0");
}

void installSystem(Vm& vm) {
    Object* system = vm.newObject();
    vm.global->put(QStringLiteral("System"), system, DontEnum);
    capabilities(vm, system);
    product(vm, system);
    vm.method(system, QStringLiteral("showSettings"), returnUndefined);
    if (vm.version() >= 6)
        system->put(QStringLiteral("exactSettings"), vm.version() >= 7, DontEnum);
    system->put(QStringLiteral("useCodepage"), false, DontEnum);
    security(vm, system);
    vm.method(system, QStringLiteral("setClipboard"), setClipboard);
    inputMethod(vm, system);
    vm.method(vm.global, QStringLiteral("getVersion"), getVersion);
    accessibility(vm);
}

} // namespace reelcase::swf::avm1::builtins
