#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/net_stream.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"

namespace reelcase::swf::avm1::builtins {
namespace {

// new Object(v) and Object(v) wrap a primitive; with nothing to wrap, new makes a plain
// object and the call one that inherits nothing.
Value objectConstruct(Vm& vm, const Value&, Args args) {
    if (Object* o = vm.toObject(arg(args, 0)))
        return o;
    return vm.newObject();
}

Value objectCall(Vm& vm, const Value&, Args args) {
    if (Object* o = vm.toObject(arg(args, 0)))
        return o;
    return vm.heap().make<Object>(nullptr);
}

Value toStringMethod(Vm&, const Value& self, Args) {
    Object* o = objectOf(self);
    if (o && o->kind() == Kind::Function)
        return QStringLiteral("[type Function]");
    return QStringLiteral("[object Object]"); // clips too: only String(clip) is its path
}

Value valueOf(Vm& vm, const Value& self, Args) {
    Object* o = objectOf(self);
    if (o && !isVoid(o->primitive) && !vm.isDate(o))
        return o->primitive;
    return self;
}

Value hasOwnProperty(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o || args.empty())
        return false;
    const QString name = vm.toString(arg(args, 0));
    if (vm.sameName(name, QStringLiteral("__proto__")))
        return o->proto != nullptr; // the player keeps it as a property of the object
    Value ignored;
    if (dynamic_cast<VideoObject*>(o))
        return o->find(name) != nullptr; // a video's display properties are not its own
    return o->find(name) != nullptr || o->getNative(vm, name, ignored);
}

Value isPropertyEnumerable(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    const Property* p = o ? o->find(vm.toString(arg(args, 0))) : nullptr;
    return p && !(p->flags & DontEnum);
}

Value isPrototypeOf(Vm&, const Value& self, Args args) {
    Object* proto = objectOf(self);
    Object* o = objectOf(arg(args, 0));
    for (int i = 0; o && proto && i < 256; ++i) {
        o = o->proto;
        if (o == proto)
            return true;
    }
    return false;
}

Value addProperty(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    const QString name = vm.toString(arg(args, 0));
    auto* getter = dynamic_cast<FunctionObject*>(objectOf(arg(args, 1)));
    auto* setter = dynamic_cast<FunctionObject*>(objectOf(arg(args, 2)));
    if (!o || name.isEmpty() || !getter)
        return false;
    if (!setter && !isVoid(arg(args, 2)) && typeOf(arg(args, 2)) != TypeNull)
        return false;
    Property* p = o->find(name);
    if (!p)
        p = &o->put(name, Undefined{});
    p->getter = getter;
    p->setter = setter;
    p->value = Undefined{};
    return true;
}

Value watch(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    auto* callback = dynamic_cast<FunctionObject*>(objectOf(arg(args, 1)));
    if (!o || !callback || args.empty())
        return false;
    if (!o->watches)
        o->watches = std::make_unique<QHash<QString, Object::Watch>>();
    o->watches->insert(vm.key(vm.toString(arg(args, 0))),
                       Object::Watch{callback, arg(args, 2), false});
    return true;
}

Value unwatch(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    if (!o || !o->watches)
        return false;
    return o->watches->remove(vm.key(vm.toString(arg(args, 0)))) > 0;
}

Value registerClass(Vm& vm, const Value&, Args args) {
    const QString name = vm.toString(arg(args, 0));
    const Movie* movie = vm.runningMovie(); // names are the exports of the caller's file
    if (!movie || args.size() < 2)
        return false;
    auto it = movie->exports.constFind(name.toLower());
    if (it == movie->exports.constEnd())
        return false;
    if (Object* ctor = objectOf(arg(args, 1)))
        vm.registeredClasses.insert({movie, *it}, ctor);
    else
        vm.registeredClasses.remove({movie, *it});
    return true;
}

// ASSetPropFlags(object, names, set, clear): names are a comma list, an array or null (all).
Value setPropFlags(Vm& vm, const Value&, Args args) {
    Object* o = objectOf(arg(args, 0));
    if (!o)
        return Undefined{};
    const int set = toInt32(vm.toNumber(arg(args, 2))) & 0xffff;
    const int clear = args.size() > 3 ? toInt32(vm.toNumber(arg(args, 3))) & 0xffff : 0;
    QStringList names;
    bool all = false;
    const Value list = arg(args, 1);
    if (typeOf(list) == TypeNull)
        all = true;
    else if (auto* a = dynamic_cast<ArrayObject*>(objectOf(list))) {
        for (const Value& v : arrayElements(vm, a))
            names << vm.toString(v);
    } else {
        names = vm.toString(list).split(QLatin1Char(','));
    }
    for (Property& p : o->properties()) {
        bool hit = all;
        for (const QString& n : names)
            if (vm.sameName(n, p.name))
                hit = true;
        if (hit)
            p.flags = static_cast<std::uint16_t>((p.flags & ~clear) | set);
    }
    return Undefined{};
}

} // namespace

void installObject(Vm& vm) {
    Object* proto = vm.protos.object;
    FunctionObject* ctor =
        vm.defineClass(QStringLiteral("Object"), objectCall, objectConstruct, proto);
    ctor->find(QStringLiteral("prototype"))->flags |= ReadOnly; // unlike other classes
    ctor->keepsMadePrototype = true;
    vm.method(proto, QStringLiteral("toString"), toStringMethod);
    vm.method(proto, QStringLiteral("toLocaleString"), toStringMethod);
    vm.method(proto, QStringLiteral("valueOf"), valueOf);
    vm.method(proto, QStringLiteral("hasOwnProperty"), hasOwnProperty);
    vm.method(proto, QStringLiteral("isPropertyEnumerable"), isPropertyEnumerable);
    vm.method(proto, QStringLiteral("isPrototypeOf"), isPrototypeOf);
    vm.method(proto, QStringLiteral("addProperty"), addProperty);
    vm.method(proto, QStringLiteral("watch"), watch);
    vm.method(proto, QStringLiteral("unwatch"), unwatch);
    vm.method(ctor, QStringLiteral("registerClass"), registerClass);
    vm.method(vm.global, QStringLiteral("ASSetPropFlags"), setPropFlags);
}

} // namespace reelcase::swf::avm1::builtins
