#include "swf/script/builtins/data_load.h"

#include "swf/script/builtins/builtins.h"
#include "swf/script/script_host.h"

#include <QSet>
#include <QStringDecoder>

namespace reelcase::swf::avm1::builtins {
namespace {

// A text file larger than this is refused, as a missing one is.
constexpr qsizetype kMaxTextBytes = 16 * 1024 * 1024;

// A load on its way: the file, and whom it is for.
class PendingLoad : public PendingTask {
public:
    using PendingTask::PendingTask;
    void run(Vm& vm) override;
    void markChildren(Heap& heap) override {
        Object::markChildren(heap);
        heap.mark(target);
    }
    Object* target = nullptr;
    QString url;
    bool variables = false; // into a clip, rather than to onData
};

void queue(Vm& vm, Object* target, const QString& url, bool variables) {
    auto* load = vm.heap().make<PendingLoad>(nullptr);
    load->target = target;
    load->url = url;
    load->variables = variables;
    queueTask(vm, load);
}

// Bytes 0x80 to 0x9F of Windows-1252 (0 where it has no character).
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString fromWindows1252(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const char16_t mapped = b >= 0x80 && b < 0xA0 ? kWindows1252[b - 0x80] : 0;
        out[i] = QChar(mapped ? mapped : char16_t(b));
    }
    return out;
}

// UTF-8 with a leading byte-order mark kept as a character.
QString utf8Text(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8(bytes);
}

// A file's text: a byte-order mark decides; else UTF-8, or the system code page for
// movies before SWF 6 and movies that ask for it (System.useCodepage).
QString decodeText(Vm& vm, QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes[0] == '\xFF';
        QString out;
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes[little ? i : i + 1]);
            const auto hi = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
            out += QChar(char16_t(hi << 8 | lo));
        }
        return out;
    }
    const Value system = vm.getMember(Value(vm.global), QStringLiteral("System"));
    const bool codepage =
        objectOf(system) && vm.toBoolean(vm.getMember(system, QStringLiteral("useCodepage")));
    if (vm.version() < 6 || codepage)
        return fromWindows1252(bytes);
    return QString::fromUtf8(bytes);
}

// %XX and + undone; the bytes %XX gives are read as UTF-8 (as code page text before
// SWF 6).
QString urlDecode(Vm& vm, QStringView text) {
    QString out;
    QByteArray bytes;
    const auto flush = [&] {
        if (!bytes.isEmpty())
            out += vm.version() < 6 ? fromWindows1252(bytes) : utf8Text(bytes);
        bytes.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') && i + 2 < text.size()) {
            bool ok = false;
            const int b = text.mid(i + 1, 2).toString().toInt(&ok, 16);
            if (ok) {
                bytes += static_cast<char>(b);
                i += 2;
                continue;
            }
        }
        flush();
        out += text[i] == QLatin1Char('+') ? QChar(u' ') : text[i];
    }
    flush();
    return out;
}

void setLoadedBytes(Object& o, const Value& loaded, const Value& total) {
    o.put(QStringLiteral("_bytesLoaded"), loaded, DontEnum | DontDelete);
    o.put(QStringLiteral("_bytesTotal"), total, DontEnum | DontDelete);
}

} // namespace

void PendingLoad::run(Vm& vm) {
    ScriptHost* host = vm.host();
    // A query means nothing to a file beside the movie.
    const QString path = url.section(QLatin1Char('?'), 0, 0);
    std::optional<QByteArray> bytes = host ? host->loadFile(path) : std::nullopt;
    // An empty file counts as none, as in the player.
    if (bytes && (bytes->isEmpty() || bytes->size() > kMaxTextBytes))
        bytes.reset();
    try {
        if (variables) {
            if (bytes)
                decodeVariables(vm, Value(target), decodeText(vm, *bytes));
            return;
        }
        Value text = Undefined{};
        if (bytes) {
            setLoadedBytes(*target, double(bytes->size()), double(bytes->size()));
            text = vm.makeString(decodeText(vm, *bytes));
        }
        vm.callMethod(Value(target), QStringLiteral("onData"), std::span<const Value>(&text, 1));
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
}

Value loadMethod(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o || args.empty())
        return false;
    requestDataLoad(vm, o, vm.toString(args[0]));
    return true;
}

