#pragma once

#include "swf/display/timeline_instance.h"
#include "swf/format/movie.h"
#include "swf/script/clip_object.h"
#include "swf/script/script_host.h"
#include "swf/script/script_runtime.h"
#include "swf/script/vm.h"

#include <QStringList>

#include <initializer_list>
#include <memory>
#include <vector>

namespace reelcase::test {

// Collects trace() lines.
struct TraceHost : swf::ScriptHost {
    void trace(const QString& line) override { lines << line; }
    QStringList lines;
};

// Calls a script method by name.
inline swf::avm1::Value call(swf::avm1::Vm& vm, const swf::avm1::Value& object, const char* name,
                             std::initializer_list<swf::avm1::Value> args) {
    std::vector<swf::avm1::Value> list(args);
    return vm.callMethod(object, QLatin1String(name), list);
}

// A movie played on its own timeline objects with its scripts, so tests can read script
// variables and display lists directly.
struct ScriptStage {
    explicit ScriptStage(std::shared_ptr<const swf::Movie> m, swf::ScriptHost* host = nullptr)
        : movie(std::move(m))
        , context{movie.get()} {
        context.host = host;
        runtime = std::make_unique<swf::ScriptRuntime>(context, host, movie->version);
        context.listener = runtime.get();
        root = std::make_shared<swf::TimelineInstance>(movie->root, context, 0);
        runtime->setRoot(*root);
        root->enterFirstFrame();
        runtime->runPending();
    }
    ~ScriptStage() {
        root.reset();
        context.listener = nullptr;
    }
    void tick() {
        context.elapsedMs += 83;
        runtime->newFrame();
        root->tick();
        runtime->runPending();
    }
    swf::avm1::Value variable(const QString& name) { return member(*root, name); }
    swf::avm1::Value member(swf::TimelineInstance& clip, const QString& name) {
        swf::avm1::Vm& vm = runtime->vm();
        return vm.getMember(swf::avm1::Value(vm.clipObject(clip)), name);
    }
    QString describe(const swf::avm1::Value& v) {
        return runtime->vm().typeOf(v) + QLatin1Char(':') + runtime->vm().toString(v);
    }

    std::shared_ptr<const swf::Movie> movie;
    swf::PlayContext context;
    std::unique_ptr<swf::ScriptRuntime> runtime;
    std::shared_ptr<swf::TimelineInstance> root;
};

} // namespace reelcase::test
