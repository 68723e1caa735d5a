#pragma once

#include <optional>

#include "swf/script/vm.h"

namespace reelcase::swf {
struct DisplayObject;
}

namespace reelcase::swf::avm1 {

// A script object standing for one display object: found again by its parent and its
// display id, so it never dangles when the object leaves the stage.
class DisplayHandle : public Object {
public:
    using Object::Object;
    // The display entry and its parent, or null once the object is gone.
    DisplayObject* entry(TimelineInstance** parent = nullptr) const;
    std::weak_ptr<TimelineInstance> parent;
    std::uint64_t id = 0;
    int lastDepth = 0;
    // _focusrect: the root's is the movie's (default on); from SWF 6 other objects may have
    // their own (none: the movie's).
    std::optional<bool> focusRect;
    bool getNative(Vm& vm, const QString& name, Value& out) override;
    bool setNative(Vm& vm, const QString& name, const Value& value) override;
};

// Whether the yellow rectangle shows around the object when it has focus by Tab.
bool showsFocusRect(Vm& vm, const DisplayHandle& object);

// A movie clip (a sprite instance or the root).
class ClipObject : public DisplayHandle {
public:
    using DisplayHandle::DisplayHandle;
    Kind kind() const override { return Kind::Clip; }
    std::shared_ptr<TimelineInstance> timeline() const { return clip.lock(); }
    bool getNative(Vm& vm, const QString& name, Value& out) override;
    bool setNative(Vm& vm, const QString& name, const Value& value) override;

    // A child display object by instance name, as a value (undefined when none).
    Value child(Vm& vm, const QString& name);
    // Adds the names of named children to an enumeration.
    void childNames(std::vector<QString>& names, QSet<QString>& seen, Vm& vm);
    Object* duplicate(Vm& vm, const QString& name, int depth, Object* init);
    void removeByScript(Vm& vm);
    void loadMovie(Vm& vm, const QString& url);
    // The clip now shows a loaded movie: references to it stay good, what scripts set on
    // it is gone.
    void showsNewMovie(Vm& vm, TimelineInstance& now);

    std::weak_ptr<TimelineInstance> clip;
    bool isRoot = false;
    bool lockRoot = false; // _lockroot: _root within stops here
    bool loaded = false;   // onLoad has been sent
    bool unloaded = false; // left the stage
    QString dropTarget;    // where stopDrag left it (slash path)
    QString rootName;      // a level root's _name, as scripts set it
};

// The 0-based frame a goto names: a label first, then a number (1-based); -1: none.
int frameFor(Vm& vm, TimelineInstance& clip, const Value& frame);

// Levels: the root timeline of level n (null when none), the level a root stands at (-1
// when it is none), and the level a name such as "_level2" names (-1 when none).
TimelineInstance* levelRoot(Vm& vm, int n);
int levelOf(Vm& vm, const TimelineInstance& root);
int levelNumber(const QString& name);
// _root as code running on clip sees it: the nearest clip up from it whose _lockroot is
// set, else the root of its level.
Object* rootFor(Vm& vm, TimelineInstance* clip);
// The address of the file clip comes from ("file:///" and its path from the movie's
// folder; empty when the host does not say).
QString urlOf(Vm& vm, const TimelineInstance& clip);
// The object a slash or dot path names from start ("/a/b", "a.b", "..", "_root"); null
// when none.
// when none. warn: say so when a step meets a primitive, as the player does.
Object* resolveClipPath(Vm& vm, Object* start, const QString& path, bool warn = true);

// A clip's script object whose timeline has left the stage.
bool isRemovedClip(Object* o);

// SWF 4's property indices name these; every display object has them.
bool isDisplayProperty(const QString& name);

} // namespace reelcase::swf::avm1