namespace {

Value sendAndLoad(Vm& vm, const Value& self, Args args) {
    Object* target = objectOf(arg(args, 1));
    if (!objectOf(self) || args.empty() || !target)
        return false;
    requestDataLoad(vm, target, vm.toString(args[0]));
    return true;
}

// Sending goes to the host as a request to open the address with the data on it; the
// host decides.
Value send(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o || args.empty())
        return false;
    const QString data = vm.toString(vm.callMethod(self, QStringLiteral("toString"), {}));
    QString url = vm.toString(args[0]);
    if (!data.isEmpty())
        url += (url.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) + data;
    if (ScriptHost* host = vm.host())
        host->openUrl(url, isVoid(arg(args, 1)) ? QString() : vm.toString(args[1]), false);
    return true;
}

Value getBytesLoaded(Vm& vm, const Value& self, Args) {
    return vm.getMember(self, QStringLiteral("_bytesLoaded"));
}

Value nothing(Vm&, const Value&, Args) {
    return Undefined{};
}

Value getBytesTotal(Vm& vm, const Value& self, Args) {
    return vm.getMember(self, QStringLiteral("_bytesTotal"));
}

} // namespace

void installLoadMethods(Vm& vm, Object* prototype) {
    const std::pair<const char*, NativeFunction> methods[] = {{"addRequestHeader", nothing},
                                                              {"onLoad", nothing},
                                                              {"load", loadMethod},
                                                              {"send", send},
                                                              {"sendAndLoad", sendAndLoad},
                                                              {"getBytesLoaded", getBytesLoaded},
                                                              {"getBytesTotal", getBytesTotal}};
    for (const auto& [name, fn] : methods)
        vm.method(prototype, QLatin1String(name), fn);
    prototype->put(QStringLiteral("contentType"),
                   QStringLiteral("application/x-www-form-urlencoded"), DontEnum);
}

void queueTask(Vm& vm, PendingTask* task) {
    vm.pendingLoads.push_back(task);
}

void requestDataLoad(Vm& vm, Object* target, const QString& url) {
    setLoadedBytes(*target, 0.0, Undefined{});
    vm.setMember(Value(target), QStringLiteral("loaded"), false);
    queue(vm, target, url, false);
}

void requestVariablesLoad(Vm& vm, Object* clip, const QString& url) {
    queue(vm, clip, url, true);
}

Value clipLoadVariables(Vm& vm, const Value& self, Args args) {
    if (Object* clip = objectOf(self); clip && clip->kind() == Kind::Clip && !args.empty())
        requestVariablesLoad(vm, clip, vm.toString(args[0]));
    return Undefined{};
}

void deliverLoads(Vm& vm) {
    // A load a handler asks for here is delivered in the same round, up to a point.
    // Tasks wait in the list (a root) until their turn, so handlers may collect.
    for (int round = 0; round < 16 && !vm.pendingLoads.empty(); ++round)
        for (std::size_t n = vm.pendingLoads.size(); n > 0 && !vm.pendingLoads.empty(); --n) {
            Object* o = vm.pendingLoads.front();
            vm.pendingLoads.erase(vm.pendingLoads.begin());
            if (auto* task = dynamic_cast<PendingTask*>(o)) {
                Vm::RootGuard guard(vm, Value(task));
                task->run(vm);
            }
        }
}

void decodeVariables(Vm& vm, const Value& target, const QString& text) {
    for (QStringView pair : QStringView(text).split(QLatin1Char('&'))) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString name = urlDecode(vm, eq < 0 ? pair : pair.left(eq));
        if (name.isEmpty())
            continue;
        vm.setMember(target, name, eq < 0 ? QString() : urlDecode(vm, pair.mid(eq + 1)));
    }
}

QString encodeVariables(Vm& vm, Object* object) {
    // In for..in order: own members the last added first, then the prototypes'.
    QStringList names;
    QSet<QString> seen;
    int links = 0;
    for (Object* p = object; p && links < 256; p = p->proto, ++links)
        for (auto it = p->properties().rbegin(); it != p->properties().rend(); ++it) {
            const QString k = vm.key(it->name);
            if (seen.contains(k))
                continue;
            seen.insert(k);
            if (!(it->flags & DontEnum))
                names << it->name;
        }
    // Getters run here, so the names are taken first. The player encodes with the
    // script-visible escape(), so a movie that replaces it changes this too.
    const Value escape = vm.getMember(Value(vm.global), QStringLiteral("escape"));
    const auto encode = [&](const Value& v) {
        return vm.toString(vm.call(escape, Value(vm.global), std::span<const Value>(&v, 1)));
    };
    QStringList parts;
    for (const QString& name : names)
        parts << encode(name) + QLatin1Char('=') + encode(vm.getMember(Value(object), name));
    return vm.makeString(parts.join(QLatin1Char('&')));
}

} // namespace reelcase::swf::avm1::builtins
