#pragma once

#include "swf/script/vm.h"

#include <vector>

// The tree behind XMLNode and XML objects, the parser and the printer.
namespace reelcase::swf::avm1::builtins {

enum XmlNodeType { XmlElement = 1, XmlText = 3 };

class XmlNodeObject : public Object {
public:
    using Object::Object;
    Kind kind() const override { return Kind::XmlNode; }
    bool getNative(Vm& vm, const QString& name, Value& out) override;
    bool setNative(Vm& vm, const QString& name, const Value& value) override;
    void markChildren(Heap& heap) override;
    std::size_t weight() const override;

    int type = XmlElement;
    Value name = Null{};  // a string or null
    Value value = Null{}; // a string or null
    XmlNodeObject* parent = nullptr;
    std::vector<XmlNodeObject*> children;
    Object* attributes = nullptr;
    ArrayObject* childArray = nullptr; // childNodes, refreshed after changes
    bool childArrayStale = true;

    bool isAncestorOf(const XmlNodeObject* node) const;
    int indexOf(const XmlNodeObject* child) const;
    // Tree edits; the node is taken from its old parent first.
    void insert(XmlNodeObject* child, int at);
    void detach();
    void removeAllChildren();
};

XmlNodeObject* xmlNodeOf(const Value& v);
// A new node on the heap with XMLNode.prototype (and an attributes object).
XmlNodeObject* newXmlNode(Vm& vm, int type, Object* proto = nullptr);

// The namespace URI a prefix ("" for the default one) is bound to where node stands, or
// null.
Value xmlNamespaceFor(Vm& vm, XmlNodeObject* node, const QString& prefix);

// What a document's text yields: nodes under the document, the declarations met and
// the player's status code (0, or the first error: -2 CDATA, -3 XML declaration, -4
// DOCTYPE, -5 comment not terminated, -6 malformed element, -8 attribute value not
// terminated, -9 start tag without end, -10 end tag without start).
struct XmlParseResult {
    int status = 0;
    QString xmlDecl, docTypeDecl;
    bool hasXmlDecl = false, hasDocTypeDecl = false;
};
// Parses text into document's children (appended after any it has).
XmlParseResult parseXmlInto(Vm& vm, XmlNodeObject& document, const QString& text, bool ignoreWhite,
                            Object* idMap);

// Text with & < > " ' as entities, as the player writes text and attribute values.
QString escapeXml(const QString& text);
// Entities back to characters (numeric ones too when asked); unknown ones stay as
// written.
QString unescapeXml(const QString& text, bool numeric = true);
// The node as the player prints it.
QString xmlToString(Vm& vm, XmlNodeObject& node);

} // namespace reelcase::swf::avm1::builtins
