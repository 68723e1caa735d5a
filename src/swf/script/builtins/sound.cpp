#include "swf/script/builtins/builtins.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/limits.h"
#include "swf/script/clip_object.h"
#include "swf/script/script_host.h"
#include "swf/sound/mp3_file.h"
#include "swf/sound/sound_character.h"
#include "swf/sound/sound_mixer.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace reelcase::swf::avm1::builtins {
namespace {

// A loaded file larger than this is refused (about an hour of 128 kbit/s MP3).
constexpr qsizetype kMaxLoadedBytes = 64 * 1024 * 1024;

// A Sound object: the clip whose sounds it controls (by path, found again on every call,
// as the player does) and the sound it plays.
class SoundObject : public Object {
public:
    using Object::Object;
    Kind kind() const override { return Kind::Sound; }

    bool global = true;                         // no target: the whole movie
    QString targetPath;                         // otherwise the target's path
    std::uint16_t soundId = 0;                  // attachSound
    std::shared_ptr<const SoundSamples> loaded; // loadSound
    double loadedSeconds = 0;                   // its length by the file's frames
    qsizetype loadedBytes = -1;                 // -1: no file
    bool loading = false, streaming = false;
    std::optional<std::vector<std::pair<QString, QString>>> id3Frames; // the file's tag
    int voice = 0;         // the latest voice it started
    double positionMs = 0; // where that voice was when last seen
    Object* id3 = nullptr;

