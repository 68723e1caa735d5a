// MovieClipLoader and the MovieClip methods about loaded files.

#include "swf/script/builtins/builtins.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script/clip_object.h"
#include "swf/script/movie_loads.h"

#include <QRegularExpression>

#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

// What a load names: a clip, or a level (a number, or a path such as "_level1").
struct LoadTarget {
    ClipObject* clip = nullptr;
    int level = -1;
    bool valid() const { return clip || level >= 0; }
};

LoadTarget targetOf(Vm& vm, const Value& v) {
    LoadTarget t;
    if (auto* clip = dynamic_cast<ClipObject*>(objectOf(v))) {
        t.clip = clip;
        return t;
    }
    if (typeOf(v) == TypeNumber) {
        const double n = std::get<double>(v);
        if (std::isfinite(n) && n >= 0 && n < 1e6)
            t.level = static_cast<int>(n);
        return t;
    }
    if (typeOf(v) != TypeString)
        return t;
    const QString path = std::get<QString>(v);
    if (const int level = levelNumber(path); level >= 0) {
        t.level = level;
        return t;
    }
    TimelineInstance* root = levelRoot(vm, 0);
    if (!root)
        return t;
    Value at(vm.clipObject(*root));
    static const QRegularExpression separators(QStringLiteral("[./]"));
    for (const QString& part : path.split(separators, Qt::SkipEmptyParts)) {
        if (const int level = levelNumber(part); level >= 0) {
            TimelineInstance* r = levelRoot(vm, level);
            at = r ? Value(vm.clipObject(*r)) : Value(Undefined{});
        } else if (part != QLatin1String("_root")) {
            at = vm.getMember(at, part);
        }
        if (!objectOf(at))
            return t;
    }
    t.clip = dynamic_cast<ClipObject*>(objectOf(at));
    return t;
}

ClipObject* clipSelf(const Value& self) {
    auto* c = dynamic_cast<ClipObject*>(objectOf(self));
    return c && c->timeline() ? c : nullptr;
}

// A whole file's length: a loaded one as read, the player's own as its header says
// (uncompressed) or, for a loader's progress, as read.
double fileLength(Vm& vm, const Movie* movie, bool asRead = false) {
    if (!movie)
        return 0;
    const LoadedFile* file = vm.movieLoads().fileOf(movie);
    return file ? file->bytesTotal
                : static_cast<double>(asRead ? movie->fileBytes : movie->declaredLength);
}

Value bytesTotal(Vm& vm, const Value& self, Args) {
    ClipObject* c = clipSelf(self);
    if (!c)
        return Undefined{};
    auto clip = c->timeline();
    const Movie* movie = clip->movie();
    if (movie && &clip->definition() != &movie->root)
        return static_cast<double>(clip->definition().byteLength);
    return fileLength(vm, movie);
}

Value swfVersion(Vm& vm, const Value& self, Args) {
    ClipObject* c = clipSelf(self);
    if (!c)
        return Undefined{};
    const Movie* movie = c->timeline()->movie();
    const LoadedFile* file = vm.movieLoads().fileOf(movie);
    if (file && file->image)
        return -1.0;
    return movie ? static_cast<double>(movie->version) : -1.0;
}

Value clipLoadMovie(Vm& vm, const Value& self, Args args) {
    if (ClipObject* c = clipSelf(self))
        c->loadMovie(vm, vm.toString(arg(args, 0)));
    return Undefined{};
}

Value clipUnloadMovie(Vm& vm, const Value& self, Args) {
    if (ClipObject* c = clipSelf(self))
        c->loadMovie(vm, QString());
    return Undefined{};
}

// Called on the new object by new (and by a subclass's super()).
Value loaderConstruct(Vm& vm, const Value& self, Args) {
    // The loader hears its own events: onLoadStart may be set on it directly. The
    // broadcaster's methods come from the prototype.
    if (Object* o = objectOf(self))
        o->put(QStringLiteral("_listeners"), vm.newArray({self}), DontEnum);
    return Undefined{};
}

Value loadClip(Vm& vm, const Value& self, Args args) {
    Object* loader = objectOf(self);
    if (!loader || args.size() < 2 || typeOf(args[0]) != TypeString)
        return false;
    const LoadTarget t = targetOf(vm, args[1]);
    if (!t.valid())
        return false;
    vm.movieLoads().load(vm, t.clip, t.level, vm.toString(args[0]), loader);
    return true;
}

Value unloadClip(Vm& vm, const Value& self, Args args) {
    Object* loader = objectOf(self);
    if (args.empty())
        return Undefined{};
    const LoadTarget t = targetOf(vm, args[0]);
    if (!loader || !t.valid())
        return false;
    vm.movieLoads().unload(vm, t.clip, t.level, loader);
    return true;
}

Value getProgress(Vm& vm, const Value&, Args args) {
    const Value target = arg(args, 0);
    if (!objectOf(target) && typeOf(target) != TypeString && typeOf(target) != TypeNumber)
        return Undefined{};
    const LoadTarget t = targetOf(vm, target);
    Object* out = vm.newObject();
    out->proto = nullptr;
    TimelineInstance* clip = t.clip ? t.clip->timeline().get() : levelRoot(vm, t.level);
    if (!clip) {
        if (objectOf(target))
            return Undefined{};
        out->put(QStringLiteral("bytesLoaded"), Undefined{});
        out->put(QStringLiteral("bytesTotal"), Undefined{});
        return out;
    }
    const Value bytes = clip->movie() && &clip->definition() == &clip->movie()->root
                            ? Value(fileLength(vm, clip->movie(), true))
                            : bytesTotal(vm, Value(vm.clipObject(*clip)), {});
    out->put(QStringLiteral("bytesLoaded"), bytes);
    out->put(QStringLiteral("bytesTotal"), bytes);
    return out;
}

} // namespace

void installMovieClipLoader(Vm& vm) {
    Object* clip = vm.protos.movieClip;
    vm.method(clip, QStringLiteral("loadMovie"), clipLoadMovie);
    vm.method(clip, QStringLiteral("unloadMovie"), clipUnloadMovie);
    vm.method(clip, QStringLiteral("getBytesLoaded"), bytesTotal);
    vm.method(clip, QStringLiteral("getBytesTotal"), bytesTotal);
    vm.method(clip, QStringLiteral("getSWFVersion"), swfVersion);

    Object* proto = vm.newObject();
    vm.defineClass(QStringLiteral("MovieClipLoader"), loaderConstruct, nullptr, proto);
    Object* as = objectOf(vm.getMember(Value(vm.global), QStringLiteral("AsBroadcaster")));
    for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
        if (as)
            proto->put(QLatin1String(name), vm.getMember(Value(as), QLatin1String(name)), DontEnum);
    vm.method(proto, QStringLiteral("loadClip"), loadClip);
    vm.method(proto, QStringLiteral("unloadClip"), unloadClip);
    vm.method(proto, QStringLiteral("getProgress"), getProgress);
}

} // namespace reelcase::swf::avm1::builtins
