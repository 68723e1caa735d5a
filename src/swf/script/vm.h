#pragma once

#include "swf/format/bit_reader.h"
#include "swf/script/heap.h"

#include <QHash>

#include <memory>
#include <vector>

namespace reelcase::swf {
class Movie;
struct PlayContext;
struct DisplayObject;
class ScriptHost;
class TimelineInstance;
} // namespace reelcase::swf

namespace reelcase::swf::avm1 {

class ClipObject;
class MovieLoads;

// Thrown to end the running script at once (a budget ran out); the movie goes on.
struct ScriptAbort {};
// A script's throw, on its way to a catch block.
struct ScriptThrow {
    Value value;
};

// What a hostile script may use before it is stopped.
struct Budgets {
    int stepsPerFrame = 10'000'000;
    int stackDepth = 65'536;
    int callDepth = 256;
    std::size_t memoryBytes = 256u << 20;
    int arrayLength = 1 << 22;
};

// The script virtual machine of one playing movie: its heap and built-in classes, the
// interpreter and the glue to the display list. Lives on the player's thread.
class Vm {
public:
    Vm(PlayContext& context, ScriptHost* host, int swfVersion, Budgets budgets = {});
    ~Vm();
    Vm(const Vm&) = delete;
    Vm& operator=(const Vm&) = delete;

    Heap& heap() { return m_heap; }
    int version() const { return m_version; }
    PlayContext& context() { return m_context; }
    ScriptHost* host();
    const Budgets& budgets() const { return m_budgets; }

    // The built-in objects scripts start from.
    struct Protos {
        Object* object = nullptr;
        Object* function = nullptr;
        Object* array = nullptr;
        Object* string = nullptr;
        Object* number = nullptr;
        Object* boolean = nullptr;
        Object* movieClip = nullptr;
        Object* textField = nullptr;
        Object* button = nullptr;
        Object* error = nullptr;
        Object* date = nullptr;
        Object* xmlNode = nullptr;
        Object* xml = nullptr;
        Object* sound = nullptr;
        Object* video = nullptr;
    } protos;
    Object* global = nullptr;

    // Making objects.
    Object* newObject();
    ArrayObject* newArray(const std::vector<Value>& elements = {});
    FunctionObject* newNative(NativeFunction fn, NativeFunction constructor = nullptr);
    // A method (DontEnum, as built-ins are).
    FunctionObject* method(Object* on, const QString& name, NativeFunction fn);
    // A class: a function with a prototype; put on _global under name.
    FunctionObject* defineClass(const QString& name, NativeFunction call, NativeFunction construct,
                                Object* prototype);
    QString makeString(QString s); // aborts the script past the string cap; long ones cost steps

    // Conversions as the movie's version does them (objects call valueOf / toString).
    double toNumber(const Value& v);
    QString toString(const Value& v);
    bool toBoolean(const Value& v);
    Value toPrimitive(const Value& v, bool preferString = false);
    Object* toObject(const Value& v); // primitives are wrapped; null for undefined and null
    bool isDate(Object* o) const;
    QString typeOf(const Value& v);
    bool looseEquals(const Value& a, const Value& b);
    bool strictEquals(const Value& a, const Value& b) const;
    // a < b: true, false, or undefined (NaN involved) as a Value.
    Value lessThan(const Value& a, const Value& b);
    QString key(const QString& name) const { return m_caseSensitive ? name : foldName(name); }
    bool sameName(const QString& a, const QString& b) const {
        return m_caseSensitive ? a == b : sameNameFolded(a, b);
    }
    // A movie loaded into level 0 brings its version's conversions (names keep the case
    // rule the objects were made with).
    void adoptVersion(int version) { m_version = version; }

    // Members: native properties, then own properties, then children (clips), then the
    // __proto__ chain; getters and setters run; watchers see changes.
    Value getMember(const Value& object, const QString& name);
    void setMember(const Value& object, const QString& name, const Value& value);
    bool deleteMember(Object* object, const QString& name);
    // getMember that tells whether the member exists at all.
    bool findMember(Object* object, const QString& name, Value& out);
    // The object a button's state shows under this name, or null (o is no button).
    Object* buttonChild(Object* o, const QString& name);
    // The property of name on object or its chain (cycles and depth are capped).
    Property* lookup(Object* object, const QString& name, Object** holder = nullptr);
    // A getter or setter of holder's property, called on self; while the property's own
    // calls run (nested deeper than the player allows) its plain value stands in.
    Value readAccessor(Object* holder, const QString& name, const Value& self, Object* home);
    void writeAccessor(Object* holder, const QString& name, const Value& self, const Value& value,
                       Object* home);
    bool hasProperty(Object* object, const QString& name);
    // An own property the running code's version sees (see visibleInVersion).
    Property* visibleOwn(Object* object, const QString& name);
    bool instanceOf(const Value& v, Object* constructor);

    // Calls: a function value with this and arguments; methods by name; new.
    Value call(const Value& function, const Value& self, Args args, Object* home = nullptr);
    Value callMethod(const Value& object, const QString& name, Args args);
    Value construct(const Value& function, Args args);
    // Calls name on object when it is a function (event handlers); false when absent.
    bool callIfPresent(Object* object, const QString& name, Args args = {});

