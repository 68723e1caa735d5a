#include "swf/script/builtins/amf0.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/value_copy.h"
#include "swf/script/script_host.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include <QHash>
#include <QTest>
#include <QtEndian>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;

namespace {

std::shared_ptr<const Movie> empty(int version) {
    write::SwfWriter w({100, 100}, 12, version);
    w.showFrame();
    w.showFrame();
    return load(w.finish());
}

// Files beside the movie, and what it traced.
struct FilesHost : TraceHost {
    std::optional<QByteArray> loadFile(const QString& path) override {
        asked << path;
        return files.contains(path) ? std::optional(files.value(path)) : std::nullopt;
    }
    std::optional<QByteArray> readStoredObject(const QString& name) override {
        return stored.contains(name) ? std::optional(stored.value(name)) : std::nullopt;
    }
    bool writeStoredObject(const QString& name, const QByteArray& bytes) override {
        stored.insert(name, bytes);
        return true;
    }
    void openUrl(const QString& url, const QString& target, bool) override {
        opened << url + QLatin1Char(' ') + target;
    }
    QHash<QString, QByteArray> files, stored;
    QStringList asked, opened;
};

struct Script {
    explicit Script(int version = 8, ScriptHost* host = nullptr)
        : stage(empty(version), host) {}
    Vm& vm() { return stage.runtime->vm(); }
    Value global(const char* name) { return vm().getMember(Value(vm().global), name); }
    Value make(const char* cls, std::vector<Value> args = {}) {
        return vm().construct(global(cls), args);
    }
    Value call(const Value& on, const char* method, std::vector<Value> args = {}) {
        return vm().callMethod(on, QLatin1String(method), args);
    }
    Value get(const Value& on, const char* path) {
        Value v = on;
        for (const QString& name : QString::fromLatin1(path).split(QLatin1Char('.')))
            v = vm().getMember(v, name);
        return v;
    }
    QString text(const Value& v) { return vm().toString(v); }
    ScriptStage stage;
};

} // namespace

