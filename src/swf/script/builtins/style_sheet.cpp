#include "swf/script/builtins/style_sheet.h"

#include "swf/format/limits.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/data_load.h"
#include "swf/script/builtins/text_format.h"
#include "swf/text/css.h"

#include <cmath>
#include <limits>

// TextField.StyleSheet keeps its styles as copies in a hidden "_css" object, so that
// subclasses made with super() work as well as the class's own instances.
namespace reelcase::swf::avm1::builtins {
namespace {

const QString cssKey = QStringLiteral("_css");

// The whole number a CSS value starts with, after white space ("12px" is 12); none: NaN.
double leadingInteger(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s[i].isSpace())
        ++i;
    const bool negative = i < s.size() && s[i] == u'-';
    if (negative || (i < s.size() && s[i] == u'+'))
        ++i;
    double value = 0;
    const qsizetype first = i;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i)
        value = std::min(value * 10 + (s[i].unicode() - u'0'), 1e15);
    if (i == first)
        return std::numeric_limits<double>::quiet_NaN();
    return negative ? -value : value;
}

// "Arial, sans-serif": names trimmed in front, empty ones dropped, generic families as the
// player's device font names.
QString fontFamily(const QString& list) {
    QStringList names;
    for (QString name : list.split(u',')) {
        while (!name.isEmpty() && name.front().isSpace())
            name.remove(0, 1);
        if (name.isEmpty())
            continue;
        if (name == u"sans-serif")
            name = QStringLiteral("_sans");
        else if (name == u"serif")
            name = QStringLiteral("_serif");
        else if (name == u"mono")
            name = QStringLiteral("_typewriter");
        names.append(name);
    }
    return names.join(u',');
}

std::optional<unsigned> hexColour(const Value& v) {
    const QString* s = std::get_if<QString>(&v);
    if (!s || s->size() != 7 || !s->startsWith(u'#'))
        return std::nullopt;
    bool ok = false;
    const unsigned c = QStringView(*s).sliced(1).toUInt(&ok, 16);
    return ok ? std::optional<unsigned>(c) : std::nullopt;
}

Object* cssOf(Vm& vm, const Value& self, bool create) {
    Object* o = objectOf(self);
    if (!o)
        return nullptr;
    if (Property* p = o->find(cssKey); p && objectOf(p->value))
        return objectOf(p->value);
    if (!create)
        return nullptr;
    Object* css = vm.newObject();
    o->put(cssKey, css, DontEnum);
    return css;
}

// A style's own members, copied.
Object* copyStyle(Vm& vm, Object* style) {
    Object* copy = vm.newObject();
    for (const Property& p : style->properties())
        if (!(p.flags & DontEnum))
            copy->put(p.name, p.value);
    return copy;
}

void putStyle(Vm& vm, Object* css, const QString& name, Object* style) {
    if (!css->find(name) &&
        static_cast<int>(css->properties().size()) >= limits::maxStyleSheetStyles)
        return;
    css->put(name, style);
}

Value construct(Vm& vm, const Value& self, Args) {
    cssOf(vm, self, true);
    return self;
}

Value getStyle(Vm& vm, const Value& self, Args args) {
    Object* css = cssOf(vm, self, false);
    const Property* p = css ? css->find(vm.toString(arg(args, 0))) : nullptr;
    Object* style = p ? objectOf(p->value) : nullptr;
    return style ? Value(copyStyle(vm, style)) : Value(Null{});
}

Value setStyle(Vm& vm, const Value& self, Args args) {
    Object* css = cssOf(vm, self, true);
    if (!css || args.empty())
        return Undefined{};
    const QString name = vm.toString(args[0]);
    if (Object* style = objectOf(arg(args, 1)))
        putStyle(vm, css, name, copyStyle(vm, style));
    else
        css->remove(name);
    return Undefined{};
}

Value getStyleNames(Vm& vm, const Value& self, Args) {
    std::vector<Value> names;
    if (Object* css = cssOf(vm, self, false))
        for (const Property& p : css->properties())
            names.emplace_back(p.name);
    return vm.newArray(names);
}

Value clear(Vm& vm, const Value& self, Args) {
    if (Object* o = objectOf(self))
        o->put(cssKey, vm.newObject(), DontEnum);
    return Undefined{};
}

// Rules add to the styles already held (a selector named again gains the new
// declarations); malformed CSS changes nothing.
Value parseCSS(Vm& vm, const Value& self, Args args) {
    Object* css = cssOf(vm, self, true);
    const auto rules = parseCss(vm.toString(arg(args, 0)));
    if (!css || !rules)
        return false;
    for (const CssRule& rule : *rules) {
        const Property* p = css->find(rule.selector);
        Object* style = p ? objectOf(p->value) : nullptr;
        if (!style) {
            style = vm.newObject();
            Vm::RootGuard guard(vm, Value(style));
            putStyle(vm, css, rule.selector, style);
        }
        for (const auto& [name, value] : rule.declarations)
            style->put(name, value);
    }
    return true;
}

