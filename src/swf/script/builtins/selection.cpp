#include "swf/script/builtins/selection.h"

#include "swf/display/timeline_instance.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/heap.h"
#include "swf/script/text_field.h"
#include "swf/text/edit_text.h"

#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>

namespace reelcase::swf::avm1::builtins {
namespace {

// The Selection object keeps the focus so that it lives and dies with the movie's objects.
class SelectionObject : public Object {
public:
    using Object::Object;
    void markChildren(Heap& heap) override {
        Object::markChildren(heap);
        heap.mark(focus);
        heap.mark(shownField);
    }
    Object* focus = nullptr;
    Object* shownField = nullptr; // the field drawn with its selection
    bool byTab = false;           // the focus came by Tab: its rectangle shows
    bool mouseHasKeys = false;    // the mouse moved since the focus last did
};

SelectionObject* selection(Vm& vm) {
    return dynamic_cast<SelectionObject*>(
        objectOf(vm.getMember(Value(vm.global), QStringLiteral("Selection"))));
}

bool onStage(Vm& vm, Object* o) {
    auto* handle = dynamic_cast<DisplayHandle*>(o);
    if (!handle)
        return false;
    if (auto* clip = dynamic_cast<ClipObject*>(o); clip && clip->isRoot)
        return true;
    (void)vm;
    // A hidden object may still be given focus; hiding the holder takes it away.
    return handle->entry() != nullptr;
}

TextFieldObject* focusedField(Vm& vm) {
    Object* o = focusedObject(vm);
    return o && o->kind() == Kind::TextField ? static_cast<TextFieldObject*>(o) : nullptr;
}

Value getFocus(Vm& vm, const Value&, Args) {
    Object* o = focusedObject(vm);
    return o ? Value(vm.toString(Value(o))) : Value(Null{});
}

Value setFocus(Vm& vm, const Value&, Args args) {
    const Value target = arg(args, 0);
    if (isVoid(target)) {
        // Clearing takes exactly one argument, and then succeeds with or without a focus.
        if (args.size() != 1)
            return false;
        moveFocus(vm, nullptr);
        return true;
    }
    Object* o = objectOf(target);
    if (!o && vm.root()) {
        // A path from the root, as eval would find it.
        o = vm.clipObject(*vm.root());
        for (const QString& step : vm.toString(target).split(u'.', Qt::SkipEmptyParts)) {
            if (!o)
                break;
            if (step.compare(QLatin1String("_level0"), Qt::CaseInsensitive) != 0 &&
                !vm.sameName(step, QStringLiteral("_root")))
                o = objectOf(vm.getMember(Value(o), step));
        }
    }
    if (!o || !canTakeFocus(vm, o))
        return false;
    auto* handle = dynamic_cast<DisplayHandle*>(o);
    TimelineInstance* parent = nullptr;
    DisplayObject* e = handle && !dynamic_cast<ClipObject*>(o) ? handle->entry(&parent) : nullptr;
    if (e && e->button && parent && vm.context().focusGivenToButton)
        vm.context().focusGivenToButton(*parent, *e);
    moveFocus(vm, o);
    return true;
}

Value getBeginIndex(Vm& vm, const Value&, Args) {
    TextFieldObject* f = focusedField(vm);
    return f ? static_cast<double>(std::min(f->selectionBegin, f->selectionEnd)) : -1.0;
}

Value getEndIndex(Vm& vm, const Value&, Args) {
    TextFieldObject* f = focusedField(vm);
    return f ? static_cast<double>(std::max(f->selectionBegin, f->selectionEnd)) : -1.0;
}

Value getCaretIndex(Vm& vm, const Value&, Args) {
    TextFieldObject* f = focusedField(vm);
    return f ? static_cast<double>(f->selectionEnd) : -1.0;
}

Value setSelection(Vm& vm, const Value&, Args args) {
    TextFieldObject* f = focusedField(vm);
    if (!f || args.empty())
        return Undefined{};
    auto clamped = [&](const Value& v) {
        const double d = vm.toNumber(v);
        return std::isfinite(d) ? static_cast<int>(std::clamp(d, 0.0, double(f->rich.size()))) : 0;
    };
    // The selection runs from the anchor (first) to the caret (second).
    f->selectionBegin = clamped(args[0]);
    f->selectionEnd = args.size() > 1 ? clamped(args[1]) : f->selectionBegin;
    return Undefined{};
}

// A clip with pointer handlers acts as a button for focus and Tab. The handler only has to
// be there: one set to undefined still counts until it is deleted.
bool hasButtonHandlers(Vm& vm, Object* o) {
    Value v;
    for (const char* handler : {"onPress", "onRelease", "onReleaseOutside", "onRollOver",
                                "onRollOut", "onDragOver", "onDragOut"})
        if (vm.findMember(o, QLatin1String(handler), v))
            return true;
    return false;
}

struct TabStop {
    Object* object = nullptr;
    QPointF position; // stage twips, top left
    std::optional<double> tabIndex;
};

std::optional<bool> flag(Vm& vm, Object* o, const char* name) {
    Value v;
    if (!vm.findMember(o, QLatin1String(name), v) || isVoid(v))
        return std::nullopt;
    return vm.toBoolean(v);
}

// hasIndex: a tab index also makes a clip a stop.
bool isTabStop(Vm& vm, Object* o, bool hasIndex) {
    const std::optional<bool> enabled = flag(vm, o, "tabEnabled");
    // Only input fields take Tab, and tabEnabled can only keep them out.
    if (o->kind() == Kind::TextField)
        return static_cast<TextFieldObject*>(o)->input && enabled.value_or(true);
    if (enabled)
        return *enabled;
    if (!dynamic_cast<ClipObject*>(o))
        return true; // a button
    return hasIndex || hasButtonHandlers(vm, o);
}

// Every visible object Tab can reach, in display order.
void collectTabStops(Vm& vm, TimelineInstance& clip, const QTransform& toStage,
                     std::vector<TabStop>& out, int nesting = 0) {
    if (nesting > 64)
        return;
    for (const auto& [depth, entry] : clip.displayList()) {
        DisplayObject& object = const_cast<DisplayObject&>(entry);
        if (!object.placement.visible || !object.character ||
            (!object.sprite && !object.button && !dynamic_cast<const EditText*>(object.character)))
            continue;
        const QTransform m = object.placement.matrix * toStage;
        Object* o = vm.displayObjectFor(clip, object);
        Value index;
        vm.findMember(o, QStringLiteral("tabIndex"), index);
        // Indices order as 32-bit signed numbers; -1 (all bits set) is no index.
        const double i = vm.toNumber(index);
        const std::optional<double> tabIndex =
            typeOf(index) == TypeNumber && std::isfinite(i) && toUint32(i) != 0xFFFFFFFFu
                ? std::optional<double>(toInt32(i))
                : std::nullopt;
        if (isTabStop(vm, o, tabIndex.has_value()))
            out.push_back({o, toStage.mapRect(objectBounds(object)).topLeft(), tabIndex});
        if (object.sprite && flag(vm, o, "tabChildren").value_or(true))
            collectTabStops(vm, *object.sprite, m, out, nesting + 1);
    }
}

// The topmost visible text field whose box holds the stage point (twips).
TextFieldObject* fieldAt(Vm& vm, TimelineInstance& clip, const QTransform& toStage, QPointF point,
                         int nesting = 0) {
    if (nesting > 64)
        return nullptr;
    const auto& list = clip.displayList();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        DisplayObject& object = const_cast<DisplayObject&>(it->second);
        if (!object.placement.visible)
            continue;
        const QTransform m = object.placement.matrix * toStage;
        if (object.sprite) {
            if (TextFieldObject* f = fieldAt(vm, *object.sprite, m, point, nesting + 1))
                return f;
            continue;
        }
        const auto* edit = dynamic_cast<const EditText*>(object.character);
        if (!edit || !m.isInvertible() || !edit->bounds().contains(m.inverted().map(point)))
            continue;
        Object* o = vm.displayObjectFor(clip, object);
        return o && o->kind() == Kind::TextField ? static_cast<TextFieldObject*>(o) : nullptr;
    }
    return nullptr;
}

} // namespace

