#pragma once

#include "swf/script/vm.h"

// Text files a movie loads beside itself (XML, LoadVars, loadVariables) and the
// URL-encoded variables they carry.
namespace reelcase::swf::avm1::builtins {

// Work that waits for the running scripts to end (a file read, a message between
// connections); kept in Vm::pendingLoads, run by deliverLoads.
class PendingTask : public Object {
public:
    using Object::Object;
    virtual void run(Vm& vm) = 0;
};
void queueTask(Vm& vm, PendingTask* task);

// load, send, sendAndLoad, getBytesLoaded, getBytesTotal, addRequestHeader, an empty
// onLoad and contentType, shared by XML and LoadVars.
void installLoadMethods(Vm& vm, Object* prototype);

// load(url): requestDataLoad on this; false without a url.
Value loadMethod(Vm& vm, const Value& self, Args args);
// Reads url once the running scripts end, then calls target.onData with its text
// (undefined when it cannot be read).
void requestDataLoad(Vm& vm, Object* target, const QString& url);
// Reads url once the running scripts end and sets its variables on the clip.
void requestVariablesLoad(Vm& vm, Object* clip, const QString& url);

// "a=1&b=2" onto target's members.
void decodeVariables(Vm& vm, const Value& target, const QString& text);
// The object's enumerable members as "a=1&b=2", each side through escape().
QString encodeVariables(Vm& vm, Object* object);

} // namespace reelcase::swf::avm1::builtins
