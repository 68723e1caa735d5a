#include "swf/script/builtins/text_format.h"

#include "swf/script/builtins/builtins.h"
#include "swf/text/edit_text.h"

#include <climits>
#include <cmath>
#include <utility>

namespace reelcase::swf::avm1::builtins {
namespace {

using Patch = FormatPatch;

// Whole numbers round half to even; what does not fit 32 bits becomes INT_MIN.
double toWhole(double d) {
    if (!std::isfinite(d) || d < INT_MIN || d > INT_MAX)
        return INT_MIN;
    return std::nearbyint(d);
}

template <std::optional<QString> Patch::*F> struct StringField {
    static Value get(Vm&, const Patch& p) { return (p.*F) ? Value(*(p.*F)) : Value(Null{}); }
    static void set(Vm& vm, Patch& p, const Value& v) {
        p.*F = isVoid(v) ? std::nullopt : std::optional<QString>(vm.toString(v));
    }
};

template <std::optional<bool> Patch::*F> struct BoolField {
    static Value get(Vm&, const Patch& p) { return (p.*F) ? Value(*(p.*F)) : Value(Null{}); }
    static void set(Vm& vm, Patch& p, const Value& v) {
        p.*F = isVoid(v) ? std::nullopt : std::optional<bool>(vm.toBoolean(v));
    }
};

enum class Floor {
    None,
    Zero,       // margins
    ZeroBefore8 // indents and leading: negative ones came with SWF 8
};

// Before SWF 8 what is no number is 0.
template <std::optional<double> Patch::*F, Floor Least = Floor::None> struct WholeField {
    static Value get(Vm&, const Patch& p) { return (p.*F) ? Value(*(p.*F)) : Value(Null{}); }
    static void set(Vm& vm, Patch& p, const Value& v) {
        if (isVoid(v)) {
            (p.*F).reset();
            return;
        }
        double d = vm.toNumber(v);
        const bool old = vm.version() < 8;
        if (old && !std::isfinite(d))
            d = 0;
        if (Least == Floor::Zero || (Least == Floor::ZeroBefore8 && old))
            d = std::max(0.0, d); // NaN and -Infinity become 0 too
        p.*F = toWhole(d);
    }
};

struct ColourField {
    static Value get(Vm&, const Patch& p) {
        return p.color ? Value(static_cast<double>(*p.color)) : Value(Null{});
    }
    static void set(Vm& vm, Patch& p, const Value& v) {
        p.color = isVoid(v) ? std::nullopt : std::optional<unsigned>(toUint32(vm.toNumber(v)));
    }
};

struct LetterSpacingField {
    static Value get(Vm&, const Patch& p) {
        return p.letterSpacing ? Value(*p.letterSpacing) : Value(Null{});
    }
    static void set(Vm& vm, Patch& p, const Value& v) {
        p.letterSpacing = isVoid(v) ? std::nullopt : std::optional<double>(vm.toNumber(v));
    }
};

struct AlignField {
    static Value get(Vm&, const Patch& p) {
        if (!p.align)
            return Null{};
        switch (*p.align) {
        case TextAlign::Right:
            return QStringLiteral("right");
        case TextAlign::Center:
            return QStringLiteral("center");
        case TextAlign::Justify:
            return QStringLiteral("justify");
        default:
            return QStringLiteral("left");
        }
    }
    static void set(Vm& vm, Patch& p, const Value& v) {
        // Before SWF 8 null and undefined are words like any other, and no alignment.
        if (isVoid(v) && vm.version() >= 8) {
            p.align.reset();
            return;
        }
        const QString s = vm.toString(v).toLower();
        if (s == u"left")
            p.align = TextAlign::Left;
        else if (s == u"right")
            p.align = TextAlign::Right;
        else if (s == u"center")
            p.align = TextAlign::Center;
        else if (s == u"justify")
            p.align = TextAlign::Justify;
    }
};

struct TabStopsField {
    static Value get(Vm& vm, const Patch& p) {
        if (!p.tabStops)
            return Null{};
        std::vector<Value> stops;
        for (double t : *p.tabStops)
            stops.emplace_back(t);
        return vm.newArray(stops);
    }
    static void set(Vm& vm, Patch& p, const Value& v) {
        if (isVoid(v)) {
            p.tabStops.reset();
            return;
        }
        QList<double> stops;
        if (Object* o = objectOf(v); o && o->kind() == Kind::Array) {
            for (const Value& e : arrayElements(vm, o))
                if (stops.size() < 1024)
                    stops.append(toWhole(vm.toNumber(e)));
        } else {
            stops.append(toWhole(vm.toNumber(v)));
        }
        p.tabStops = stops;
    }
};

struct Field {
    const char* name;
    Value (*get)(Vm&, const Patch&);
    void (*set)(Vm&, Patch&, const Value&);
};

template <typename F> constexpr Field field(const char* name) {
    return {name, &F::get, &F::set};
}

// In the constructor's argument order; the prototype defines them in reverse.
constexpr Field fields[] = {
    field<StringField<&Patch::font>>("font"),
    field<WholeField<&Patch::size>>("size"),
    field<ColourField>("color"),
    field<BoolField<&Patch::bold>>("bold"),
    field<BoolField<&Patch::italic>>("italic"),
    field<BoolField<&Patch::underline>>("underline"),
    field<StringField<&Patch::url>>("url"),
    field<StringField<&Patch::target>>("target"),
    field<AlignField>("align"),
    field<WholeField<&Patch::leftMargin, Floor::Zero>>("leftMargin"),
    field<WholeField<&Patch::rightMargin, Floor::Zero>>("rightMargin"),
    field<WholeField<&Patch::indent, Floor::ZeroBefore8>>("indent"),
    field<WholeField<&Patch::leading, Floor::ZeroBefore8>>("leading"),
    field<WholeField<&Patch::blockIndent, Floor::ZeroBefore8>>("blockIndent"),
    field<TabStopsField>("tabStops"),
    field<BoolField<&Patch::bullet>>("bullet"),
    field<BoolField<&Patch::kerning>>("kerning"),
    field<LetterSpacingField>("letterSpacing"),
};
constexpr int constructorArguments = 13; // font to leading

TextFormatObject* self(const Value& v) {
    return dynamic_cast<TextFormatObject*>(objectOf(v));
}

template <std::size_t I> Value getField(Vm& vm, const Value& v, Args) {
    TextFormatObject* t = self(v);
    return t ? fields[I].get(vm, t->format) : Value(Undefined{});
}

template <std::size_t I> Value setField(Vm& vm, const Value& v, Args args) {
    if (TextFormatObject* t = self(v))
        fields[I].set(vm, t->format, arg(args, 0));
    return Undefined{};
}

template <std::size_t... I> void installFields(Vm& vm, Object* proto, std::index_sequence<I...>) {
    // Defined last to first, so that they enumerate in the constructor's order.
    constexpr std::size_t n = sizeof...(I);
    (addAccessor(vm, proto, QLatin1String(fields[n - 1 - I].name), getField<n - 1 - I>,
                 setField<n - 1 - I>),
     ...);
}

Value getDisplay(Vm&, const Value& v, Args) {
    TextFormatObject* t = self(v);
    return t ? Value(t->display) : Value(Undefined{});
}

Value setDisplay(Vm& vm, const Value& v, Args args) {
    if (TextFormatObject* t = self(v); t && !isVoid(arg(args, 0))) {
        const QString s = vm.toString(arg(args, 0));
        if (s == u"block" || s == u"inline" || s == u"none")
            t->display = s;
    }
    return Undefined{};
}

// Width and height of text in this format, as a field would need them.
Value getTextExtent(Vm& vm, const Value& v, Args args) {
    TextFormatObject* t = self(v);
    if (!t)
        return Undefined{};
    const QString text = vm.toString(arg(args, 0));
    const bool wrap = args.size() > 1 && !isVoid(args[1]);
    const double width = wrap ? vm.toNumber(args[1]) : 0;
    CharFormat f;
    t->format.applyTo(f, true);
    EditTextSettings settings;
    const double boxWidth = wrap && std::isfinite(width) ? std::max(0.0, width) * 20 : 1e7;
    settings.bounds = QRectF(0, 0, boxWidth, 1e7);
    settings.wordWrap = wrap;
    settings.multiline = true;
    settings.format = f.textFormat();
    RichText rich;
    rich.setText(normaliseNewlines(text), f);
    const TextLayout layout = EditText::make(settings, rich.paragraphs(false, f))->layout();
    double ascent = 0, descent = 0;
    for (const TextFragment& fragment : layout.fragments)
        if (fragment.face) {
            ascent = std::max(ascent, fragment.face->ascent());
            descent = std::max(descent, fragment.face->descent());
        }
    Object* out = vm.newObject();
    const double w = std::round(layout.width / 20), h = std::round(layout.height / 20);
    out->put(QStringLiteral("ascent"), std::round(ascent / 20));
    out->put(QStringLiteral("descent"), std::round(descent / 20));
    out->put(QStringLiteral("width"), w);
    out->put(QStringLiteral("height"), h);
    out->put(QStringLiteral("textFieldHeight"), h + 4);
    out->put(QStringLiteral("textFieldWidth"), wrap ? std::max(0.0, width) : w + 4);
    return out;
}

Value textFormatCall(Vm& vm, const Value& v, Args args) {
    Object* o = objectOf(v);
    if (!o)
        return Undefined{};
    for (int i = 0; i < constructorArguments && i < static_cast<int>(args.size()); ++i)
        if (!isVoid(args[i]))
            vm.setMember(v, QLatin1String(fields[i].name), args[i]);
    return Undefined{};
}

Object* prototypeOf(Vm& vm) {
    const Value ctor = vm.getMember(Value(vm.global), QStringLiteral("TextFormat"));
    Object* proto = objectOf(vm.getMember(ctor, QStringLiteral("prototype")));
    return proto ? proto : vm.protos.object;
}

TextFormatObject* make(Vm& vm) {
    auto* t = vm.heap().make<TextFormatObject>(prototypeOf(vm));
    vm.method(t, QStringLiteral("getTextExtent"), getTextExtent);
    return t;
}

Value textFormatConstruct(Vm& vm, const Value&, Args args) {
    TextFormatObject* t = make(vm);
    Vm::RootGuard guard(vm, Value(t));
    textFormatCall(vm, Value(t), args);
    return t;
}

} // namespace

void addAccessor(Vm& vm, Object* proto, const QString& name, NativeFunction get,
                 NativeFunction set) {
    FunctionObject* getter = vm.newNative(get);
    Vm::RootGuard keepGetter(vm, Value(getter));
    FunctionObject* setter = vm.newNative(set);
    Property& p = proto->put(name, Undefined{});
    p.getter = getter;
    p.setter = setter;
}

Object* newTextFormat(Vm& vm, const FormatPatch& format) {
    TextFormatObject* t = make(vm);
    t->format = format;
    return t;
}

const FormatPatch* formatOf(const Value& value) {
    TextFormatObject* t = self(value);
    return t ? &t->format : nullptr;
}

void installTextFormat(Vm& vm) {
    Object* proto = vm.newObject();
    vm.defineClass(QStringLiteral("TextFormat"), textFormatCall, textFormatConstruct, proto);
    addAccessor(vm, proto, QStringLiteral("display"), getDisplay, setDisplay);
    installFields(vm, proto, std::make_index_sequence<std::size(fields)>());
}

} // namespace reelcase::swf::avm1::builtins