    bool hasSound() const { return soundId != 0 || loaded || loading; }
    void markChildren(Heap& heap) override {
        Object::markChildren(heap);
        heap.mark(id3);
    }
};

SoundObject* soundOf(const Value& self) {
    return dynamic_cast<SoundObject*>(objectOf(self));
}

SoundMixer* mixerOf(Vm& vm) {
    return vm.context().sound;
}

// The clip a path names from the root, through variables as well as children.
std::shared_ptr<TimelineInstance> clipAtPath(Vm& vm, const QString& path) {
    if (!vm.root())
        return nullptr;
    const Value root(vm.clipObject(*vm.root()));
    Value at = root;
    static const QRegularExpression separators(QStringLiteral("[./]"));
    for (const QString& part : path.split(separators, Qt::SkipEmptyParts)) {
        if (part == QLatin1String("_root") || part == QLatin1String("_level0")) {
            at = root;
            continue;
        }
        at = vm.getMember(at, part);
        if (!objectOf(at))
            return nullptr;
    }
    return vm.clipOf(at);
}

// Whose sounds the object controls: 0 for the movie, a clip's display id, or nothing
// when its target is not on the stage now.
std::optional<SoundOwner> ownerOf(Vm& vm, const SoundObject& s) {
    if (s.global)
        return SoundOwner{0};
    const auto clip = clipAtPath(vm, s.targetPath);
    if (!clip)
        return std::nullopt;
    return static_cast<SoundOwner>(clip->id());
}

// Volume and pan arguments as the player reads them: cut to an integer, anything outside
// 32 bits (NaN too) becoming the lowest one; a missing argument is 0.
double integerArgument(Vm& vm, Args args, std::size_t i) {
    if (i >= args.size())
        return 0;
    const double d = vm.toNumber(args[i]);
    if (!(d > -2147483649.0 && d < 2147483648.0))
        return std::numeric_limits<std::int32_t>::min();
    return std::trunc(d);
}

double wrap32(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

Value soundCall(Vm& vm, const Value& self, Args args) {
    SoundObject* s = soundOf(self);
    if (!s)
        return Undefined{};
    const Value target = arg(args, 0);
    if (isVoid(target))
        return Undefined{};
    s->global = false;
    auto clip = vm.clipOf(target);
    if (auto* handle = dynamic_cast<DisplayHandle*>(objectOf(target)); handle && !clip)
        clip = handle->parent.lock(); // a video's sound is its clip's
    s->targetPath = clip ? vm.targetPath(*clip) : vm.toString(target);
    return Undefined{};
}

Value soundConstruct(Vm& vm, const Value&, Args args) {
    auto* s = vm.heap().make<SoundObject>(vm.protos.sound);
    Vm::RootGuard guard(vm, Value(s));
    s->put(QStringLiteral("checkPolicyFile"), false, DontEnum); // each sound's own
    soundCall(vm, Value(s), args);
    return s;
}

SoundTransform transformOf(Vm& vm, const Value& self, SoundOwner* owner) {
    SoundObject* s = soundOf(self);
    SoundMixer* mixer = mixerOf(vm);
    const auto found = s && mixer ? ownerOf(vm, *s) : std::nullopt;
    if (!found) {
        *owner = ~SoundOwner{0};
        return {};
    }
    *owner = *found;
    return mixer->transform(*found);
}

template <class Change> Value changeTransform(Vm& vm, const Value& self, Change change) {
    SoundOwner owner = 0;
    SoundTransform t = transformOf(vm, self, &owner);
    if (owner == ~SoundOwner{0})
        return Undefined{};
    change(t);
    mixerOf(vm)->setTransform(owner, t);
    return Undefined{};
}

Value getVolume(Vm& vm, const Value& self, Args) {
    SoundOwner owner = 0;
    const SoundTransform t = transformOf(vm, self, &owner);
    return owner == ~SoundOwner{0} ? Value(Undefined{}) : Value(t.volume);
}

Value setVolume(Vm& vm, const Value& self, Args args) {
    const double volume = integerArgument(vm, args, 0);
    return changeTransform(vm, self, [&](SoundTransform& t) { t.volume = volume; });
}

// Pan reads the left channel unless it is at full level, then the right one.
Value getPan(Vm& vm, const Value& self, Args) {
    SoundOwner owner = 0;
    const SoundTransform t = transformOf(vm, self, &owner);
    if (owner == ~SoundOwner{0})
        return Undefined{};
    const auto ll = static_cast<std::int64_t>(t.ll), rr = static_cast<std::int64_t>(t.rr);
    return wrap32(ll == 100 ? std::abs(rr) - 100 : 100 - std::abs(ll));
}

Value setPan(Vm& vm, const Value& self, Args args) {
    const auto pan = static_cast<std::int64_t>(integerArgument(vm, args, 0));
    return changeTransform(vm, self, [&](SoundTransform& t) {
        t.ll = pan >= 0 ? wrap32(100 - pan) : 100;
        t.rr = pan >= 0 ? 100 : wrap32(100 + pan);
        t.lr = t.rl = 0;
    });
}

constexpr std::pair<const char*, double SoundTransform::*> kChannels[] = {
    {"ll", &SoundTransform::ll},
    {"lr", &SoundTransform::lr},
    {"rr", &SoundTransform::rr},
    {"rl", &SoundTransform::rl}};

Value getTransform(Vm& vm, const Value& self, Args) {
    SoundOwner owner = 0;
    const SoundTransform t = transformOf(vm, self, &owner);
    if (owner == ~SoundOwner{0})
        return Undefined{};
    Object* o = vm.newObject();
    for (const auto& [name, member] : kChannels)
        o->put(QLatin1String(name), t.*member);
    return o;
}

// Fields the object has itself replace the current ones; others (inherited ones too) stay.
Value setTransform(Vm& vm, const Value& self, Args args) {
    Object* from = objectOf(arg(args, 0));
    if (!from)
        return Undefined{};
    std::vector<std::pair<double SoundTransform::*, double>> given;
    for (const auto& [name, member] : kChannels)
        if (from->find(QLatin1String(name)))
            given.emplace_back(
                member, toInt32(vm.toNumber(vm.getMember(Value(from), QLatin1String(name)))));
    return changeTransform(vm, self, [&](SoundTransform& t) {
        for (const auto& [member, value] : given)
            t.*member = value;
    });
}

// Milliseconds, whole, as the player gives them.
double durationMs(Vm& vm, const SoundObject& s) {
    if (s.loading)
        return 0;
    if (s.loaded)
        return std::round(s.loadedSeconds * 1000);
    SoundMixer* mixer = mixerOf(vm);
    return mixer ? std::round(mixer->duration(s.soundId) * 1000) : 0;
}

Value getDuration(Vm& vm, const Value& self, Args) {
    SoundObject* s = soundOf(self);
    if (!s || !s->hasSound())
        return Undefined{};
    return durationMs(vm, *s);
}

Value getPosition(Vm& vm, const Value& self, Args) {
    SoundObject* s = soundOf(self);
    if (!s || !s->hasSound())
        return Undefined{};
    if (SoundMixer* mixer = mixerOf(vm); mixer && s->voice)
        if (const auto seconds = mixer->voicePosition(s->voice))
            s->positionMs = std::floor(*seconds * 1000);
    return s->positionMs;
}

Value getId3(Vm&, const Value& self, Args) {
    SoundObject* s = soundOf(self);
    return s && s->id3 ? Value(s->id3) : Value(Undefined{});
}

Value ignore(Vm&, const Value&, Args) {
    return Undefined{};
}

void addReadOnly(Vm& vm, SoundObject& s, const QString& name, NativeFunction getter) {
    Property& p = s.put(name, Undefined{}, DontEnum | DontDelete);
    p.getter = vm.newNative(getter);
    p.setter = vm.newNative(ignore);
}

// duration, position and id3 appear once the object has a sound. Script values set
// before then stay for both duration and position (one alone is replaced), and for id3.
void addReadOnlyProperties(Vm& vm, SoundObject& s, bool withId3) {
    const QString duration = QStringLiteral("duration"), position = QStringLiteral("position");
    if (!s.find(duration) || !s.find(position)) {
        addReadOnly(vm, s, duration, getDuration);
        addReadOnly(vm, s, position, getPosition);
    }
    if (withId3 && !s.find(QStringLiteral("id3")))
        addReadOnly(vm, s, QStringLiteral("id3"), getId3);
}

Value attachSound(Vm& vm, const Value& self, Args args) {
    SoundObject* s = soundOf(self);
    SoundMixer* mixer = mixerOf(vm);
    if (!s || !mixer || args.empty())
        return Undefined{};
    const std::uint16_t id = mixer->exportedSound(vm.toString(args[0]));
    if (!id || !ownerOf(vm, *s))
        return Undefined{};
    s->soundId = id;
    s->loaded.reset();
    s->loading = false;
    s->voice = 0;
    s->positionMs = 0;
    addReadOnlyProperties(vm, *s, false);
    return Undefined{};
}

void startSound(Vm& vm, SoundObject& s, double offsetSeconds, int loops) {
    SoundMixer* mixer = mixerOf(vm);
    const auto owner = mixer ? ownerOf(vm, s) : std::nullopt;
    if (!owner || (!s.soundId && !s.loaded))
        return;
    SoundStart request;
    request.soundId = s.soundId;
    request.samples = s.loaded;
    request.owner = *owner;
    if (!s.global)
        if (const auto clip = clipAtPath(vm, s.targetPath); clip && clip->parent())
            request.outerOwners = clip->parent()->soundOwners();
    request.offsetSeconds = offsetSeconds;
    request.loops = loops;
    request.notifyWhenDone = true;
    if (const int voice = mixer->start(request)) {
        s.voice = voice;
        s.positionMs = std::floor(offsetSeconds * 1000);
        vm.playingSounds.insert(voice, &s);
    }
}

// Entries of voices that ended without a report (a frame's sound stopped them) go
// before the list grows past what can sound at once.
void forgetSilentVoices(Vm& vm) {
    SoundMixer* mixer = mixerOf(vm);
    if (!mixer || vm.playingSounds.size() < 256)
        return;
    for (auto it = vm.playingSounds.begin(); it != vm.playingSounds.end();)
        it = mixer->voicePosition(it.key()) ? std::next(it) : vm.playingSounds.erase(it);
}

Value start(Vm& vm, const Value& self, Args args) {
    SoundObject* s = soundOf(self);
    if (!s)
        return Undefined{};
    const double offset = args.empty() ? 0 : vm.toNumber(args[0]);
    const double loops = args.size() < 2 ? 1 : vm.toNumber(args[1]);
    forgetSilentVoices(vm);
    startSound(vm, *s, std::isfinite(offset) && offset > 0 ? std::min(offset, 1e6) : 0,
               std::isfinite(loops) && loops > 1 ? static_cast<int>(std::min(loops, 1e6)) : 1);
    return Undefined{};
}

// Keeps where each stopped voice was and forgets it: no end is reported for it.
void forgetVoices(Vm& vm, const std::function<bool(SoundObject&)>& stopped) {
    SoundMixer* mixer = mixerOf(vm);
    for (auto it = vm.playingSounds.begin(); it != vm.playingSounds.end();) {
        auto* s = static_cast<SoundObject*>(it.value());
        if (!stopped(*s)) {
            ++it;
            continue;
        }
        if (s->voice == it.key())
            if (const auto seconds = mixer ? mixer->voicePosition(it.key()) : std::nullopt)
                s->positionMs = std::floor(*seconds * 1000);
        it = vm.playingSounds.erase(it);
    }
}

Value stop(Vm& vm, const Value& self, Args args) {
    SoundObject* s = soundOf(self);
    SoundMixer* mixer = mixerOf(vm);
    const auto owner = s && mixer ? ownerOf(vm, *s) : std::nullopt;
    if (!owner)
        return Undefined{};
    std::optional<std::uint16_t> only;
    if (!args.empty()) {
        only = mixer->exportedSound(vm.toString(args[0]));
        if (!*only)
            return Undefined{};
    }
    if (*owner == 0 && !only) {
        stopAllSounds(vm); // the movie's Sound stops everything, streams too
        return Undefined{};
    }
    forgetVoices(vm, [&](SoundObject& playing) {
        return ownerOf(vm, playing) == owner && (!only || playing.soundId == *only);
    });
    mixer->stop(*owner, only);
    return Undefined{};
}

// The file is read now; the object hears of it with the next frame, as after a download.
Value loadSound(Vm& vm, const Value& self, Args args) {
    SoundObject* s = soundOf(self);
    if (!s || args.empty())
        return Undefined{};
    const QString url = vm.toString(args[0]);
    s->streaming = args.size() > 1 && vm.toBoolean(args[1]);
    s->soundId = 0;
    s->loaded.reset();
    s->loadedBytes = -1;
    s->voice = 0;
    s->positionMs = 0;
    s->id3Frames.reset();
    s->loading = true;
    ScriptHost* host = vm.host();
    if (auto bytes = host ? host->loadFile(url) : std::nullopt;
        bytes && bytes->size() <= kMaxLoadedBytes) {
        s->loadedBytes = bytes->size();
        if (bytes->startsWith("ID3"))
            s->id3Frames = id3TextFrames(*bytes);
        // The decoder takes a movie's MP3 body: a two-byte seek field, then frames.
        s->loadedSeconds = mp3FileSeconds(*bytes);
        s->loaded = decodeEventSound({SoundCodec::Mp3, 44100, true, true},
                                     QByteArray(2, '\0') + *bytes, limits::maxSoundBytesPerMovie);
    }
    if (!s->id3)
        s->id3 = vm.heap().make<Object>(nullptr); // the player's has no prototype either
    addReadOnlyProperties(vm, *s, true);
    if (!std::count(vm.loadingSounds.begin(), vm.loadingSounds.end(), s))
        vm.loadingSounds.push_back(s);
    return Undefined{};
}

Value getBytesLoaded(Vm&, const Value& self, Args) {
    SoundObject* s = soundOf(self);
    return s && s->loadedBytes >= 0 ? Value(double(s->loadedBytes)) : Value(Undefined{});
}

Value stopAllSoundsCall(Vm& vm, const Value&, Args) {
    stopAllSounds(vm);
    return Undefined{};
}

// The tag's frames by id, and the common ones by the names scripts know them by too; a
// frame that comes again adds its text to the id's (a comma between) and replaces the
// name's.
void fillId3(Object& id3, const std::vector<std::pair<QString, QString>>& frames) {
    static const QHash<QString, QString> names = {
        {QStringLiteral("TPE1"), QStringLiteral("artist")},
        {QStringLiteral("TALB"), QStringLiteral("album")},
        {QStringLiteral("COMM"), QStringLiteral("comment")},
        {QStringLiteral("TRCK"), QStringLiteral("track")},
        {QStringLiteral("TIT2"), QStringLiteral("songname")},
        {QStringLiteral("TYER"), QStringLiteral("year")},
        {QStringLiteral("TCON"), QStringLiteral("genre")}};
    for (const auto& [id, text] : frames) {
        if (const QString name = names.value(id); !name.isEmpty())
            id3.put(name, text);
        const Property* before = id3.find(id);
        const auto* old = before ? std::get_if<QString>(&before->value) : nullptr;
        id3.put(id, old ? *old + QLatin1Char(',') + text : text);
    }
}

void callHandler(Vm& vm, Object* o, const QString& name, Args args = {}) {
    try {
        vm.callIfPresent(o, name, args);
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
}

void finishLoad(Vm& vm, SoundObject& s) {
    Vm::RootGuard guard(vm, Value(&s));
    if (s.id3Frames) {
        fillId3(*s.id3, *s.id3Frames);
        s.id3Frames.reset();
        callHandler(vm, &s, QStringLiteral("onID3"));
    }
    s.loading = false;
    const Value ok(s.loaded != nullptr);
    callHandler(vm, &s, QStringLiteral("onLoad"), std::span<const Value>(&ok, 1));
    if (s.loaded && s.streaming && !s.loading)
        startSound(vm, s, 0, 1);
}

} // namespace

void stopAllSounds(Vm& vm) {
    forgetVoices(vm, [](SoundObject&) { return true; });
    if (SoundMixer* mixer = mixerOf(vm))
        mixer->stopAll();
}

void deliverSoundEvents(Vm& vm) {
    SoundMixer* mixer = mixerOf(vm);
    if (!mixer)
        return;
    // A file loaded by a handler here is heard of in the same round, up to a point.
    for (int round = 0; round < 16 && !vm.loadingSounds.empty(); ++round)
        for (Object* o : std::exchange(vm.loadingSounds, {}))
            finishLoad(vm, *static_cast<SoundObject*>(o));
    if (vm.playingSounds.isEmpty())
        return; // the reports are someone else's
    for (const FinishedSound& done : mixer->takeFinished()) {
        auto it = vm.playingSounds.find(done.voice);
        if (it == vm.playingSounds.end())
            continue;
        auto* s = static_cast<SoundObject*>(it.value());
        vm.playingSounds.erase(it);
        Vm::RootGuard guard(vm, Value(s));
        if (s->voice == done.voice)
            s->positionMs = durationMs(vm, *s);
        callHandler(vm, s, QStringLiteral("onSoundComplete"));
    }
}

void installSound(Vm& vm) {
    Object* proto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.sound = proto;
    vm.defineClass(QStringLiteral("Sound"), soundCall, soundConstruct, proto);
    const std::pair<const char*, NativeFunction> methods[] = {{"getPan", getPan},
                                                              {"getTransform", getTransform},
                                                              {"getVolume", getVolume},
                                                              {"setPan", setPan},
                                                              {"setTransform", setTransform},
                                                              {"setVolume", setVolume},
                                                              {"stop", stop},
                                                              {"attachSound", attachSound},
                                                              {"start", start},
                                                              {"getDuration", getDuration},
                                                              {"setDuration", ignore},
                                                              {"getPosition", getPosition},
                                                              {"setPosition", ignore},
                                                              {"loadSound", loadSound},
                                                              {"getBytesLoaded", getBytesLoaded},
                                                              {"getBytesTotal", getBytesLoaded}};
    // From getDuration on, the methods came with SWF 6.
    const std::size_t sinceSwf6 = 9;
    for (std::size_t i = 0; i < std::size(methods); ++i)
        if (i < sinceSwf6 || vm.version() >= 6)
            vm.method(proto, QLatin1String(methods[i].first), methods[i].second);
    vm.method(vm.global, QStringLiteral("stopAllSounds"), stopAllSoundsCall);
}

} // namespace reelcase::swf::avm1::builtins
