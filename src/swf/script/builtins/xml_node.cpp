#include "swf/script/builtins/xml_node.h"

#include <algorithm>

namespace reelcase::swf::avm1::builtins {
namespace {

Value nodeOrNull(XmlNodeObject* node) {
    return node ? Value(node) : Value(Null{});
}

QString nameText(const XmlNodeObject& node) {
    const auto* s = std::get_if<QString>(&node.name);
    return s ? *s : QString();
}

} // namespace

Value xmlNamespaceFor(Vm& vm, XmlNodeObject* node, const QString& prefix) {
    const QString attribute =
        prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix;
    for (int depth = 0; node && depth < 4096; node = node->parent, ++depth)
        if (const Property* p = node->attributes ? node->attributes->find(attribute) : nullptr)
            return vm.toString(p->value);
    return Null{};
}

XmlNodeObject* xmlNodeOf(const Value& v) {
    return dynamic_cast<XmlNodeObject*>(objectOf(v));
}

XmlNodeObject* newXmlNode(Vm& vm, int type, Object* proto) {
    auto* node = vm.heap().make<XmlNodeObject>(proto ? proto : vm.protos.xmlNode);
    node->type = type;
    node->attributes = vm.newObject();
    return node;
}

bool XmlNodeObject::isAncestorOf(const XmlNodeObject* node) const {
    for (int depth = 0; node && depth < 1 << 20; node = node->parent, ++depth)
        if (node == this)
            return true;
    return false;
}

int XmlNodeObject::indexOf(const XmlNodeObject* child) const {
    const auto it = std::find(children.begin(), children.end(), child);
    return it == children.end() ? -1 : static_cast<int>(it - children.begin());
}

void XmlNodeObject::insert(XmlNodeObject* child, int at) {
    child->detach();
    at = std::clamp(at, 0, static_cast<int>(children.size()));
    children.insert(children.begin() + at, child);
    child->parent = this;
    childArrayStale = true;
}

void XmlNodeObject::detach() {
    if (!parent)
        return;
    if (const int i = parent->indexOf(this); i >= 0)
        parent->children.erase(parent->children.begin() + i);
    parent->childArrayStale = true;
    parent = nullptr;
}

void XmlNodeObject::removeAllChildren() {
    for (XmlNodeObject* child : children)
        child->parent = nullptr;
    children.clear();
    childArrayStale = true;
}

bool XmlNodeObject::getNative(Vm& vm, const QString& name, Value& out) {
    const auto is = [&](const char* s) { return vm.sameName(name, QLatin1String(s)); };
    const auto sibling = [&](int step) -> Value {
        if (!parent)
            return Null{};
        const int i = parent->indexOf(this) + step;
        return i >= 0 && i < static_cast<int>(parent->children.size())
                   ? Value(parent->children[static_cast<std::size_t>(i)])
                   : Value(Null{});
    };
    if (is("nodeType"))
        out = static_cast<double>(type);
    else if (is("nodeName"))
        out = this->name;
    else if (is("nodeValue"))
        out = value;
    else if (is("attributes"))
        out = attributes;
    else if (is("parentNode"))
        out = nodeOrNull(parent);
    else if (is("firstChild"))
        out = children.empty() ? Value(Null{}) : Value(children.front());
    else if (is("lastChild"))
        out = children.empty() ? Value(Null{}) : Value(children.back());
    else if (is("nextSibling"))
        out = sibling(1);
    else if (is("previousSibling"))
        out = sibling(-1);
    else if (is("childNodes")) {
        if (!childArray || childArrayStale) {
            std::vector<Value> list(children.begin(), children.end());
            if (!childArray) {
                childArray = vm.newArray(list);
            } else {
                childArray->removeIf([](const Property& p) { return arrayIndex(p.name) >= 0; });
                for (std::size_t i = 0; i < list.size(); ++i)
                    childArray->put(indexName(static_cast<int>(i)), list[i]);
                childArray->length = static_cast<int>(list.size());
            }
            childArrayStale = false;
        }
        out = childArray;
    } else if (is("localName") || is("prefix")) {
        if (type != XmlElement || !std::holds_alternative<QString>(this->name)) {
            out = Null{};
        } else {
            const QString full = nameText(*this);
            const qsizetype colon = full.indexOf(QLatin1Char(':'));
            if (is("localName"))
                out = colon < 0 ? full : full.mid(colon + 1);
            else
                out = colon < 0 ? QString() : full.left(colon);
        }
    } else if (is("namespaceURI")) {
        if (type != XmlElement || !std::holds_alternative<QString>(this->name)) {
            out = Null{};
        } else {
            const QString full = nameText(*this);
            const qsizetype colon = full.indexOf(QLatin1Char(':'));
            out = xmlNamespaceFor(vm, this, colon < 0 ? QString() : full.left(colon));
        }
    } else
        return false;
    return true;
}

bool XmlNodeObject::setNative(Vm& vm, const QString& name, const Value& v) {
    const auto is = [&](const char* s) { return vm.sameName(name, QLatin1String(s)); };
    if (is("nodeName") || is("nodeValue")) {
        // undefined leaves the node as it was; null clears it.
        if (!std::holds_alternative<Undefined>(v))
            (is("nodeName") ? this->name : value) =
                isVoid(v) ? Value(Null{}) : Value(vm.toString(v));
        return true;
    }
    // The rest follow the tree and cannot be set.
    for (const char* fixed :
         {"nodeType", "attributes", "parentNode", "firstChild", "lastChild", "nextSibling",
          "previousSibling", "childNodes", "localName", "prefix", "namespaceURI"})
        if (is(fixed))
            return true;
    return false;
}

void XmlNodeObject::markChildren(Heap& heap) {
    Object::markChildren(heap);
    heap.mark(parent);
    for (XmlNodeObject* child : children)
        heap.mark(child);
    heap.mark(attributes);
    heap.mark(childArray);
}

std::size_t XmlNodeObject::weight() const {
    return Object::weight() + children.size() * sizeof(void*) +
           static_cast<std::size_t>(nameText(*this).size()) * 2;
}

QString xmlToString(Vm& vm, XmlNodeObject& top) {
    QString out;
    // Each open element with the index of its next child to print.
    std::vector<std::pair<XmlNodeObject*, std::size_t>> open{{&top, 0}};
    const auto start = [&](XmlNodeObject* node) -> bool {
        if (node->type != XmlElement) {
            out += escapeXml(isVoid(node->value) ? QString() : vm.toString(node->value));
            return false;
        }
        if (!std::holds_alternative<QString>(node->name))
            return true; // a document: its children only
        out += QLatin1Char('<') + nameText(*node);
        const auto& properties = node->attributes->properties();
        for (auto it = properties.rbegin(); it != properties.rend(); ++it)
            if (!(it->flags & DontEnum))
                out += QLatin1Char(' ') + it->name + QLatin1String("=\"") +
                       escapeXml(vm.toString(it->value)) + QLatin1Char('"');
        if (node->children.empty()) {
            out += QLatin1String(" />");
            return false;
        }
        out += QLatin1Char('>');
        return true;
    };
    if (!start(&top))
        return out;
    while (!open.empty()) {
        auto& [node, next] = open.back();
        if (next < node->children.size()) {
            XmlNodeObject* child = node->children[next++];
            if (start(child))
                open.emplace_back(child, 0);
            if (out.size() > maxStringLength)
                vm.abortScript();
            continue;
        }
        if (std::holds_alternative<QString>(node->name))
            out += QLatin1String("</") + nameText(*node) + QLatin1Char('>');
        open.pop_back();
    }
    return out;
}

} // namespace reelcase::swf::avm1::builtins
