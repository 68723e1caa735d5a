// TextSnapshot: the static text of one clip as a string scripts can search.

#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/clip_object.h"
#include "swf/text/text_character.h"

#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

class TextSnapshotObject : public Object {
public:
    using Object::Object;
    std::weak_ptr<TimelineInstance> clip;
};

TextSnapshotObject* snapshotOf(const Value& v) {
    return dynamic_cast<TextSnapshotObject*>(objectOf(v));
}

// The clip's static texts in depth order, run together.
std::optional<QString> textOf(Vm& vm, const Value& self) {
    TextSnapshotObject* s = snapshotOf(self);
    auto clip = s ? s->clip.lock() : nullptr;
    if (!clip || !vm.context().movie)
        return std::nullopt;
    QString text;
    for (const auto& [depth, object] : clip->displayList())
        if (const auto* t = dynamic_cast<const TextCharacter*>(object.character))
            text += t->text(vm.context().movie->dictionary);
    return text;
}

Value getCount(Vm& vm, const Value& self, Args args) {
    const auto text = textOf(vm, self);
    return text && args.empty() ? Value(static_cast<double>(text->size())) : Value(Undefined{});
}

Value findText(Vm& vm, const Value& self, Args args) {
    const auto text = textOf(vm, self);
    if (!text || args.size() != 3)
        return Undefined{};
    const double start = vm.toNumber(args[0]);
    const QString wanted = vm.toString(args[1]);
    const bool caseSensitive = vm.toBoolean(args[2]);
    if (!(start >= 0) || start > text->size() || wanted.isEmpty())
        return -1.0;
    const qsizetype at = text->indexOf(wanted, static_cast<qsizetype>(start),
                                       caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    return static_cast<double>(at);
}

// getText(from, to[, includeLineEndings]): the characters from..to, to included.
Value getText(Vm& vm, const Value& self, Args args) {
    const auto text = textOf(vm, self);
    if (!text || args.size() < 2 || args.size() > 3)
        return Undefined{};
    const double size = static_cast<double>(text->size());
    const double from = std::clamp(std::floor(vm.toNumber(args[0])), 0.0, size);
    const double to = std::clamp(std::floor(vm.toNumber(args[1])), from, size - 1);
    if (std::isnan(from) || std::isnan(to) || size == 0)
        return QString();
    return text->mid(static_cast<qsizetype>(from), static_cast<qsizetype>(to - from + 1));
}

// getSelected(from, to): nothing is ever selected.
Value nothingSelected(Vm& vm, const Value& self, Args args) {
    return textOf(vm, self) && args.size() == 2 ? Value(false) : Value(Undefined{});
}

// getSelectedText([includeLineEndings])
Value noSelectedText(Vm& vm, const Value& self, Args args) {
    return textOf(vm, self) && args.size() <= 1 ? Value(QString()) : Value(Undefined{});
}

// hitTestTextNearPos(x, y[, distance])
Value noHit(Vm& vm, const Value& self, Args args) {
    return textOf(vm, self) && args.size() >= 2 && args.size() <= 3 ? Value(-1.0)
                                                                    : Value(Undefined{});
}

Value ignored(Vm&, const Value&, Args) {
    return Undefined{};
}

Value runInfo(Vm& vm, const Value& self, Args) {
    return textOf(vm, self) ? Value(vm.newArray()) : Value(Undefined{});
}

Object* prototypeOf(Vm& vm) {
    const Value ctor = vm.getMember(Value(vm.global), QStringLiteral("TextSnapshot"));
    Object* proto = objectOf(vm.getMember(ctor, QStringLiteral("prototype")));
    return proto ? proto : vm.protos.object;
}

Object* newSnapshot(Vm& vm, const Value& clip) {
    auto* s = vm.heap().make<TextSnapshotObject>(prototypeOf(vm));
    if (auto c = vm.clipOf(clip))
        s->clip = c;
    return s;
}

// Only new TextSnapshot(clip), with nothing more, stands for a clip's text.
Value construct(Vm& vm, const Value&, Args args) {
    return newSnapshot(vm, args.size() == 1 ? args[0] : Value(Undefined{}));
}

Value getTextSnapshot(Vm& vm, const Value& self, Args) {
    return vm.clipOf(self) ? Value(newSnapshot(vm, self)) : Value(Undefined{});
}

} // namespace

void installTextSnapshot(Vm& vm) {
    Object* proto = vm.newObject();
    vm.defineClass(QStringLiteral("TextSnapshot"), ignored, construct, proto);
    // The player's own methods enumerate, newest first.
    const std::pair<const char*, NativeFunction> methods[] = {
        {"getCount", getCount},
        {"setSelected", ignored},
        {"getSelected", nothingSelected},
        {"getText", getText},
        {"getSelectedText", noSelectedText},
        {"hitTestTextNearPos", noHit},
        {"findText", findText},
        {"setSelectColor", ignored},
        {"getTextRunInfo", runInfo},
    };
    for (const auto& [name, fn] : methods)
        proto->put(QLatin1String(name), vm.newNative(fn));
    if (vm.protos.movieClip)
        vm.method(vm.protos.movieClip, QStringLiteral("getTextSnapshot"), getTextSnapshot);
}

} // namespace reelcase::swf::avm1::builtins
