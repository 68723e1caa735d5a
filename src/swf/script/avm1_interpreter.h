#pragma once

#include "swf/format/bit_reader.h"

#include "swf/script/avm1_value.h"

#include <memory>
#include <vector>

namespace reelcase::swf {
struct PlayContext;
class TimelineInstance;
} // namespace reelcase::swf

namespace reelcase::swf::avm1 {

inline constexpr int maxCallDepth = 64;
inline constexpr int maxRegisters = 256;

// Runs frame scripts on a value stack. Every limit (actions run, stack depth, call
// depth, string and object sizes) ends a runaway script cleanly: the script stops and
// the movie goes on.
class Interpreter {
public:
    // steps: the actions still allowed this frame, shared by every block run.
    Interpreter(PlayContext& context, int& steps);

    // Runs one DoAction block for the timeline it belongs to.
    void runFrameScript(const std::shared_ptr<TimelineInstance>& self, const QByteArray& code);

private:
    // One activation: a frame script or a call of a script-defined function.
    struct Scope {
        std::shared_ptr<TimelineInstance> self;   // the timeline whose script this is
        std::shared_ptr<TimelineInstance> target; // tellTarget's, or self
        bool targetMissing = false;               // tellTarget named no clip
        Variables* locals = nullptr;              // a function's own variables
        std::vector<Value> registers;
        Value thisValue;
        int depth = 0;
    };

    Value execute(const QByteArray& code, Scope& scope);
    // One action; false ends the block (Return, a bad branch, a fault).
    bool step(int action, BitReader& args, BitReader& code, Scope& scope, Value& result);
    bool stepSwf4(int action, BitReader& args, Scope& scope);
    bool stepSwf5(int action, BitReader& args, BitReader& code, Scope& scope, Value& result);
    bool push(BitReader& args, Scope& scope);

    // Stack: popping an empty stack gives undefined; pushing past the cap fails.
    Value pop();
    bool pushValue(Value v);
    int popCount(); // a count popped off the stack, clamped to what the stack holds

    // Paths, variables and members (avm1_scope.cpp).
    TimelineInstance& scopeClip(Scope& scope);
    std::shared_ptr<TimelineInstance> resolvePath(Scope& scope, const QString& path);
    std::shared_ptr<TimelineInstance> resolvePathFrom(TimelineInstance& from, const QString& path);
    Value getVariable(Scope& scope, const QString& name);
    void setVariable(Scope& scope, const QString& name, const Value& value);
    Value getMember(Scope& scope, const Value& object, const QString& name);
    void setMember(const Value& object, const QString& name, const Value& value);
    Value clipMember(TimelineInstance& clip, const QString& name);

    // Calls (avm1_calls.cpp).
    Value callFunction(Scope& scope, const QString& name, std::vector<Value> args);
    Value callMethod(Scope& scope, const Value& object, const QString& name,
                     std::vector<Value> args);
    Value callScript(Scope& caller, Object& function, const Value& thisValue,
                     std::vector<Value> args);
    std::vector<Value> popArgs();
    // ActionCall: runs a frame's scripts now, on that clip, without going there.
    void callFrame(Scope& scope, const Value& frame);
    Value defineFunction(BitReader& args, BitReader& code, Scope& scope, bool version2);
    // gotoAndPlay / gotoAndStop / GotoFrame2: a 1-based frame number or a label.
    void gotoValue(TimelineInstance& clip, const Value& frame, bool play, int bias = 0);
    Value stringOf(const Value& v); // toString, with clips as their target path
    QString str(const Value& v);
    double num(const Value& v);
    Object* newObject();

    PlayContext& m_context;
    int& m_steps;
    int m_version;
    std::vector<Value> m_stack;
    std::size_t m_stackBase = 0; // the current activation's bottom
    std::vector<QString> m_constants;
};

} // namespace reelcase::swf::avm1
