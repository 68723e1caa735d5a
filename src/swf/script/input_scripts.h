#pragma once

#include "swf/display/input_listener.h"

#include <QString>

namespace reelcase::swf {

namespace avm1 {
class Vm;
class Object;
} // namespace avm1

// The scripts' side of the user's input: clips with pointer handlers act as buttons,
// transitions call onPress and the rest, mouse and key events reach clip events and the
// Mouse and Key listeners.
class InputScripts : public InputListener {
public:
    explicit InputScripts(avm1::Vm& vm)
        : m_vm(vm) {}
    bool actsAsButton(TimelineInstance& clip) override;
    bool buttonEnabled(TimelineInstance& parent, DisplayObject& button) override;
    bool showsHand(TimelineInstance& parent, DisplayObject& object) override;
    void pointerTransition(TimelineInstance& parent, DisplayObject& object,
                           int transition) override;
    void inputEvent(Event event, int detail) override;
    std::vector<CustomMenuItem> openMenu() override;
    void menuItemChosen(int index) override;

private:
    // The root's menu (a ContextMenu) and its visible items with a caption.
    avm1::Object* rootMenu();
    std::vector<avm1::Object*> shownItems(avm1::Object* menu);
    bool isFunctionMember(avm1::Object* object, const QString& name);
    void callHandler(avm1::Object* object, const QString& name, int argument = 0,
                     bool withArgument = false);

    avm1::Vm& m_vm;
};

} // namespace reelcase::swf
