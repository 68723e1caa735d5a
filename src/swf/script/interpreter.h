#pragma once

#include "swf/script/vm.h"

namespace reelcase::swf::avm1 {

// Where super looks for members: above home (nothing for a clip's own code).
inline Object* superBase(Object* home) {
    return home && home->kind() != Kind::Clip ? home->proto : nullptr;
}

// A super reference: methods found above home, called on the same this; its __proto__ is
// that base, so converting it asks the base's methods.
class SuperObject : public Object {
public:
    using Object::Object;
    Kind kind() const override { return Kind::Other; }
    void markChildren(Heap& heap) override {
        Object::markChildren(heap);
        heap.mark(self);
        heap.mark(home);
    }
    Value self;
    Object* home = nullptr;
};

// One activation: a frame script, event handler or function call.
struct Vm::Frame {
    QByteArray block;
    int begin = 0, end = -1; // the slice of block to run (-1: to its end)
    std::shared_ptr<const std::vector<QString>> constants;
    std::vector<Object*> scope; // [0] the clip the code belongs to, then closures, with
    Object* target = nullptr;   // tellTarget / SetTarget's clip; the base of variable lookup
    Value self;
    Object* activation = nullptr; // a function's locals; null in frame scripts
    FunctionObject* callee = nullptr;
    Object* home = nullptr; // where the running method was found (super starts above it)
    std::vector<Value> registers;
    int withDepth = 0; // the last entries of scope that with blocks pushed
    int version = 0;
    std::size_t stackBase = 0;
    // A frame script stops once its clip is taken off the stage; event handlers go on.
    const TimelineInstance* frameScriptOf = nullptr;
};

// Runs the actions of one activation, with nested ranges for with and try blocks.
class Interpreter {
public:
    Interpreter(Vm& vm, Vm::Frame& frame)
        : m_vm(vm)
        , m_f(frame) {}
    Value run();

private:
    enum class Exit { End, Jump, Return };
    Exit runRange(int begin, int end, int& pc, Value& result);
    // One action; returns false to leave the range (pc says where, Return sets result).
    Exit step(int op, BitReader& args, int& pc, int next, Value& result, bool& leave);
    void push(Value v);
    Value pop();
    int popCount();
    int countOf(double d) const; // a count of stack values, at most those there are
    std::vector<Value> popArgs();
    std::vector<Value> popValues(int n);
    QString constant(int i) const;
    void pushData(BitReader& args);
    Value defineFunction(BitReader& args, int& next, bool version2);

    // Variables and paths (scope.cpp).
    // withObject: set to the with block's object the name was found on, if so.
    Value getVariable(const QString& name, Object** withObject = nullptr);
    void setVariable(const QString& name, const Value& value);
    void defineLocal(const QString& name, const Value& value);
    bool deleteVariable(const QString& name);
    // A clip named by a slash or dot path from the current target; null when none.
    Object* resolveTarget(const QString& path);
    // The target, or level 0 once the target has left the stage.
    Object* liveTarget();
    // The object part of a variable's path: its first name is looked up scope by scope
    // (a scope counts when the path leads to an object there that has member, if given).
    Object* resolveVariablePath(const QString& path, const QString& member = {});
    // tellTarget's clip, from the code's own timeline: a path that names none leads to
    // level 0.
    Object* tellTargetOf(const QString& path);
    Object* resolvePathFrom(Object* start, const QString& path);
    Object* pathStep(const Value& v);
    static Object* superBase(const SuperObject& s);
    Value callSuperConstructor(const SuperObject& s, Args args);
    std::shared_ptr<TimelineInstance> targetClip();
    // Where the code continues after count actions from pc (WaitForFrame's skip).
    int skipActions(int from, int count) const;
    // SWF 4 property by index.
    static int propertyIndex(double number);
    Value getIndexedProperty(const Value& target, int index);
    void setIndexedProperty(const Value& target, int index, const Value& value);

    void gotoFrame(TimelineInstance& clip, const Value& frame, bool play, int bias);
    void getUrl(const QString& url, const QString& target, int method);

    Vm& m_vm;
    Vm::Frame& m_f;
};

} // namespace reelcase::swf::avm1