Value transform(Vm& vm, const Value&, Args args) {
    const Value style = arg(args, 0);
    if (isVoid(style))
        return Null{};
    QString display;
    const FormatPatch patch = styleFormat(vm, style, &display);
    Object* format = newTextFormat(vm, patch);
    if (auto* t = dynamic_cast<TextFormatObject*>(format))
        t->display = display;
    return format;
}

// What a load brings: its CSS read, then onLoad told whether that worked.
Value onData(Vm& vm, const Value& self, Args args) {
    Value ok(false);
    if (!isVoid(arg(args, 0))) {
        const Value text[] = {arg(args, 0)};
        ok = vm.callMethod(self, QStringLiteral("parseCSS"), text);
    }
    vm.callMethod(self, QStringLiteral("onLoad"), std::span<const Value>(&ok, 1));
    return Undefined{};
}

} // namespace

FormatPatch styleFormat(Vm& vm, const Value& style, QString* display) {
    FormatPatch f;
    f.kerning = false;
    const auto get = [&](const char* name) { return vm.getMember(style, QLatin1String(name)); };
    const auto word = [&](const char* name) {
        const Value v = get(name);
        const QString* s = std::get_if<QString>(&v);
        return s ? *s : QString();
    };
    // Numbers count when the value is true as a condition: 0, "" and false leave them unset.
    const auto number = [&](const char* name) -> std::optional<double> {
        const Value v = get(name);
        if (!vm.toBoolean(v))
            return std::nullopt;
        return leadingInteger(vm.toString(v));
    };
    if (auto c = hexColour(get("color")))
        f.color = *c;
    if (display) {
        const QString d = word("display");
        *display = d == u"inline" || d == u"none" ? d : QStringLiteral("block");
    }
    if (const Value v = get("fontFamily"); vm.toBoolean(v))
        f.font = fontFamily(vm.toString(v));
    if (auto size = number("fontSize"); size && *size > 0)
        f.size = *size;
    if (const QString s = word("fontStyle"); s == u"normal" || s == u"italic")
        f.italic = s == u"italic";
    if (const QString s = word("fontWeight"); s == u"normal" || s == u"bold")
        f.bold = s == u"bold";
    if (const Value v = get("kerning"); typeOf(v) == TypeString || typeOf(v) == TypeNumber) {
        const QString s = vm.toString(v);
        const double n = leadingInteger(s);
        f.kerning = s == u"true" || (!std::isnan(n) && n != 0);
    }
    const auto orZero = [](double d) { return std::isnan(d) ? 0.0 : d; };
    if (auto v = number("leading"))
        f.leading = orZero(*v);
    if (auto v = number("letterSpacing"))
        f.letterSpacing = *v;
    if (auto v = number("marginLeft"))
        f.leftMargin = std::max(0.0, orZero(*v));
    if (auto v = number("marginRight"))
        f.rightMargin = std::max(0.0, orZero(*v));
    if (auto v = number("textIndent"))
        f.indent = orZero(*v);
    const QString align = word("textAlign").toLower();
    if (align == u"left")
        f.align = TextAlign::Left;
    else if (align == u"center")
        f.align = TextAlign::Center;
    else if (align == u"right")
        f.align = TextAlign::Right;
    else if (align == u"justify")
        f.align = TextAlign::Justify;
    if (const QString s = word("textDecoration"); s == u"none" || s == u"underline")
        f.underline = s == u"underline";
    return f;
}

bool isStyleSheet(const Value& value) {
    const Object* o = objectOf(value);
    const Property* p = o ? o->find(cssKey) : nullptr;
    return p && objectOf(p->value);
}

std::optional<HtmlStyles> styleSheetStyles(Vm& vm, const Value& value) {
    Object* css = cssOf(vm, value, false);
    if (!css)
        return std::nullopt;
    HtmlStyles styles;
    for (const Property& p : css->properties())
        if (objectOf(p.value))
            styles.insert(p.name.toLower(), styleFormat(vm, p.value));
    return styles;
}

void installStyleSheet(Vm& vm) {
    Object* field = objectOf(vm.getMember(Value(vm.global), QStringLiteral("TextField")));
    if (!field || vm.version() < 7)
        return;
    Object* proto = vm.newObject();
    Vm::RootGuard guard(vm, Value(proto));
    FunctionObject* ctor = vm.newNative(construct);
    ctor->put(QStringLiteral("prototype"), proto, DontEnum | DontDelete);
    proto->put(QStringLiteral("constructor"), ctor, DontEnum);
    field->put(QStringLiteral("StyleSheet"), ctor, DontEnum);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"getStyle", getStyle}, {"setStyle", setStyle}, {"getStyleNames", getStyleNames},
        {"clear", clear},       {"parseCSS", parseCSS}, {"transform", transform},
        {"load", loadMethod},   {"onData", onData},
    };
    for (const auto& [name, fn] : methods)
        vm.method(proto, QLatin1String(name), fn);
}

} // namespace reelcase::swf::avm1::builtins
