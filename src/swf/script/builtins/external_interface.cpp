#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/xml_node.h"

// flash.external.ExternalInterface: no page hosts the player, so it is never available,
// calls answer null and callbacks are refused. The marshalling helpers movies call
// directly (values to the XML the player exchanges with a page, and back) work.
namespace reelcase::swf::avm1::builtins {
namespace {

constexpr int maxDepth = 64; // cyclic and deep values stop here

Value returnNull(Vm&, const Value&, Args) {
    return Null{};
}

QString toXml(Vm& vm, const Value& v, int depth);

QString propertiesToXml(Vm& vm, Object* o, const QString& tag, int depth) {
    QString out = QLatin1Char('<') + tag + QLatin1Char('>');
    std::vector<QString> names;
    if (auto* a = dynamic_cast<ArrayObject*>(o)) {
        for (int i = 0; i < a->length; ++i)
            names.push_back(indexName(i));
    } else {
        for (const Property& p : o->properties())
            if (!(p.flags & DontEnum))
                names.insert(names.begin(), p.name); // newest first, as for..in
    }
    for (const QString& name : names) {
        out += QStringLiteral("<property id=\"") + name + QStringLiteral("\">") +
               toXml(vm, vm.getMember(Value(o), name), depth + 1) + QStringLiteral("</property>");
        if (out.size() > maxStringLength)
            vm.abortScript();
    }
    return out + QStringLiteral("</") + tag + QLatin1Char('>');
}

QString toXml(Vm& vm, const Value& v, int depth) {
    switch (typeOf(v)) {
    case TypeUndefined:
        return QStringLiteral("<undefined/>");
    case TypeNull:
        return QStringLiteral("<null/>");
    case TypeBool:
        return std::get<bool>(v) ? QStringLiteral("<true/>") : QStringLiteral("<false/>");
    case TypeNumber:
        return QStringLiteral("<number>") + numberToString(std::get<double>(v)) +
               QStringLiteral("</number>");
    case TypeString:
        return QStringLiteral("<string>") + escapeXml(std::get<QString>(v)) +
               QStringLiteral("</string>");
    case TypeObject:
        break;
    }
    Object* o = objectOf(v);
    if (o->kind() == Kind::Function || depth > maxDepth)
        return QStringLiteral("<null/>");
    return propertiesToXml(
        vm, o, o->kind() == Kind::Array ? QStringLiteral("array") : QStringLiteral("object"),
        depth);
}

Value toXmlFn(Vm& vm, const Value&, Args args) {
    return toXml(vm, arg(args, 0), 0);
}

Value objectToXml(Vm& vm, const Value&, Args args) {
    Object* o = objectOf(arg(args, 0));
    return o ? propertiesToXml(vm, o, QStringLiteral("object"), 0)
             : QStringLiteral("<object></object>");
}

Value arrayToXml(Vm& vm, const Value&, Args args) {
    Object* o = objectOf(arg(args, 0));
    return o ? propertiesToXml(vm, o, QStringLiteral("array"), 0)
             : QStringLiteral("<array></array>");
}

// The first element names the function called; the rest are its arguments.
Value argumentsToXml(Vm& vm, const Value&, Args args) {
    QString out = QStringLiteral("<arguments>");
    if (Object* o = objectOf(arg(args, 0))) {
        const std::vector<Value> elements = arrayElements(vm, o);
        for (std::size_t i = 1; i < elements.size(); ++i)
            out += toXml(vm, elements[i], 1);
    }
    return out + QStringLiteral("</arguments>");
}

// A JavaScript string literal's body: only double quotes are escaped; nothing is null.
Value jsQuoteString(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return Null{};
    QString s = vm.toString(args[0]);
    if (s.isEmpty())
        return Null{};
    return s.replace(QLatin1Char('"'), QStringLiteral("\\\""));
}

// Empty text answers null, as no text at all does.
Value escapeXmlFn(Vm& vm, const Value&, Args args) {
    const QString text = args.empty() ? QString() : vm.toString(args[0]);
    return text.isEmpty() ? Value(Null{}) : Value(escapeXml(text));
}

Value unescapeXmlFn(Vm& vm, const Value&, Args args) {
    const QString text = args.empty() ? QString() : vm.toString(args[0]);
    return text.isEmpty() ? Value(Null{}) : Value(unescapeXml(text, false));
}

// Back from XML nodes (any object with nodeName, firstChild and nextSibling).
Value nodeToAs(Vm& vm, const Value& node, int depth);

std::vector<Value> childNodes(Vm& vm, const Value& node) {
    std::vector<Value> out;
    Value child = vm.getMember(node, QStringLiteral("firstChild"));
    while (objectOf(child) && out.size() < 100'000) {
        out.push_back(child);
        child = vm.getMember(child, QStringLiteral("nextSibling"));
    }
    return out;
}

Value propertiesToAs(Vm& vm, const Value& node, bool array, int depth) {
    Object* out = array ? vm.newArray() : vm.newObject();
    Vm::RootGuard guard(vm, Value(out));
    if (!objectOf(node) || depth > maxDepth)
        return out;
    for (const Value& property : childNodes(vm, node)) {
        Object* attributes = objectOf(vm.getMember(property, QStringLiteral("attributes")));
        const QString id =
            attributes ? vm.toString(vm.getMember(Value(attributes), "id")) : QString();
        const std::vector<Value> value = childNodes(vm, property);
        vm.setMember(Value(out), id,
                     value.empty() ? Value(Undefined{}) : nodeToAs(vm, value.front(), depth + 1));
    }
    return out;
}

Value nodeToAs(Vm& vm, const Value& node, int depth) {
    if (!objectOf(node))
        return Undefined{};
    const QString name = vm.toString(vm.getMember(node, QStringLiteral("nodeName")));
    const Value first = vm.getMember(node, QStringLiteral("firstChild"));
    const QString text =
        objectOf(first) ? vm.toString(vm.getMember(first, QStringLiteral("nodeValue"))) : QString();
    if (name == QLatin1String("number"))
        return stringToNumber(text, vm.version());
    if (name == QLatin1String("string"))
        return unescapeXml(text);
    if (name == QLatin1String("true") || name == QLatin1String("false"))
        return name == QLatin1String("true");
    if (name == QLatin1String("null"))
        return Null{};
    if (name == QLatin1String("array") || name == QLatin1String("object"))
        return propertiesToAs(vm, node, name == QLatin1String("array"), depth);
    return Undefined{};
}

Value toAs(Vm& vm, const Value&, Args args) {
    return nodeToAs(vm, arg(args, 0), 0);
}

Value objectToAs(Vm& vm, const Value&, Args args) {
    return propertiesToAs(vm, arg(args, 0), false, 0);
}

Value arrayToAs(Vm& vm, const Value&, Args args) {
    return propertiesToAs(vm, arg(args, 0), true, 0);
}

Value argumentsToAs(Vm& vm, const Value&, Args args) {
    ArrayObject* out = vm.newArray();
    Vm::RootGuard guard(vm, Value(out));
    if (objectOf(arg(args, 0)))
        for (const Value& child : childNodes(vm, args[0]))
            vm.callMethod(Value(out), QStringLiteral("push"),
                          std::vector<Value>{nodeToAs(vm, child, 1)});
    return out;
}

} // namespace

void installExternalInterface(Vm& vm) {
    Object* flash = objectOf(vm.getMember(Value(vm.global), QStringLiteral("flash")));
    if (!flash)
        return; // before SWF 8
    Object* external = objectOf(vm.getMember(Value(flash), QStringLiteral("external")));
    if (!external) {
        external = vm.newObject();
        flash->put(QStringLiteral("external"), external, DontEnum);
    }
    Object* proto = vm.newObject();
    FunctionObject* ei = vm.defineClass(QString(), returnUndefined, nullptr, proto);
    external->put(QStringLiteral("ExternalInterface"), ei, DontEnum);
    ei->put(QStringLiteral("available"), false, DontEnum | DontDelete | ReadOnly);
    vm.method(ei, QStringLiteral("call"), returnNull);
    vm.method(ei, QStringLiteral("addCallback"), returnFalse);
    const std::pair<const char*, NativeFunction> helpers[] = {{"_jsQuoteString", jsQuoteString},
                                                              {"_escapeXML", escapeXmlFn},
                                                              {"_unescapeXML", unescapeXmlFn},
                                                              {"_toXML", toXmlFn},
                                                              {"_objectToXML", objectToXml},
                                                              {"_arrayToXML", arrayToXml},
                                                              {"_argumentsToXML", argumentsToXml},
                                                              {"_toAS", toAs},
                                                              {"_objectToAS", objectToAs},
                                                              {"_arrayToAS", arrayToAs},
                                                              {"_argumentsToAS", argumentsToAs},
                                                              {"_toJS", returnNull},
                                                              {"_objectToJS", returnNull},
                                                              {"_arrayToJS", returnNull},
                                                              {"_callIn", returnUndefined},
                                                              {"_callOut", returnNull},
                                                              {"_evalJS", returnNull},
                                                              {"_initJS", returnUndefined},
                                                              {"_objectID", returnNull}};
    for (const auto& [name, fn] : helpers)
        vm.method(ei, QLatin1String(name), fn);
}

} // namespace reelcase::swf::avm1::builtins