    // Clips.
    ClipObject* clipObject(TimelineInstance& clip);
    Object* displayObjectFor(TimelineInstance& parent, DisplayObject& object);
    std::shared_ptr<TimelineInstance> clipOf(const Value& v);
    const QHash<std::uint64_t, Object*>& displayObjects() const { return m_displayObjects; }
    QString targetPath(TimelineInstance& clip); // "_level0.a.b"
    QString slashPath(TimelineInstance& clip);  // "/a/b"
    TimelineInstance* root() const { return m_root; }
    void setRoot(TimelineInstance* root) { m_root = root; }
    // Where an export name or a class registered for a symbol applies, by file and id.
    QHash<QPair<const Movie*, int>, Object*> registeredClasses;
    // The file of the code running now (a loaded movie's own; the player's when none runs).
    const Movie* runningMovie();
    // Sound objects waiting to hear of their sound's end (by the mixer's voice id) or of
    // their file's load; kept alive until then.
    QHash<int, Object*> playingSounds;
    std::vector<Object*> loadingSounds;
    // NetStream objects playing a file, moved on once a frame; kept alive until closed.
    std::vector<Object*> playingStreams;
    // BitmapData objects clips show (attachBitmap); kept alive while shown.
    std::vector<Object*> shownBitmaps;
    // Messages a broadcaster sends once the running scripts are done (the answer of a
    // dialog): the broadcaster, then broadcastMessage's arguments.
    std::vector<std::vector<Value>> deferredBroadcasts;
    // Text files asked for (XML, LoadVars, loadVariables), delivered once scripts end.
    std::vector<Object*> pendingLoads;
    // LocalConnection objects by the name they listen on (lower case).
    QHash<QString, Object*> localConnections;
    // SharedObject.getLocal's objects by path and name: one each while the movie plays.
    QHash<QString, Object*> sharedObjects;
    // attachMovie's init object, applied as the new clip is placed.
    Object* pendingInit = nullptr;
    // Movies loaded into clips and levels.
    MovieLoads& movieLoads() { return *m_loads; }
    // The SWF version of the code running now (a loaded movie's may differ).
    int runningVersion() const;
    // Once code of SWF 8 or later has asked for the bounds of an empty clip, every answer
    // after rounds as SWF 8 does (the player keeps that state).
    bool swf8EmptyBounds = false;

    // Running code.
    // A frame script (or init action, or clip event handler) on its timeline.
    void runBlock(TimelineInstance& clip, const QByteArray& code, Object* self = nullptr,
                  bool frameScript = false);
    void trace(const QString& line);
    void abortScript(); // throws ScriptAbort
    int maxArrayLength() const { return m_budgets.arrayLength; }
    // Resets the step budget (once a frame).
    void newFrame() {
        m_steps = m_budgets.stepsPerFrame;
        if (m_frames.empty())
            m_stack.clear();
    }
    bool aborted() const { return m_abortedThisFrame; }

    // Garbage collection at a safe point: no native frame is on the C++ stack.
    void collectIfDue();
    void collectNow();
    // Values natives hold across calls into scripts are rooted while a guard lives.
    struct RootGuard {
        RootGuard(Vm& vm, const Value& v);
        ~RootGuard();
        Vm& vm;
    };

    // Timers (setInterval / setTimeout): run those due at time now.
    int addTimer(const Value& target, const Value& function, const QString& method,
                 std::vector<Value> args, qint64 interval, bool repeat);
    void clearTimer(int id);
    void runTimers(qint64 now);

    // The values the frame scripts' random() and getTimer() draw from.
    double random();
    qint64 timer() const;

    // Events the runtime forwards (implemented in clip_events.cpp).
    std::vector<Object*> listeners(Object* broadcaster);

    // The interpreter (interpreter.cpp).
    struct Frame;

private:
    friend class Interpreter;
    friend struct RootGuard;
    void markRoots(Heap& heap);
    void forget(Object* o);
    Value callScript(FunctionObject& f, const Value& self, Args args, Object* home);
    // One call into native code (a built-in function or constructor): it counts against
    // the call depth, and what it works on stays reachable for the collector, until it
    // returns. Aborts the script when the depth budget is spent.
    class NativeCall {
    public:
        NativeCall(Vm& vm, const Value& function, const Value& self, Args args);
        ~NativeCall();
        NativeCall(const NativeCall&) = delete;
        NativeCall& operator=(const NativeCall&) = delete;

    private:
        Vm& m_vm;
        std::size_t m_roots;
    };
    void setupBuiltins();

    PlayContext& m_context;
    ScriptHost* m_host = nullptr;
    int m_version = 0;
    bool m_caseSensitive = false; // names, from the first movie's version
    Budgets m_budgets;
    Heap m_heap;
    TimelineInstance* m_root = nullptr;
    std::unique_ptr<MovieLoads> m_loads;
    QHash<std::uint64_t, Object*> m_displayObjects; // by display object id
    std::vector<Frame*> m_frames;                   // running activations
    std::vector<Value> m_stack;
    std::vector<Value> m_tempRoots;
    int m_nativeDepth = 0;
    int m_callDepth = 0;
    int m_steps = 0;
    bool m_abortedThisFrame = false;

    struct Timer {
        int id = 0;
        Value target, function;
        QString method;
        std::vector<Value> args;
        qint64 interval = 0, due = 0;
        bool repeat = false;
    };
    std::vector<Timer> m_timers;
    int m_nextTimer = 1;
    qint64 m_now = 0;
};

} // namespace reelcase::swf::avm1