void focusAtPointer(Vm& vm, QPointF stage) {
    if (!vm.root())
        return;
    hideFocusRectangle(vm);
    const QPointF point = stage * 20;
    TextFieldObject* field = fieldAt(vm, *vm.root(), QTransform(), point);
    if (!field || !field->settings.selectable) {
        if (Object* now = focusedObject(vm); now && now->kind() == Kind::TextField)
            moveFocus(vm, nullptr);
        return;
    }
    moveFocus(vm, field);
    TimelineInstance* parent = nullptr;
    const DisplayObject* e = field->entry(&parent);
    if (!e)
        return;
    const TextLayout layout = field->layout();
    QTransform toStage; // the parents' matrices, innermost first
    for (TimelineInstance* p = parent; p && p->parent(); p = p->parent())
        if (const DisplayObject* pe = p->entry())
            toStage = toStage * pe->placement.matrix;
    QPointF local = (e->placement.matrix * toStage).inverted().map(point);
    const int line = field->scroll - 1;
    if (line > 0 && line < layout.lineTops.size())
        local.ry() += layout.lineTops[line] - layout.lineTops.front();
    field->selectionBegin = field->selectionEnd = caretIndexAt(layout, local);
    field->restartCaret(vm);
}

void scrollFieldAtPointer(Vm& vm, QPointF stage, int lines) {
    TextFieldObject* field =
        vm.root() ? fieldAt(vm, *vm.root(), QTransform(), stage * 20) : nullptr;
    if (!field || !field->mouseWheelEnabled || lines == 0)
        return;
    vm.setMember(Value(field), QStringLiteral("scroll"), double(field->scroll - lines));
}

