#include "swf/script/builtins/builtins.h"
#include "swf/script/vm.h"

namespace reelcase::swf::avm1::builtins {

namespace {

// Marks built-ins a later player added so that older movies do not see them (a movie's
// own property of the same name replaces them).
void markNewer(Object* on, std::initializer_list<const char*> names, std::uint16_t flag) {
    if (!on)
        return;
    for (const char* name : names)
        if (Property* p = on->find(QLatin1String(name)))
            p->flags |= flag;
}

} // namespace

void markVersionedBuiltins(Vm& vm) {
    markNewer(vm.global, {"Function"}, FromSwf6);
    markNewer(vm.protos.movieClip,
              {"getDepth", "createEmptyMovieClip", "createTextField", "getTextSnapshot",
               "beginFill", "beginGradientFill", "clear", "curveTo", "endFill", "lineStyle",
               "lineTo", "moveTo", "setMask", "attachAudio", "attachVideo", "getSWFVersion"},
              FromSwf6);
    if (const Property* snapshot = vm.global->find(QStringLiteral("TextSnapshot")))
        if (Object* ctor = objectOf(snapshot->value))
            if (const Property* proto = ctor->find(QStringLiteral("prototype")))
                if (Object* methods = objectOf(proto->value))
                    for (Property& p : methods->properties())
                        if (!vm.sameName(p.name, QStringLiteral("constructor")))
                            p.flags |= FromSwf6;
}

} // namespace reelcase::swf::avm1::builtins
