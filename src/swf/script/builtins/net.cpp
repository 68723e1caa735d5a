#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/data_load.h"
#include "swf/script/builtins/value_copy.h"
#include "swf/script/builtins/xml_node.h"

namespace reelcase::swf::avm1::builtins {
namespace {

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

// XMLSocket: this player opens no sockets, so a connection is refused at once (as a
// player refuses one its security rules forbid) and no handler is ever called.
Value socketConnect(Vm&, const Value&, Args) {
    return false;
}

// The player's own onData: the text as an XML document, to onXML.
Value socketOnData(Vm& vm, const Value& self, Args args) {
    const Value xml = vm.construct(vm.getMember(Value(vm.global), QStringLiteral("XML")),
                                   args.first(std::min<std::size_t>(args.size(), 1)));
    vm.callMethod(self, QStringLiteral("onXML"), std::span<const Value>(&xml, 1));
    return Undefined{};
}

// LocalConnection: connections and messages within this movie. The registry is the
// VM's, so nothing is shared with other processes or other players.
QString connectionName(Vm& vm, Object* o) {
    for (auto it = vm.localConnections.cbegin(); it != vm.localConnections.cend(); ++it)
        if (it.value() == o)
            return it.key();
    return {};
}

Value lcConnect(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    const auto* name = args.empty() ? nullptr : std::get_if<QString>(&args[0]);
    if (!o || !name || name->isEmpty() || !connectionName(vm, o).isEmpty())
        return false;
    const QString key = name->toLower(); // names are not case-sensitive
    if (vm.localConnections.contains(key))
        return false;
    vm.localConnections.insert(key, o);
    return true;
}

Value lcClose(Vm& vm, const Value& self, Args) {
    if (Object* o = objectOf(self))
        if (const QString name = connectionName(vm, o); !name.isEmpty())
            vm.localConnections.remove(name);
    return Undefined{};
}

Value lcDomain(Vm&, const Value&, Args) {
    return QStringLiteral("localhost"); // a movie played from a file
}

// A message on its way: delivered once the running scripts end, then the sender hears
// whether anyone took it.
class PendingMessage : public PendingTask {
public:
    using PendingTask::PendingTask;
    void markChildren(Heap& heap) override {
        PendingTask::markChildren(heap);
        heap.mark(sender);
        for (const Value& v : args)
            heap.mark(v);
    }
    void run(Vm& vm) override {
        try {
            Object* receiver = vm.localConnections.value(name.toLower());
            if (receiver)
                vm.callMethod(Value(receiver), method, args);
            Object* info = vm.newObject();
            info->put(QStringLiteral("level"),
                      receiver ? QStringLiteral("status") : QStringLiteral("error"));
            const Value status(info);
            vm.callIfPresent(sender, QStringLiteral("onStatus"),
                             std::span<const Value>(&status, 1));
        } catch (ScriptThrow&) {
        } catch (ScriptAbort&) {
        }
    }
    Object* sender = nullptr;
    QString name, method;
    std::vector<Value> args;
};

Value lcSend(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    const auto* name = args.size() < 2 ? nullptr : std::get_if<QString>(&args[0]);
    const auto* method = args.size() < 2 ? nullptr : std::get_if<QString>(&args[1]);
    if (!o || !name || !method || method->isEmpty())
        return false;
    // The object's own methods cannot be called from outside.
    for (const char* reserved :
         {"send", "connect", "close", "allowDomain", "allowInsecureDomain", "domain", "onStatus"})
        if (method->compare(QLatin1String(reserved), Qt::CaseInsensitive) == 0)
            return false;
    auto* message = vm.heap().make<PendingMessage>(nullptr);
    message->sender = o;
    message->name = *name;
    message->method = *method;
    // Arguments travel as serialized copies.
    for (std::size_t i = 2; i < args.size(); ++i)
        message->args.push_back(copyAsSerialized(vm, args[i]));
    queueTask(vm, message);
    return true;
}

} // namespace

void installNetObjects(Vm& vm) {
    Object* socket = vm.newObject();
    vm.defineClass(QStringLiteral("XMLSocket"), nothing, nullptr, socket);
    vm.method(socket, QStringLiteral("connect"), socketConnect);
    vm.method(socket, QStringLiteral("send"), nothing);
    vm.method(socket, QStringLiteral("close"), nothing);
    vm.method(socket, QStringLiteral("onData"), socketOnData);

    if (vm.version() < 6)
        return;
    Object* lc = vm.newObject();
    vm.defineClass(QStringLiteral("LocalConnection"), nothing, nullptr, lc);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"connect", lcConnect}, {"send", lcSend}, {"close", lcClose}, {"domain", lcDomain}};
    for (const auto& [name, fn] : methods)
        vm.method(lc, QLatin1String(name), fn);
    for (Property& p : lc->properties())
        if (p.name != QLatin1String("constructor"))
            p.flags |= DontDelete;
}

} // namespace reelcase::swf::avm1::builtins