void focusLeaving(Vm& vm, const DisplayObject& object) {
    SelectionObject* s = selection(vm);
    auto* held = s ? dynamic_cast<DisplayHandle*>(s->focus) : nullptr;
    if (!held)
        return;
    bool gone = held->id == object.id;
    if (!gone && object.sprite) {
        // The focus may sit inside the clip that leaves.
        TimelineInstance* p = nullptr;
        if (auto* clip = dynamic_cast<ClipObject*>(held)) {
            auto t = clip->timeline();
            p = t ? t->parent() : nullptr;
        } else {
            held->entry(&p);
        }
        for (int i = 0; p && i < 256 && !gone; ++i, p = p->parent())
            gone = p == object.sprite.get();
    }
    if (!gone)
        return;
    try {
        moveFocus(vm, nullptr);
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
}

namespace {
// Keys reach a focused clip or button until the mouse moves.
bool keysReachFocus(Vm& vm) {
    SelectionObject* s = selection(vm);
    return s && !s->mouseHasKeys;
}
} // namespace

void keyToFocus(Vm& vm, bool down) {
    Object* o = focusedObject(vm);
    if (o && o->kind() != Kind::TextField && keysReachFocus(vm))
        vm.callIfPresent(o, down ? QStringLiteral("onKeyDown") : QStringLiteral("onKeyUp"));
}

void pressFocused(Vm& vm, const std::function<void(bool release)>& buttonTransition) {
    Object* o = focusedObject(vm);
    if (!o || o->kind() == Kind::TextField || !keysReachFocus(vm))
        return;
    // Keyboard presses belong to the focus rectangle: with it turned off the keys only reach
    // onKeyDown and onKeyUp.
    if (auto* handle = dynamic_cast<DisplayHandle*>(o); handle && !showsFocusRect(vm, *handle))
        return;
    const bool button = !dynamic_cast<ClipObject*>(o);
    if (button)
        buttonTransition(false);
    vm.callIfPresent(o, QStringLiteral("onPress"));
    // The press may have moved the focus or removed the button.
    if (button && focusedObject(vm) == o)
        buttonTransition(true);
    vm.callIfPresent(o, QStringLiteral("onRelease"));
}

void moveTabFocus(Vm& vm, bool backwards) {
    Object* next = nextTabStop(vm, backwards);
    if (!next)
        return;
    moveFocus(vm, next);
    if (SelectionObject* s = selection(vm))
        s->byTab = true;
}

Object* nextTabStop(Vm& vm, bool backwards) {
    if (!vm.root())
        return nullptr;
    std::vector<TabStop> stops;
    if (flag(vm, vm.clipObject(*vm.root()), "tabChildren").value_or(true))
        collectTabStops(vm, *vm.root(), QTransform(), stops);
    // Tab indices, once any object has one, name the whole order.
    const bool custom =
        std::any_of(stops.begin(), stops.end(), [](const TabStop& t) { return t.tabIndex; });
    if (custom) {
        std::erase_if(stops, [](const TabStop& t) { return !t.tabIndex; });
        std::stable_sort(stops.begin(), stops.end(), [](const TabStop& a, const TabStop& b) {
            return *a.tabIndex < *b.tabIndex;
        });
    } else {
        // Reading order: rows from the top, then from the left.
        std::stable_sort(stops.begin(), stops.end(), [](const TabStop& a, const TabStop& b) {
            if (a.position.y() != b.position.y())
                return a.position.y() < b.position.y();
            return a.position.x() < b.position.x();
        });
    }
    if (stops.empty())
        return nullptr;
    Object* now = focusedObject(vm);
    const auto at =
        std::find_if(stops.begin(), stops.end(), [&](const TabStop& t) { return t.object == now; });
    std::size_t next = 0;
    if (at == stops.end())
        next = backwards ? stops.size() - 1 : 0;
    else {
        const std::size_t i = static_cast<std::size_t>(at - stops.begin());
        next = backwards ? (i + stops.size() - 1) % stops.size() : (i + 1) % stops.size();
    }
    return stops[next].object;
}

Object* focusedObject(Vm& vm) {
    SelectionObject* s = selection(vm);
    if (!s || !s->focus)
        return nullptr;
    if (!onStage(vm, s->focus))
        return nullptr;
    return s->focus;
}

bool canTakeFocus(Vm& vm, Object* o) {
    if (!onStage(vm, o))
        return false;
    if (o->kind() == Kind::TextField)
        return true;
    auto* clip = dynamic_cast<ClipObject*>(o);
    if (!clip)
        return true; // a button
    if (clip->isRoot)
        return false;
    return flag(vm, o, "focusEnabled").value_or(false) || hasButtonHandlers(vm, o);
}

void moveFocus(Vm& vm, Object* target) {
    SelectionObject* s = selection(vm);
    if (!s)
        return;
    Object* old = focusedObject(vm);
    s->mouseHasKeys = false;
    // A field taking focus, even again, has all its text selected.
    if (auto* field = dynamic_cast<TextFieldObject*>(target)) {
        field->selectionBegin = 0;
        field->selectionEnd = field->rich.size();
        field->restartCaret(vm);
    }
    if (old == target && s->focus == target)
        return;
    s->focus = target;
    const Value oldValue = old ? Value(old) : Value(Null{});
    const Value newValue = target ? Value(target) : Value(Null{});
    if (old)
        vm.callIfPresent(old, QStringLiteral("onKillFocus"), std::array<Value, 1>{newValue});
    if (target)
        vm.callIfPresent(target, QStringLiteral("onSetFocus"), std::array<Value, 1>{oldValue});
    broadcast(vm, s, QStringLiteral("onSetFocus"), std::array<Value, 2>{oldValue, newValue});
}

std::optional<QRectF> focusRectangle(Vm& vm) {
    SelectionObject* s = selection(vm);
    auto* handle = s && s->byTab ? dynamic_cast<DisplayHandle*>(focusedObject(vm)) : nullptr;
    if (!handle || handle->kind() == Kind::TextField || !showsFocusRect(vm, *handle))
        return std::nullopt;
    TimelineInstance* parent = nullptr;
    const DisplayObject* e = handle->entry(&parent);
    if (!e)
        return std::nullopt;
    QTransform toStage; // the parents' matrices, innermost first
    for (TimelineInstance* p = parent; p && p->parent(); p = p->parent())
        if (const DisplayObject* pe = p->entry())
            toStage = toStage * pe->placement.matrix;
    const QRectF box = toStage.mapRect(objectBounds(*e));
    if (box.isEmpty())
        return std::nullopt;
    return box;
}

void hideFocusRectangle(Vm& vm) {
    if (SelectionObject* s = selection(vm))
        s->byTab = false;
}

void mouseTakesKeys(Vm& vm) {
    hideFocusRectangle(vm);
    if (SelectionObject* s = selection(vm))
        s->mouseHasKeys = true;
}

void showFocus(Vm& vm) {
    SelectionObject* s = selection(vm);
    if (!s)
        return;
    TextFieldObject* now = focusedField(vm);
    if (auto* old = static_cast<TextFieldObject*>(s->shownField); old && old != now) {
        old->showsFocus = false;
        old->changed(vm, false);
    }
    s->shownField = now;
    if (!now)
        return;
    now->showsFocus = true;
    now->blinkCaret(vm);
    if (now->drawnCursor != now->cursor())
        now->changed(vm, false);
}

void installSelection(Vm& vm) {
    auto* s = vm.heap().make<SelectionObject>(vm.protos.object);
    vm.global->put(QStringLiteral("Selection"), s, DontEnum);
    makeBroadcaster(vm, s);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"getFocus", getFocus},           {"setFocus", setFocus},
        {"getBeginIndex", getBeginIndex}, {"getEndIndex", getEndIndex},
        {"getCaretIndex", getCaretIndex}, {"setSelection", setSelection},
    };
    for (const auto& [name, fn] : methods)
        vm.method(s, QLatin1String(name), fn);
}

} // namespace reelcase::swf::avm1::builtins
