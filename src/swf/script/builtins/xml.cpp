#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/data_load.h"
#include "swf/script/builtins/xml_node.h"

namespace reelcase::swf::avm1::builtins {
namespace {

// An XML object: a node without a name whose children are the document, with what its
// last parse found.
class XmlDocumentObject : public XmlNodeObject {
public:
    using XmlNodeObject::XmlNodeObject;
    bool getNative(Vm& vm, const QString& name, Value& out) override {
        if (Value* field = fieldOf(vm, name)) {
            out = *field;
            return true;
        }
        return XmlNodeObject::getNative(vm, name, out);
    }
    bool setNative(Vm& vm, const QString& name, const Value& value) override {
        if (Value* field = fieldOf(vm, name)) {
            *field = value;
            return true;
        }
        return XmlNodeObject::setNative(vm, name, value);
    }
    void markChildren(Heap& heap) override {
        XmlNodeObject::markChildren(heap);
        for (const Value* v : {&status, &xmlDecl, &docTypeDecl, &idMap, &loaded})
            heap.mark(*v);
    }

    Value status = 0.0;
    Value xmlDecl, docTypeDecl, idMap;
    Value loaded; // through XML.prototype.loaded, so not the object's own

private:
    Value* fieldOf(Vm& vm, const QString& name) {
        if (vm.sameName(name, QStringLiteral("status")))
            return &status;
        if (vm.sameName(name, QStringLiteral("xmlDecl")))
            return &xmlDecl;
        if (vm.sameName(name, QStringLiteral("docTypeDecl")))
            return &docTypeDecl;
        if (vm.version() >= 8 && vm.sameName(name, QStringLiteral("idMap")))
            return &idMap;
        return nullptr;
    }
};

XmlDocumentObject* documentOf(const Value& v) {
    return dynamic_cast<XmlDocumentObject*>(objectOf(v));
}

void parseInto(Vm& vm, XmlDocumentObject& doc, const QString& text) {
    const bool ignoreWhite = vm.toBoolean(vm.getMember(Value(&doc), QStringLiteral("ignoreWhite")));
    doc.removeAllChildren();
    doc.xmlDecl = doc.docTypeDecl = Undefined{};
    const XmlParseResult r = parseXmlInto(vm, doc, text, ignoreWhite, objectOf(doc.idMap));
    doc.status = static_cast<double>(r.status);
    if (r.hasXmlDecl)
        doc.xmlDecl = r.xmlDecl;
    if (r.hasDocTypeDecl)
        doc.docTypeDecl = r.docTypeDecl;
}

void setText(Vm& vm, XmlNodeObject& node, const Value& text) {
    Value& slot = node.type == XmlElement ? node.name : node.value;
    slot = isVoid(text) ? Value(Null{}) : Value(vm.toString(text));
}

// XMLNode

Value xmlNodeCall(Vm&, const Value&, Args) {
    return Undefined{};
}

Value xmlNodeConstruct(Vm& vm, const Value&, Args args) {
    const double type = vm.toNumber(arg(args, 0));
    XmlNodeObject* node = newXmlNode(vm, std::isfinite(type) ? static_cast<int>(type) : XmlText);
    setText(vm, *node, arg(args, 1));
    return node;
}

Value appendChild(Vm&, const Value& self, Args args) {
    XmlNodeObject* node = xmlNodeOf(self);
    XmlNodeObject* child = xmlNodeOf(arg(args, 0));
    // A node already here stays where it is; a node cannot hold its own ancestor.
    if (node && child && child->parent != node && !child->isAncestorOf(node))
        node->insert(child, static_cast<int>(node->children.size()));
    return Undefined{};
}

Value insertBefore(Vm&, const Value& self, Args args) {
    XmlNodeObject* node = xmlNodeOf(self);
    XmlNodeObject* child = xmlNodeOf(arg(args, 0));
    XmlNodeObject* before = xmlNodeOf(arg(args, 1));
    if (!node || !child || !before || child == before || before->parent != node ||
        child->isAncestorOf(node))
        return Undefined{};
    child->detach();
    node->insert(child, node->indexOf(before));
    return Undefined{};
}

Value removeNode(Vm&, const Value& self, Args) {
    if (XmlNodeObject* node = xmlNodeOf(self))
        node->detach();
    return Undefined{};
}

Value hasChildNodes(Vm&, const Value& self, Args) {
    XmlNodeObject* node = xmlNodeOf(self);
    return node && !node->children.empty();
}

XmlNodeObject* copyNode(Vm& vm, XmlNodeObject& from) {
    XmlNodeObject* copy = newXmlNode(vm, from.type, from.proto);
    copy->name = from.name;
    copy->value = from.value;
    for (const Property& p : from.attributes->properties())
        copy->attributes->put(p.name, p.value, p.flags);
    return copy;
}

Value cloneNode(Vm& vm, const Value& self, Args args) {
    XmlNodeObject* node = xmlNodeOf(self);
    if (!node)
        return Undefined{};
    XmlNodeObject* top = copyNode(vm, *node);
    if (!vm.toBoolean(arg(args, 0)))
        return top;
    std::vector<std::pair<XmlNodeObject*, XmlNodeObject*>> todo{{node, top}};
    while (!todo.empty()) {
        auto [from, to] = todo.back();
        todo.pop_back();
        for (XmlNodeObject* child : from->children) {
            XmlNodeObject* copy = copyNode(vm, *child);
            to->insert(copy, static_cast<int>(to->children.size()));
            todo.emplace_back(child, copy);
        }
    }
    return top;
}

Value nodeToString(Vm& vm, const Value& self, Args) {
    XmlNodeObject* node = xmlNodeOf(self);
    if (!node)
        return QString();
    QString out;
    if (XmlDocumentObject* doc = documentOf(self)) {
        for (const Value* decl : {&doc->xmlDecl, &doc->docTypeDecl})
            if (!isVoid(*decl))
                out += vm.toString(*decl);
    }
    return vm.makeString(out + xmlToString(vm, *node));
}

Value namespaceForPrefix(Vm& vm, const Value& self, Args args) {
    XmlNodeObject* node = xmlNodeOf(self);
    return node && !args.empty() ? xmlNamespaceFor(vm, node, vm.toString(args[0])) : Value(Null{});
}

Value prefixForNamespace(Vm& vm, const Value& self, Args args) {
    XmlNodeObject* node = xmlNodeOf(self);
    if (!node || args.empty())
        return Null{};
    const QString uri = vm.toString(args[0]);
    for (int depth = 0; node && depth < 4096; node = node->parent, ++depth)
        for (const Property& p : node->attributes->properties()) {
            if (!p.name.startsWith(QLatin1String("xmlns")) || vm.toString(p.value) != uri)
                continue;
            if (p.name == QLatin1String("xmlns"))
                return QString();
            if (p.name.startsWith(QLatin1String("xmlns:")))
                return p.name.mid(6);
        }
    return Null{};
}

// XML

Value getLoaded(Vm&, const Value& self, Args) {
    XmlDocumentObject* doc = documentOf(self);
    return doc ? doc->loaded : Value(Undefined{});
}

Value setLoaded(Vm&, const Value& self, Args args) {
    if (XmlDocumentObject* doc = documentOf(self))
        doc->loaded = arg(args, 0);
    return Undefined{};
}

Value xmlConstruct(Vm& vm, const Value&, Args args) {
    auto* doc = vm.heap().make<XmlDocumentObject>(vm.protos.xml);
    doc->attributes = vm.newObject();
    if (vm.version() >= 8)
        doc->idMap = vm.newObject();
    if (!args.empty() && !isVoid(args[0])) {
        Vm::RootGuard guard(vm, Value(doc));
        parseInto(vm, *doc, vm.toString(args[0]));
    }
    return doc;
}

Value parseXml(Vm& vm, const Value& self, Args args) {
    if (XmlDocumentObject* doc = documentOf(self))
        parseInto(vm, *doc, vm.toString(arg(args, 0)));
    return Undefined{};
}

Value createElement(Vm& vm, const Value&, Args args) {
    XmlNodeObject* node = newXmlNode(vm, XmlElement);
    setText(vm, *node, arg(args, 0));
    return node;
}

Value createTextNode(Vm& vm, const Value&, Args args) {
    XmlNodeObject* node = newXmlNode(vm, XmlText);
    setText(vm, *node, arg(args, 0));
    return node;
}

// The player's own onData: parse what came, then tell onLoad.
Value xmlOnData(Vm& vm, const Value& self, Args args) {
    const Value text = arg(args, 0);
    if (isVoid(text)) {
        vm.setMember(self, QStringLiteral("loaded"), false);
        const Value failed(false);
        vm.callMethod(self, QStringLiteral("onLoad"), std::span<const Value>(&failed, 1));
        return Undefined{};
    }
    const Value source[] = {text};
    vm.callMethod(self, QStringLiteral("parseXML"), source);
    vm.setMember(self, QStringLiteral("loaded"), true);
    const Value ok(true);
    vm.callMethod(self, QStringLiteral("onLoad"), std::span<const Value>(&ok, 1));
    return Undefined{};
}

} // namespace

void installXml(Vm& vm) {
    Object* nodeProto = vm.newObject();
    vm.protos.xmlNode = nodeProto;
    vm.defineClass(QStringLiteral("XMLNode"), xmlNodeCall, xmlNodeConstruct, nodeProto);
    const std::pair<const char*, NativeFunction> nodeMethods[] = {
        {"appendChild", appendChild},
        {"cloneNode", cloneNode},
        {"getNamespaceForPrefix", namespaceForPrefix},
        {"getPrefixForNamespace", prefixForNamespace},
        {"hasChildNodes", hasChildNodes},
        {"insertBefore", insertBefore},
        {"removeNode", removeNode},
        {"toString", nodeToString}};
    for (const auto& [name, fn] : nodeMethods)
        vm.method(nodeProto, QLatin1String(name), fn);

    Object* proto = vm.heap().make<Object>(nodeProto);
    vm.protos.xml = proto;
    vm.defineClass(QStringLiteral("XML"), xmlNodeCall, xmlConstruct, proto);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"createElement", createElement},
        {"createTextNode", createTextNode},
        {"parseXML", parseXml},
        {"onData", xmlOnData},
    };
    for (const auto& [name, fn] : methods)
        vm.method(proto, QLatin1String(name), fn);
    installLoadMethods(vm, proto);
    Property& loaded = proto->put(QStringLiteral("loaded"), Undefined{}, DontEnum | DontDelete);
    loaded.getter = vm.newNative(getLoaded);
    loaded.setter = vm.newNative(setLoaded);
}

} // namespace reelcase::swf::avm1::builtins
