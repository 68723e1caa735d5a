#include "swf/script/input_scripts.h"

#include "swf/display/button.h"
#include "swf/display/timeline_instance.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/clip_object.h"
#include "swf/script/vm.h"

namespace reelcase::swf {

using namespace avm1;

namespace {

// Clip event flags of PlaceObject's clip actions.
enum : std::uint32_t {
    EventPress = 0x400,
    EventRelease = 0x800,
    EventReleaseOutside = 0x1000,
    EventRollOver = 0x2000,
    EventRollOut = 0x4000,
    EventDragOver = 0x8000,
    EventDragOut = 0x10000,
    EventKeyPress = 0x20000,
    PointerEvents = 0x1fc00,
};

const char* const pointerHandlers[] = {"onPress",   "onRelease",  "onReleaseOutside", "onRollOver",
                                       "onRollOut", "onDragOver", "onDragOut"};

struct Handler {
    std::uint32_t flag;
    const char* method;
};

Handler handlerOf(int t) {
    switch (t) {
    case transition::IdleToOverUp:
        return {EventRollOver, "onRollOver"};
    case transition::OverUpToIdle:
        return {EventRollOut, "onRollOut"};
    case transition::OverUpToOverDown:
        return {EventPress, "onPress"};
    case transition::OverDownToOverUp:
        return {EventRelease, "onRelease"};
    case transition::OverDownToOutDown:
    case transition::OverDownToIdle:
        return {EventDragOut, "onDragOut"};
    case transition::OutDownToOverDown:
    case transition::IdleToOverDown:
        return {EventDragOver, "onDragOver"};
    default:
        return {EventReleaseOutside, "onReleaseOutside"};
    }
}

// A clip acting as a button shows its _up, _over and _down frames where it has them.
void showClipState(TimelineInstance& clip, ButtonState state) {
    const char* label = state == ButtonState::Down   ? "_down"
                        : state == ButtonState::Over ? "_over"
                                                     : "_up";
    const int frame = clip.definition().frameOfLabel(QLatin1String(label));
    if (frame < 0)
        return;
    clip.gotoFrame(frame);
    clip.stop();
}

} // namespace

bool InputScripts::isFunctionMember(Object* object, const QString& name) {
    Property* p = object ? m_vm.lookup(object, name) : nullptr;
    Object* value = p ? objectOf(p->value) : nullptr;
    return value && value->kind() == Kind::Function;
}

void InputScripts::callHandler(Object* object, const QString& name, int argument,
                               bool withArgument) {
    if (!object)
        return;
    const Value args[] = {Value(static_cast<double>(argument))};
    try {
        m_vm.callIfPresent(object, name, withArgument ? Args(args) : Args());
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
}

bool InputScripts::actsAsButton(TimelineInstance& clip) {
    ClipObject* o = m_vm.clipObject(clip);
    if (Property* enabled = m_vm.lookup(o, QStringLiteral("enabled")))
        if (!m_vm.toBoolean(enabled->value))
            return false;
    if (const DisplayObject* entry = clip.entry(); entry && entry->clipActions)
        for (const ClipAction& action : *entry->clipActions)
            if (action.events & PointerEvents)
                return true;
    for (const char* name : pointerHandlers)
        if (isFunctionMember(o, QLatin1String(name)))
            return true;
    return false;
}

bool InputScripts::buttonEnabled(TimelineInstance& parent, DisplayObject& button) {
    Object* o = m_vm.displayObjectFor(parent, button);
    Property* enabled = o ? m_vm.lookup(o, QStringLiteral("enabled")) : nullptr;
    return !enabled || m_vm.toBoolean(enabled->value);
}

bool InputScripts::showsHand(TimelineInstance& parent, DisplayObject& object) {
    Object* o = m_vm.displayObjectFor(parent, object);
    Property* p = o ? m_vm.lookup(o, QStringLiteral("useHandCursor")) : nullptr;
    if (p)
        return m_vm.toBoolean(p->value);
    return !object.button || object.button->useHandCursor;
}

void InputScripts::pointerTransition(TimelineInstance& parent, DisplayObject& object,
                                     int transition) {
    const Handler handler = handlerOf(transition);
    if (std::shared_ptr<TimelineInstance> clip = object.sprite) {
        showClipState(*clip, stateAfter(transition));
        if (auto actions = object.clipActions)
            for (const ClipAction& action : *actions)
                if (action.events & handler.flag)
                    m_vm.runBlock(*clip, action.code);
        if (clip->parent() || clip.get() == m_vm.root())
            callHandler(m_vm.clipObject(*clip), QLatin1String(handler.method));
        return;
    }
    Object* o = m_vm.displayObjectFor(parent, object);
    if (object.button) {
        // The button's own actions may remove it (or its parent): what follows holds on
        // to the parent and the script object, never to the display entry.
        const Vm::RootGuard guard(m_vm, Value(o));
        const std::shared_ptr<TimelineInstance> keep = parent.shared_from_this();
        for (const Button::Action& action : object.button->definition->actions())
            if (action.transitions & transition)
                m_vm.runBlock(*keep, action.code);
        const auto* handle = dynamic_cast<const DisplayHandle*>(o);
        if (!handle || !handle->entry())
            return;
    }
    callHandler(o, QLatin1String(handler.method));
}

Object* InputScripts::rootMenu() {
    if (!m_vm.root())
        return nullptr;
    return objectOf(m_vm.getMember(Value(m_vm.clipObject(*m_vm.root())), QStringLiteral("menu")));
}

std::vector<Object*> InputScripts::shownItems(Object* menu) {
    std::vector<Object*> out;
    Object* items = objectOf(m_vm.getMember(Value(menu), QStringLiteral("customItems")));
    if (!items)
        return out;
    for (const Value& v : builtins::arrayElements(m_vm, items)) {
        Object* item = objectOf(v);
        if (!item || !m_vm.toBoolean(m_vm.getMember(Value(item), QStringLiteral("visible"))))
            continue;
        const Value caption = m_vm.getMember(Value(item), QStringLiteral("caption"));
        if (std::holds_alternative<QString>(caption) && !std::get<QString>(caption).isEmpty())
            out.push_back(item);
    }
    return out;
}

std::vector<CustomMenuItem> InputScripts::openMenu() {
    Object* menu = rootMenu();
    if (!menu)
        return {};
    const Value args[] = {Value(m_vm.clipObject(*m_vm.root())), Value(menu)};
    try {
        m_vm.callIfPresent(menu, QStringLiteral("onSelect"), Args(args));
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
    std::vector<CustomMenuItem> out;
    for (Object* item : shownItems(menu)) {
        auto flag = [&](const char* name) {
            return m_vm.toBoolean(m_vm.getMember(Value(item), QLatin1String(name)));
        };
        out.push_back({m_vm.toString(m_vm.getMember(Value(item), QStringLiteral("caption"))),
                       flag("enabled"), flag("separatorBefore")});
    }
    return out;
}

void InputScripts::menuItemChosen(int index) {
    Object* menu = rootMenu();
    if (!menu || index < 0)
        return;
    const std::vector<Object*> items = shownItems(menu);
    if (static_cast<std::size_t>(index) >= items.size())
        return;
    Object* item = items[static_cast<std::size_t>(index)];
    if (!m_vm.toBoolean(m_vm.getMember(Value(item), QStringLiteral("enabled"))))
        return;
    const Value args[] = {Value(m_vm.clipObject(*m_vm.root())), Value(item)};
    try {
        m_vm.callIfPresent(item, QStringLiteral("onSelect"), Args(args));
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
}

void InputScripts::inputEvent(Event event, int detail) {
    // The runtime runs the mouse and key clip events and listeners; this adds the wheel and
    // the key-press clip events.
    if (!m_vm.root())
        return;
    if (event == Event::KeyDown && detail != 0) {
        for (const auto& clip : clipsOnStage(*m_vm.root())) {
            if (clip.get() != m_vm.root() && !clip->parent())
                continue; // removed by an earlier handler
            const DisplayObject* entry = clip->entry();
            auto actions = entry ? entry->clipActions : nullptr;
            if (!actions)
                continue;
            for (const ClipAction& action : *actions)
                if ((action.events & EventKeyPress) && action.keyCode == detail)
                    m_vm.runBlock(*clip, action.code);
        }
        return;
    }
    if (event != Event::MouseWheel)
        return;
    Object* mouse = objectOf(m_vm.getMember(Value(m_vm.global), QStringLiteral("Mouse")));
    if (!mouse)
        return;
    for (Object* listener : m_vm.listeners(mouse)) {
        auto* clip = dynamic_cast<ClipObject*>(listener);
        if (clip && (clip->unloaded || !clip->timeline()))
            continue; // a clip that left the stage hears nothing
        callHandler(listener, QStringLiteral("onMouseWheel"), detail, true);
    }
}

} // namespace reelcase::swf
