#pragma once

#include "swf/script/vm.h"

namespace reelcase::swf {
class EditText;
}
namespace reelcase::swf::avm1 {
class TextFieldObject;
}

// The built-in classes and functions, one file each; Vm::setupBuiltins installs them.
namespace reelcase::swf::avm1::builtins {

inline Value arg(Args args, std::size_t i) {
    return i < args.size() ? args[i] : Value(Undefined{});
}

// Methods that only answer.
inline Value returnUndefined(Vm&, const Value&, Args) {
    return Undefined{};
}
inline Value returnFalse(Vm&, const Value&, Args) {
    return false;
}
inline Value returnZero(Vm&, const Value&, Args) {
    return 0.0;
}

void installObject(Vm& vm);   // Object, Object.prototype, ASSetPropFlags
void installFunction(Vm& vm); // Function.prototype.call / apply
void installArray(Vm& vm);
void installString(Vm& vm);
void installNumberAndBoolean(Vm& vm);
void installMath(Vm& vm);
void installGlobals(Vm& vm); // parseInt, escape, setInterval ...
void installMovieClip(Vm& vm);
void installClipDisplay(Vm& vm); // setMask, cacheAsBitmap, opaqueBackground, scrollRect
void installError(Vm& vm);
void installDate(Vm& vm);
void installXml(Vm& vm);
void installMisc(Vm& vm);   // AsBroadcaster, Stage, Key, Mouse
void installSystem(Vm& vm); // System, Accessibility, getVersion
void installMedia(Vm& vm);  // Camera, Microphone, NetConnection, NetStream, Video
void installFileReference(Vm& vm);
void installExternalInterface(Vm& vm);
void installPrintJob(Vm& vm);
void installGeometry(Vm& vm);
void installSharedObject(Vm& vm);
void installColor(Vm& vm);
void installTextFormat(Vm& vm);
void installTextField(Vm& vm);  // the prototype's properties and methods
void installStyleSheet(Vm& vm); // TextField.StyleSheet
void installTextSnapshot(Vm& vm);
void installSound(Vm& vm);
void installMovieClipLoader(Vm& vm); // and MovieClip's methods about loaded files
void installLoadVars(Vm& vm);
void installNetObjects(Vm& vm);   // XMLSocket, LocalConnection: nothing leaves the process
void installPlaceholders(Vm& vm); // classes not implemented yet, so scripts find them
// Hides what a later player added from older movies (after everything is installed).
void markVersionedBuiltins(Vm& vm);
// ASnative, ASSetNative, ASconstructor: built-ins by the player's own numbers.
void installNativeIds(Vm& vm);

// Sound objects' events: files loaded, sounds ended (once a frame).
void deliverSoundEvents(Vm& vm);
// Vm::deferredBroadcasts, sent and cleared (once a frame).
void deliverDeferredBroadcasts(Vm& vm);
// MovieClip.loadVariables(url).
Value clipLoadVariables(Vm& vm, const Value& self, Args args);
// Text files loaded for XML, LoadVars and loadVariables (once the scripts have run).
void deliverLoads(Vm& vm);
// stopAllSounds() and the StopSounds action.
void stopAllSounds(Vm& vm);

// "LNX 32,0,0,0": $version, getVersion(), System.capabilities.version.
QString playerVersion();
// A text field's script object for its tag: settings, text, listeners, variable.
void initTextField(Vm& vm, TextFieldObject& field, const EditText& def);

// Array helpers other classes use.
std::vector<Value> arrayElements(Vm& vm, Object* array);
// A broadcaster's listeners: calls name on each with args.
void broadcast(Vm& vm, Object* broadcaster, const QString& name, Args args);
void makeBroadcaster(Vm& vm, Object* object);

} // namespace reelcase::swf::avm1::builtins