class TestXmlData : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Parsing: elements, text, attributes in the order written, entities (unknown ones
    // kept), comments dropped, CDATA kept raw, declarations recorded, and printing back.
    void parseAndPrint() {
        Script s;
        const Value xml =
            s.make("XML", {QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE a><a x=\"1\" y='&lt;2'>"
                                          "t&amp;&x;<!-- c --><b/><![CDATA[<raw>]]></a>")});
        QCOMPARE(s.text(s.get(xml, "status")), QStringLiteral("0"));
        QCOMPARE(s.text(s.get(xml, "xmlDecl")), QStringLiteral("<?xml version=\"1.0\"?>"));
        QCOMPARE(s.text(s.get(xml, "docTypeDecl")), QStringLiteral("<!DOCTYPE a>"));
        const Value a = s.get(xml, "firstChild");
        QCOMPARE(s.text(s.get(a, "nodeName")), QStringLiteral("a"));
        QCOMPARE(s.text(s.get(a, "attributes.y")), QStringLiteral("<2"));
        QCOMPARE(s.text(s.get(a, "firstChild.nodeValue")), QStringLiteral("t&&x;"));
        QCOMPARE(s.text(s.get(a, "childNodes.length")), QStringLiteral("3"));
        QCOMPARE(s.text(s.get(a, "lastChild.nodeValue")), QStringLiteral("<raw>"));
        QCOMPARE(s.text(s.call(a, "toString")),
                 QStringLiteral("<a x=\"1\" y=\"&lt;2\">t&amp;&amp;x;<b />&lt;raw&gt;</a>"));
        // The document prints its declarations first.
        QVERIFY(s.text(s.call(xml, "toString")).startsWith(QLatin1String("<?xml")));
        // Names with a prefix.
        const Value ns = s.make("XML", {QStringLiteral("<p:e xmlns:p=\"urn:x\"/>")});
        QCOMPARE(s.text(s.get(ns, "firstChild.localName")), QStringLiteral("e"));
        QCOMPARE(s.text(s.get(ns, "firstChild.prefix")), QStringLiteral("p"));
        QCOMPARE(s.text(s.get(ns, "firstChild.namespaceURI")), QStringLiteral("urn:x"));
        QCOMPARE(
            s.text(s.call(s.get(ns, "firstChild"), "getNamespaceForPrefix", {QStringLiteral("p")})),
            QStringLiteral("urn:x"));
        QCOMPARE(s.text(s.call(s.get(ns, "firstChild"), "getPrefixForNamespace",
                               {QStringLiteral("urn:x")})),
                 QStringLiteral("p"));
        QCOMPARE(
            s.text(s.call(s.get(ns, "firstChild"), "getNamespaceForPrefix", {QStringLiteral("q")})),
            QStringLiteral("null"));
    }

    // Before SWF 7 the node's properties answer to any case; the id map came with SWF 8.
    void byVersion() {
        Script s(6);
        const Value xml = s.make("XML", {QStringLiteral("<a id=\"x\"><b/></a>")});
        QCOMPARE(s.text(s.get(xml, "FIRSTCHILD.firstchild.NodeName")), QStringLiteral("b"));
        QCOMPARE(s.vm().typeOf(s.get(xml, "idMap")), QStringLiteral("undefined"));
        QCOMPARE(s.vm().typeOf(s.global("LocalConnection")), QStringLiteral("function"));
        Script old(5);
        QCOMPARE(old.vm().typeOf(old.global("LocalConnection")), QStringLiteral("undefined"));
        QCOMPARE(old.vm().typeOf(old.global("XMLSocket")), QStringLiteral("function"));
    }

    // ExternalInterface has no page to talk to; its escaping helpers work, the reverse
    // one knowing only the five named entities, as written.
    void externalInterfaceText() {
        Script s;
        const Value ei = s.get(s.global("flash"), "external.ExternalInterface");
        QCOMPARE(s.text(s.get(ei, "available")), QStringLiteral("false"));
        QCOMPARE(s.text(s.call(ei, "_escapeXML", {QStringLiteral("<a & 'b'>")})),
                 QStringLiteral("&lt;a &amp; &apos;b&apos;&gt;"));
        QCOMPARE(s.text(s.call(ei, "_unescapeXML", {QStringLiteral("&lt;&Lt;&#32;&amp;amp;")})),
                 QStringLiteral("<&Lt;&#32;&amp;"));
        QCOMPARE(s.vm().typeOf(s.call(ei, "_escapeXML", {QString()})), QStringLiteral("null"));
    }

    // The status of a broken document, with what came before the fault kept.
    void parseErrors_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("children");
        QTest::newRow("cdata") << "<a/><![CDATA[x" << -2 << 1;
        QTest::newRow("declaration") << "<?xml" << -3 << 0;
        QTest::newRow("doctype") << "<!DOCTYPE" << -4 << 0;
        QTest::newRow("comment") << "<a/><!-- x" << -5 << 1;
        QTest::newRow("element") << "<a b>" << -6 << 1;
        QTest::newRow("attribute") << "<a b=\"x>" << -8 << 1;
        QTest::newRow("unclosed") << "<a><b>" << -9 << 1;
        QTest::newRow("stray end") << "<a/></b>" << -10 << 1;
        QTest::newRow("mismatch") << "<a></b>" << -10 << 1;
    }
    void parseErrors() {
        QFETCH(QString, text);
        QFETCH(int, status);
        QFETCH(int, children);
        Script s;
        const Value xml = s.make("XML", {text});
        QCOMPARE(s.vm().toNumber(s.get(xml, "status")), double(status));
        QCOMPARE(s.vm().toNumber(s.get(xml, "childNodes.length")), double(children));
    }

    // ignoreWhite (read through the prototype, as movies set it) drops text that is only
    // white space; a node deeper than the cap stops the parse instead of the stack.
    void whiteSpaceAndDepth() {
        Script s;
        s.vm().setMember(s.get(s.global("XML"), "prototype"), "ignoreWhite", true);
        const Value xml = s.make("XML", {QStringLiteral("<a>\n  <b> x </b>\n</a>")});
        QCOMPARE(s.text(s.call(xml, "toString")), QStringLiteral("<a><b> x </b></a>"));
        const QString deep = QString(QStringLiteral("<d>")).repeated(100000);
        const Value big = s.make("XML", {deep});
        QCOMPARE(s.vm().toNumber(s.get(big, "status")), -6.0);
    }

    // Building trees: a node is moved, never duplicated; a node cannot take its own
    // ancestor; clones are separate; removed nodes lose their parent.
    void treeEdits() {
        Script s;
        const Value doc = s.make("XML");
        const Value a = s.call(doc, "createElement", {QStringLiteral("a")});
        const Value b = s.call(doc, "createElement", {QStringLiteral("b")});
        const Value t = s.call(doc, "createTextNode", {QStringLiteral("it's")});
        s.call(doc, "appendChild", {a});
        s.call(a, "appendChild", {b});
        s.call(a, "insertBefore", {t, b});
        QCOMPARE(s.text(s.call(doc, "toString")), QStringLiteral("<a>it&apos;s<b /></a>"));
        s.call(b, "appendChild", {a}); // a holds b: refused
        s.call(b, "appendChild", {b});
        QCOMPARE(s.text(s.call(doc, "toString")), QStringLiteral("<a>it&apos;s<b /></a>"));
        const Value copy = s.call(a, "cloneNode", {true});
        s.vm().setMember(s.get(copy, "attributes"), "k", QStringLiteral("v"));
        QCOMPARE(s.text(s.call(copy, "toString")), QStringLiteral("<a k=\"v\">it&apos;s<b /></a>"));
        QCOMPARE(s.text(s.get(copy, "parentNode")), QStringLiteral("null"));
        s.call(b, "removeNode");
        QCOMPARE(s.text(s.get(b, "parentNode")), QStringLiteral("null"));
        QCOMPARE(s.text(s.get(a, "childNodes.length")), QStringLiteral("1"));
        // A new node through its constructor; undefined does not change nodeName, null
        // clears it.
        const Value n = s.make("XMLNode", {1.0, QStringLiteral("n")});
        s.vm().setMember(n, "nodeName", Undefined{});
        QCOMPARE(s.text(s.get(n, "nodeName")), QStringLiteral("n"));
        s.vm().setMember(n, "nodeName", Null{});
        QCOMPARE(s.text(s.get(n, "nodeName")), QStringLiteral("null"));
        // The id map keeps what parses met.
        const Value ids = s.make("XML", {QStringLiteral("<a id=\"one\"/>")});
        QVERIFY(objectOf(s.get(ids, "idMap.one")) != nullptr);
    }

    // XML.load reads the file beside the movie once the scripts are done, then onData,
    // which parses and calls onLoad; a missing file gives onLoad(false).
    void xmlLoad() {
        FilesHost host;
        host.files.insert(QStringLiteral("d.xml"), QByteArray("\xEF\xBB\xBF<r>\xC3\xA9</r>"));
        Script s(8, &host);
        const Value xml = s.make("XML");
        s.vm().global->put(QStringLiteral("x"), xml);
        s.call(xml, "load", {QStringLiteral("d.xml?v=1")});
        QCOMPARE(s.text(s.call(xml, "getBytesLoaded")), QStringLiteral("0"));
        QCOMPARE(s.vm().typeOf(s.call(xml, "getBytesTotal")), QStringLiteral("undefined"));
        QCOMPARE(s.text(s.get(xml, "loaded")), QStringLiteral("false"));
        builtins::deliverLoads(s.vm());
        QCOMPARE(host.asked, QStringList{QStringLiteral("d.xml")});
        QCOMPARE(s.text(s.get(xml, "firstChild.firstChild.nodeValue")), QString::fromUtf8("é"));
        QCOMPARE(s.text(s.call(xml, "getBytesTotal")), QStringLiteral("12"));
        QCOMPARE(s.text(s.get(xml, "loaded")), QStringLiteral("true"));
        s.call(xml, "load", {QStringLiteral("missing.xml")});
        builtins::deliverLoads(s.vm());
        QCOMPARE(s.text(s.get(xml, "loaded")), QStringLiteral("false"));
    }

    // A style sheet loads its CSS the same way and tells onLoad whether it read; CSS that
    // does not parse, or no file, is a failure.
    void styleSheetLoad() {
        FilesHost host;
        host.files.insert(QStringLiteral("s.css"), QByteArray(".a { font-size: 9px }"));
        host.files.insert(QStringLiteral("bad.css"), QByteArray(".a { font-size }"));
        Script s(8, &host);
        const Value sheet = s.vm().construct(s.get(s.global("TextField"), "StyleSheet"), {});
        s.vm().global->put(QStringLiteral("sheet"), sheet);
        static QStringList told;
        told.clear();
        s.vm().setMember(sheet, QStringLiteral("onLoad"),
                         s.vm().newNative([](Vm& vm, const Value&, Args args) -> Value {
                             told << vm.toString(args.empty() ? Value() : args[0]);
                             return Undefined{};
                         }));
        for (const char* file : {"s.css", "bad.css", "none.css"}) {
            s.call(sheet, "load", {QLatin1String(file)});
            builtins::deliverLoads(s.vm());
        }
        QCOMPARE(told, (QStringList{"true", "false", "false"}));
        QCOMPARE(s.text(s.get(s.call(sheet, "getStyle", {QStringLiteral(".a")}), "fontSize")),
                 QStringLiteral("9px"));
    }

    // LoadVars: decode and toString as the player encodes (through escape(), last added
    // first), load with onLoad, and loadVariables into a clip. Files are decoded as
    // UTF-8, or as the Windows code page before SWF 6.
    void loadVars() {
        FilesHost host;
        host.files.insert(QStringLiteral("v.txt"), QByteArray("a=1&b=x%20y+z&c=%C3%A9"));
        host.files.insert(QStringLiteral("old.txt"), QByteArray("w=\xC4\x80"));
        Script s(8, &host);
        const Value lv = s.make("LoadVars");
        s.call(lv, "decode", {QStringLiteral("k=1&l=%26&%EF%BB%BFm=2")});
        QCOMPARE(s.vm().typeOf(s.get(lv, "m")), QStringLiteral("undefined"));
        s.vm().deleteMember(objectOf(lv), QString(QChar(0xFEFF)) + QLatin1Char('m'));
        QCOMPARE(s.text(s.call(lv, "toString")), QStringLiteral("l=%26&k=1"));
        s.call(lv, "load", {QStringLiteral("v.txt")});
        builtins::deliverLoads(s.vm());
        QCOMPARE(s.text(s.get(lv, "b")), QStringLiteral("x y z"));
        QCOMPARE(s.text(s.get(lv, "c")), QString::fromUtf8("é"));
        QCOMPARE(s.text(s.get(lv, "loaded")), QStringLiteral("true"));
        QCOMPARE(s.text(s.call(s.make("LoadVars"), "toString")), QString());
        // Sending is a request to the host; a reply needs an object to go to.
        const Value form = s.make("LoadVars");
        s.vm().setMember(form, "q", QStringLiteral("a b"));
        QCOMPARE(s.text(s.call(form, "send", {QStringLiteral("p.cgi"), QStringLiteral("_blank")})),
                 QStringLiteral("true"));
        QCOMPARE(host.opened, QStringList{QStringLiteral("p.cgi?q=a%20b _blank")});
        QCOMPARE(s.text(s.call(form, "sendAndLoad", {QStringLiteral("p.cgi"), 3.0})),
                 QStringLiteral("false"));

        Script old(5, &host);
        Value clip = Value(old.vm().clipObject(*old.stage.root));
        old.call(clip, "loadVariables", {QStringLiteral("old.txt")});
        builtins::deliverLoads(old.vm());
        QCOMPARE(old.text(old.get(clip, "w")), QString::fromUtf8("Ä€"));
    }

    // SharedObject: one object per name while the movie plays; flush stores the data,
    // which the next play of the movie reads back with its types (references shared);
    // functions are not stored; a broken file gives empty data.
    void sharedObjects() {
        FilesHost host;
        {
            Script s(8, &host);
            const Value cls = s.global("SharedObject");
            const Value so = s.call(cls, "getLocal", {QStringLiteral("game")});
            QCOMPARE(objectOf(s.call(cls, "getLocal", {QStringLiteral("game")})), objectOf(so));
            QCOMPARE(s.vm().typeOf(s.call(cls, "getLocal", {QStringLiteral("a:b")})),
                     QStringLiteral("null"));
            const Value data = s.get(so, "data");
            QCOMPARE(s.text(s.call(so, "getSize")), QStringLiteral("0"));
            Object* shared = s.vm().newArray({1.0, QStringLiteral("two")});
            s.vm().setMember(data, "list", Value(shared));
            s.vm().setMember(data, "again", Value(shared));
            s.vm().setMember(data, "flag", true);
            s.vm().setMember(data, "when", s.make("Date", {86400000.0}));
            s.vm().setMember(data, "doc", s.make("XML", {QStringLiteral("<a b=\"1\"/>")}));
            s.vm().setMember(data, "f", s.global("escape"));
            QVERIFY(s.vm().toNumber(s.call(so, "getSize")) > 0);
            QCOMPARE(s.text(s.call(so, "flush")), QStringLiteral("true"));
        }
        QVERIFY(host.stored.contains(QStringLiteral("/game")));
        host.stored.insert(QStringLiteral("/broken"), QByteArray("\x00\xBF\xFF\xFF"));
        Script s(8, &host);
        const Value cls = s.global("SharedObject");
        const Value data = s.get(s.call(cls, "getLocal", {QStringLiteral("game")}), "data");
        QCOMPARE(s.text(s.get(data, "list.1")), QStringLiteral("two"));
        QCOMPARE(objectOf(s.get(data, "list")), objectOf(s.get(data, "again")));
        QCOMPARE(s.text(s.get(data, "flag")), QStringLiteral("true"));
        QCOMPARE(s.text(s.call(s.get(data, "when"), "getTime")), QStringLiteral("86400000"));
        QCOMPARE(s.text(s.get(data, "doc.firstChild.attributes.b")), QStringLiteral("1"));
        QCOMPARE(s.vm().typeOf(s.get(data, "f")), QStringLiteral("undefined"));
        const Value broken = s.get(s.call(cls, "getLocal", {QStringLiteral("broken")}), "data");
        QVERIFY(objectOf(broken) && objectOf(broken)->properties().empty());
    }

    // The stored form: the player's file header, then members in AMF0 (a cycle as a
    // reference). A file cut short or damaged anywhere is refused or read without harm,
    // and a refused one leaves the data untouched.
    void storedObjectFormat() {
        Script s;
        Object* data = s.vm().newObject();
        data->put(QStringLiteral("n"), 1.5);
        data->put(QStringLiteral("s"), QStringLiteral("hi"));
        Object* inner = s.vm().newObject();
        inner->put(QStringLiteral("self"), inner);
        data->put(QStringLiteral("o"), inner);
        const QByteArray file = builtins::encodeStoredObject(s.vm(), QStringLiteral("so"), data);
        QVERIFY(file.startsWith(QByteArray("\x00\xBF", 2)));
        QCOMPARE(qFromBigEndian<quint32>(file.constData() + 2), quint32(file.size() - 6));
        QVERIFY(file.contains(QByteArray("TCSO")));
        QVERIFY(file.contains(QByteArray("\x00\x01n\x00\x3F\xF8\0\0\0\0\0\0\0", 13)));
        QVERIFY(file.contains(QByteArray("\x00\x01s\x02\x00\x02hi\x00", 9)));
        QVERIFY(file.contains(QByteArray("self\x07\x00\x00", 7)));

        Object* back = s.vm().newObject();
        QVERIFY(builtins::decodeStoredObject(s.vm(), file, back));
        const Value o = s.get(Value(back), "o");
        QCOMPARE(objectOf(s.get(o, "self")), objectOf(o));
        for (int cut = 0; cut < file.size(); ++cut) {
            Object* target = s.vm().newObject();
            QVERIFY(!builtins::decodeStoredObject(s.vm(), file.left(cut), target));
            QVERIFY(target->properties().empty());
        }
        for (int at = 6; at < file.size(); ++at) {
            QByteArray damaged = file;
            damaged[at] = '\xFF';
            Object* target = s.vm().newObject();
            if (!builtins::decodeStoredObject(s.vm(), damaged, target))
                QVERIFY(target->properties().empty());
        }
    }

    // XMLSocket never connects; LocalConnection names are unique in the movie and
    // messages reach a connected object as copies, with onStatus to the sender.
    void netObjects() {
        Script s(8);
        const Value socket = s.make("XMLSocket");
        QCOMPARE(s.text(s.call(socket, "connect", {QStringLiteral("localhost"), 8000.0})),
                 QStringLiteral("false"));
        const Value rec = s.make("LocalConnection");
        const Value snd = s.make("LocalConnection");
        QCOMPARE(s.text(s.call(rec, "connect", {QStringLiteral("Chan")})), QStringLiteral("true"));
        QCOMPARE(s.text(s.call(snd, "connect", {QStringLiteral("chan")})), QStringLiteral("false"));
        QCOMPARE(s.text(s.call(snd, "send", {QStringLiteral("chan"), QStringLiteral("close")})),
                 QStringLiteral("false"));
        // The receiver's method runs once the scripts are done (decode stands in for a
        // script's handler here).
        s.vm().setMember(rec, "take", s.get(s.global("LoadVars"), "prototype.decode"));
        QCOMPARE(
            s.text(s.call(snd, "send",
                          {QStringLiteral("chan"), QStringLiteral("take"), QStringLiteral("n=5")})),
            QStringLiteral("true"));
        QCOMPARE(s.vm().typeOf(s.get(rec, "n")), QStringLiteral("undefined"));
        builtins::deliverLoads(s.vm());
        QCOMPARE(s.text(s.get(rec, "n")), QStringLiteral("5"));
        // Arguments travel as copies: shared references stay shared, a function arrives
        // as a plain object, functions inside objects are dropped.
        Object* inner = s.vm().newObject();
        Object* outer = s.vm().newObject();
        outer->put(QStringLiteral("a"), inner);
        outer->put(QStringLiteral("b"), inner);
        outer->put(QStringLiteral("f"), s.global("escape"));
        const Value copy = builtins::copyAsSerialized(s.vm(), Value(outer));
        QVERIFY(objectOf(copy) != outer);
        QVERIFY(objectOf(s.get(copy, "a")) != inner);
        QCOMPARE(objectOf(s.get(copy, "a")), objectOf(s.get(copy, "b")));
        QCOMPARE(s.vm().typeOf(s.get(copy, "f")), QStringLiteral("undefined"));
        QCOMPARE(s.vm().typeOf(builtins::copyAsSerialized(s.vm(), s.global("escape"))),
                 QStringLiteral("object"));
    }
};

QTEST_MAIN(TestXmlData)
#include "test_xml_data.moc"
