#include "swf/script/builtins/amf0.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/script_host.h"

namespace reelcase::swf::avm1::builtins {
namespace {

// What one stored object may take; a larger one is not written (the player would ask
// the user for more room; this one keeps it for the session only).
constexpr qsizetype kMaxStoredBytes = 100 * 1024;

// The player refuses names with these characters (and an empty one).
bool validName(const QString& name) {
    static const QString refused = QStringLiteral("~%&\\;:\"',<>?# ");
    return !name.isEmpty() &&
           std::none_of(name.begin(), name.end(), [](QChar c) { return refused.contains(c); });
}

// The key the object is kept under: its local path and name.
QString storedName(Vm& vm, Object* so) {
    for (auto it = vm.sharedObjects.cbegin(); it != vm.sharedObjects.cend(); ++it)
        if (it.value() == so)
            return it.key();
    return {};
}

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

Value getLocal(Vm& vm, const Value&, Args args) {
    const QString name = vm.toString(arg(args, 0));
    if (!validName(name))
        return Null{};
    QString path = isVoid(arg(args, 1)) ? QString() : vm.toString(args[1]);
    if (path.contains(QLatin1String("..")))
        return Null{};
    const QString key =
        path.section(QLatin1Char('/'), 0, -1, QString::SectionSkipEmpty) + QLatin1Char('/') + name;
    if (Object* known = vm.sharedObjects.value(key))
        return known;
    Object* proto =
        objectOf(vm.getMember(vm.getMember(Value(vm.global), QStringLiteral("SharedObject")),
                              QStringLiteral("prototype")));
    Object* so = vm.heap().make<Object>(proto ? proto : vm.protos.object);
    Object* data = vm.newObject();
    so->put(QStringLiteral("data"), data, DontDelete);
    vm.sharedObjects.insert(key, so);
    if (ScriptHost* host = vm.host())
        if (auto file = host->readStoredObject(key); file && file->size() <= kMaxStoredBytes)
            decodeStoredObject(vm, *file, data);
    return so;
}

Value flush(Vm& vm, const Value& self, Args) {
    Object* so = objectOf(self);
    Object* data = objectOf(vm.getMember(self, QStringLiteral("data")));
    const QString key = so ? storedName(vm, so) : QString();
    if (key.isEmpty() || !data)
        return false;
    const QByteArray file = encodeStoredObject(vm, key.section(QLatin1Char('/'), -1), data);
    if (file.size() > kMaxStoredBytes)
        return false;
    ScriptHost* host = vm.host();
    if (host)
        host->writeStoredObject(key, file);
    return true; // kept for this session at least
}

Value getSize(Vm& vm, const Value& self, Args) {
    Object* so = objectOf(self);
    Object* data = objectOf(vm.getMember(self, QStringLiteral("data")));
    if (!so || !data)
        return 0.0;
    if (std::none_of(data->properties().begin(), data->properties().end(),
                     [](const Property& p) { return !(p.flags & DontEnum); }))
        return 0.0;
    const QString key = storedName(vm, so);
    return double(encodeStoredObject(vm, key.section(QLatin1Char('/'), -1), data).size());
}

Value clear(Vm& vm, const Value& self, Args) {
    if (Object* data = objectOf(vm.getMember(self, QStringLiteral("data"))))
        data->removeIf([](const Property& p) { return !(p.flags & DontDelete); });
    return Undefined{};
}

} // namespace

void installSharedObject(Vm& vm) {
    Object* proto = vm.newObject();
    FunctionObject* cls = vm.defineClass(QStringLiteral("SharedObject"), nothing, nullptr, proto);
    vm.method(cls, QStringLiteral("getLocal"), getLocal);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"flush", flush},     {"getSize", getSize}, {"clear", clear},   {"close", nothing},
        {"connect", nothing}, {"send", nothing},    {"setFps", nothing}};
    for (const auto& [name, fn] : methods)
        vm.method(proto, QLatin1String(name), fn);
}

} // namespace reelcase::swf::avm1::builtins
