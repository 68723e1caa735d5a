// The properties of text fields as scripts read and write them.

#include "swf/script/text_field.h"

#include "swf/script/builtins/builtins.h"

#include <array>
#include <cmath>

namespace reelcase::swf::avm1 {

namespace {

using Field = TextFieldObject;

template <bool EditTextSettings::*Flag> Value getFlag(Vm&, Field& f) {
    return f.settings.*Flag;
}

template <bool EditTextSettings::*Flag> void setFlag(Vm& vm, Field& f, const Value& v) {
    f.settings.*Flag = vm.toBoolean(v);
    f.changed(vm, false);
}

template <QColor EditTextSettings::*Colour> Value getColour(Vm&, Field& f) {
    return static_cast<double>((f.settings.*Colour).rgb() & 0xFFFFFF);
}

template <QColor EditTextSettings::*Colour> void setColour(Vm& vm, Field& f, const Value& v) {
    f.settings.*Colour = QColor::fromRgb(QRgb(0xFF000000u | (toUint32(vm.toNumber(v)) & 0xFFFFFF)));
    f.changed(vm, false);
}

bool isNothing(const Value& v) {
    return isVoid(v); // undefined or null
}

Value nullIfEmpty(const QString& s) {
    return s.isEmpty() ? Value(Null{}) : Value(s);
}

double pixels(double twips) {
    return std::round(twips) / 20;
}

void readOnly(Vm&, Field&, const Value&) {}

Value getText(Vm& vm, Field& f) {
    f.pullVariable(vm);
    return f.rich.text();
}

Value getHtmlText(Vm& vm, Field& f) {
    f.pullVariable(vm);
    return f.settings.html ? f.rich.html(f.newFormat) : f.rich.text();
}

Value getScroll(Vm&, Field& f) {
    return static_cast<double>(f.scroll);
}

void setScroll(Vm& vm, Field& f, const Value& v) {
    const double d = vm.toNumber(v);
    if (!std::isfinite(d))
        return;
    const int before = f.scroll;
    f.scroll = static_cast<int>(std::clamp(d, 1.0, static_cast<double>(f.maxScroll())));
    f.changed(vm, false);
    if (f.scroll != before)
        builtins::broadcast(vm, &f, QStringLiteral("onScroller"), std::array<Value, 1>{Value(&f)});
}

Value getMaxHScroll(Vm&, Field& f) {
    const double spare = f.layout().width - (f.settings.bounds.width() - 2 * kTextGutter);
    return std::max(0.0, std::ceil(spare / 20));
}

void setHScroll(Vm& vm, Field& f, const Value& v) {
    const double d = vm.toNumber(v);
    if (!std::isfinite(d))
        return;
    f.hscroll = static_cast<int>(std::clamp(d, 0.0, vm.toNumber(getMaxHScroll(vm, f))));
    f.changed(vm, false);
}

void setAutoSize(Vm& vm, Field& f, const Value& v) {
    QString mode = QStringLiteral("none");
    if (typeOf(v) == TypeBool)
        mode = std::get<bool>(v) ? QStringLiteral("left") : QStringLiteral("none");
    else {
        const QString s = vm.toString(v);
        for (const char* m : {"left", "right", "center"})
            if (s == QLatin1String(m))
                mode = s;
    }
    f.autoSize = mode;
    f.settings.autoSize = mode != u"none";
    f.changed(vm, false);
}

void setTextColour(Vm& vm, Field& f, const Value& v) {
    FormatPatch patch;
    patch.color = toUint32(vm.toNumber(v)) & 0xFFFFFF;
    f.newFormat.color = *patch.color;
    f.rich.applyFormat(0, f.rich.size(), patch);
    f.changed(vm, false);
}

const TextFieldProperty properties[] = {
    {"gridFitType", [](Vm&, Field&) -> Value { return QStringLiteral("pixel"); }, readOnly, 8},
    {"antiAliasType", [](Vm&, Field&) -> Value { return QStringLiteral("normal"); }, readOnly, 8},
    {"thickness", [](Vm&, Field&) -> Value { return 0.0; }, readOnly, 8},
    {"sharpness", [](Vm&, Field&) -> Value { return 0.0; }, readOnly, 8},
    {"filters", [](Vm& vm, Field&) -> Value { return vm.newArray(); }, readOnly, 8},
    {"scroll", getScroll, setScroll},
    {"maxscroll", [](Vm&, Field& f) -> Value { return static_cast<double>(f.maxScroll()); },
     readOnly},
    {"borderColor", getColour<&EditTextSettings::borderColour>,
     setColour<&EditTextSettings::borderColour>},
    {"backgroundColor", getColour<&EditTextSettings::backgroundColour>,
     setColour<&EditTextSettings::backgroundColour>},
    {"textColor", [](Vm&, Field& f) -> Value { return static_cast<double>(f.newFormat.color); },
     setTextColour},
    {"tabIndex", [](Vm&, Field& f) { return f.tabIndex; },
     [](Vm& vm, Field& f, const Value& v) {
         f.tabIndex = isVoid(v) ? v : Value(static_cast<double>(toUint32(vm.toNumber(v))));
     }},
    {"autoSize", [](Vm&, Field& f) -> Value { return f.autoSize; }, setAutoSize},
    {"text", getText,
     [](Vm& vm, Field& f, const Value& v) { f.setText(vm, vm.toString(v), false); }},
    {"type",
     [](Vm&, Field& f) -> Value {
         return f.input ? QStringLiteral("input") : QStringLiteral("dynamic");
     },
     [](Vm& vm, Field& f, const Value& v) {
         const QString s = vm.toString(v).toLower();
         if (s == u"input" || s == u"dynamic")
             f.input = s == u"input";
     }},
    {"htmlText", getHtmlText,
     [](Vm& vm, Field& f, const Value& v) { f.setText(vm, vm.toString(v), f.settings.html); }},
    {"variable", [](Vm&, Field& f) { return nullIfEmpty(f.settings.variable); },
     [](Vm& vm, Field& f, const Value& v) {
         f.settings.variable = isNothing(v) ? QString() : vm.toString(v);
         f.variableShown = false;
         f.pullVariable(vm);
     }},
    {"hscroll", [](Vm&, Field& f) -> Value { return static_cast<double>(f.hscroll); }, setHScroll},
    {"maxhscroll", getMaxHScroll, readOnly},
    {"maxChars",
     [](Vm&, Field& f) -> Value {
         return f.settings.maxLength > 0 ? Value(static_cast<double>(f.settings.maxLength))
                                         : Value(Null{});
     },
     [](Vm& vm, Field& f, const Value& v) {
         f.settings.maxLength = isNothing(v) ? 0 : std::max(0, toInt32(vm.toNumber(v)));
     }},
    {"embedFonts", getFlag<&EditTextSettings::useOutlines>,
     setFlag<&EditTextSettings::useOutlines>},
    {"html", getFlag<&EditTextSettings::html>, setFlag<&EditTextSettings::html>},
    {"border", getFlag<&EditTextSettings::border>, setFlag<&EditTextSettings::border>},
    {"background", getFlag<&EditTextSettings::background>, setFlag<&EditTextSettings::background>},
    {"wordWrap", getFlag<&EditTextSettings::wordWrap>, setFlag<&EditTextSettings::wordWrap>},
    {"password", getFlag<&EditTextSettings::password>, setFlag<&EditTextSettings::password>},
    {"multiline", getFlag<&EditTextSettings::multiline>, setFlag<&EditTextSettings::multiline>},
    {"selectable", getFlag<&EditTextSettings::selectable>, setFlag<&EditTextSettings::selectable>},
    {"length", [](Vm&, Field& f) -> Value { return static_cast<double>(f.rich.size()); }, readOnly},
    {"bottomScroll",
     [](Vm&, Field& f) -> Value {
         return static_cast<double>(
             std::min(f.scroll + f.visibleLines() - 1, std::max(1, f.layout().lineCount)));
     },
     readOnly},
    {"textWidth", [](Vm&, Field& f) -> Value { return pixels(f.layout().width); }, readOnly},
    {"textHeight", [](Vm&, Field& f) -> Value { return pixels(f.layout().height); }, readOnly},
    {"restrict",
     [](Vm&, Field& f) -> Value { return f.hasRestrict ? Value(f.restrict) : Value(Null{}); },
     [](Vm& vm, Field& f, const Value& v) {
         // An empty restrict lets everything through, as none does.
         f.restrict = isNothing(v) ? QString() : vm.toString(v);
         f.hasRestrict = !f.restrict.isEmpty();
     }},
    {"condenseWhite", [](Vm&, Field& f) -> Value { return f.condenseWhite; },
     [](Vm& vm, Field& f, const Value& v) { f.condenseWhite = vm.toBoolean(v); }},
    {"mouseWheelEnabled", [](Vm&, Field& f) -> Value { return f.mouseWheelEnabled; },
     [](Vm& vm, Field& f, const Value& v) { f.mouseWheelEnabled = vm.toBoolean(v); }},
    {"styleSheet", [](Vm&, Field& f) { return f.styleSheet; },
     [](Vm&, Field& f, const Value& v) { f.styleSheet = v; }},
};

const TextFieldProperty* find(Vm& vm, const QString& name) {
    for (const TextFieldProperty& p : properties)
        if (vm.sameName(name, QLatin1String(p.name)))
            return &p;
    return nullptr;
}

} // namespace

std::span<const TextFieldProperty> textFieldProperties() {
    return properties;
}

bool textFieldProperty(Vm& vm, TextFieldObject& field, const QString& name, Value& out) {
    const TextFieldProperty* p = find(vm, name);
    if (!p || p->since > 6)
        return false;
    out = p->get(vm, field);
    return true;
}

bool setTextFieldProperty(Vm& vm, TextFieldObject& field, const QString& name, const Value& value) {
    const TextFieldProperty* p = find(vm, name);
    if (!p || p->since > 6)
        return false;
    p->set(vm, field, value);
    return true;
}

} // namespace reelcase::swf::avm1
