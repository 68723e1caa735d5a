#include "swf/script/builtins/xml_node.h"

#include <algorithm>

namespace reelcase::swf::avm1::builtins {
namespace {

bool isSpace(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\n');
}

bool allSpace(QStringView s) {
    return std::all_of(s.begin(), s.end(), isSpace);
}

// Nodes deeper than this are refused (the printer and the collector stay shallow enough).
constexpr int kMaxDepth = 4096;

class XmlParser {
public:
    XmlParser(Vm& vm, XmlNodeObject& document, const QString& text, bool ignoreWhite, Object* idMap)
        : m_vm(vm)
        , m_text(text)
        , m_ignoreWhite(ignoreWhite)
        , m_idMap(idMap) {
        m_open.push_back(&document);
    }

    XmlParseResult run() {
        while (m_at < m_text.size() && m_result.status == 0) {
            if (m_text[m_at] == QLatin1Char('<'))
                markup();
            else
                text();
        }
        if (m_result.status == 0 && m_open.size() > 1)
            m_result.status = -9;
        return m_result;
    }

private:
    bool startsWith(const char* s) const {
        return QStringView(m_text).mid(m_at).startsWith(QLatin1String(s));
    }
    // Index of s from m_at, or -1.
    qsizetype find(const char* s) const { return m_text.indexOf(QLatin1String(s), m_at); }

    void fail(int status) { m_result.status = status; }

    void add(XmlNodeObject* node) {
        if (++m_made % 1024 == 0 && m_vm.heap().bytes() > m_vm.budgets().memoryBytes)
            m_vm.abortScript();
        m_open.back()->insert(node, static_cast<int>(m_open.back()->children.size()));
    }

    void addText(const QString& value) {
        XmlNodeObject* node = newXmlNode(m_vm, XmlText);
        node->value = value;
        add(node);
    }

    void text() {
        qsizetype end = m_text.indexOf(QLatin1Char('<'), m_at);
        if (end < 0)
            end = m_text.size();
        const QStringView raw = QStringView(m_text).mid(m_at, end - m_at);
        m_at = end;
        if (m_ignoreWhite && allSpace(raw))
            return;
        addText(unescapeXml(raw.toString()));
    }

    // Skips markup that runs to terminator; false (with status) when it never ends.
    bool skipTo(const char* terminator, int status, QString* whole = nullptr) {
        const qsizetype end = find(terminator);
        if (end < 0) {
            fail(status);
            return false;
        }
        const qsizetype next = end + qsizetype(qstrlen(terminator));
        if (whole)
            *whole += m_text.mid(m_at, next - m_at);
        m_at = next;
        return true;
    }

    void markup() {
        if (startsWith("<?")) {
            m_result.hasXmlDecl = skipTo("?>", -3, &m_result.xmlDecl) || m_result.hasXmlDecl;
        } else if (startsWith("<!--")) {
            skipTo("-->", -5);
        } else if (startsWith("<![CDATA[")) {
            const qsizetype begin = m_at + 9;
            if (skipTo("]]>", -2))
                addText(m_text.mid(begin, m_at - 3 - begin));
        } else if (startsWith("<!")) {
            QString decl;
            if (skipTo(">", -4, &decl)) {
                m_result.docTypeDecl = decl;
                m_result.hasDocTypeDecl = true;
            }
        } else if (startsWith("</")) {
            endTag();
        } else {
            startTag();
        }
    }

    QString name() {
        const qsizetype begin = m_at;
        while (m_at < m_text.size() && !isSpace(m_text[m_at]) && m_text[m_at] != QLatin1Char('>') &&
               m_text[m_at] != QLatin1Char('/') && m_text[m_at] != QLatin1Char('='))
            ++m_at;
        return m_text.mid(begin, m_at - begin);
    }

    void skipSpace() {
        while (m_at < m_text.size() && isSpace(m_text[m_at]))
            ++m_at;
    }

    void endTag() {
        m_at += 2;
        const qsizetype end = m_text.indexOf(QLatin1Char('>'), m_at);
        if (end < 0)
            return fail(-6);
        const QString tag = m_text.mid(m_at, end - m_at).trimmed();
        m_at = end + 1;
        if (m_open.size() < 2 || std::get_if<QString>(&m_open.back()->name) == nullptr ||
            *std::get_if<QString>(&m_open.back()->name) != tag)
            return fail(-10);
        m_open.pop_back();
    }

    void startTag() {
        ++m_at;
        const QString tag = name();
        if (tag.isEmpty())
            return fail(-6);
        XmlNodeObject* node = newXmlNode(m_vm, XmlElement);
        node->name = tag;
        add(node);
        std::vector<std::pair<QString, QString>> attributes;
        for (;;) {
            skipSpace();
            if (m_at >= m_text.size())
                return fail(-6);
            if (startsWith("/>")) {
                m_at += 2;
                break;
            }
            if (m_text[m_at] == QLatin1Char('>')) {
                ++m_at;
                if (m_open.size() > kMaxDepth)
                    return fail(-6);
                m_open.push_back(node);
                break;
            }
            const QString attribute = name();
            skipSpace();
            if (attribute.isEmpty() || m_at >= m_text.size() || m_text[m_at] != QLatin1Char('='))
                return fail(-6);
            ++m_at;
            skipSpace();
            if (m_at >= m_text.size() ||
                (m_text[m_at] != QLatin1Char('"') && m_text[m_at] != QLatin1Char('\'')))
                return fail(-6);
            const QChar quote = m_text[m_at++];
            const qsizetype end = m_text.indexOf(quote, m_at);
            if (end < 0)
                return fail(-8);
            attributes.emplace_back(attribute, unescapeXml(m_text.mid(m_at, end - m_at)));
            m_at = end + 1;
        }
        // Listed newest first, as the player's attributes are, so they come out in the
        // order written; a name written twice keeps its first value.
        for (auto it = attributes.rbegin(); it != attributes.rend(); ++it)
            node->attributes->put(it->first, it->second);
        if (m_idMap)
            if (const Property* id = node->attributes->find(QStringLiteral("id")))
                m_idMap->put(m_vm.toString(id->value), node);
    }

    Vm& m_vm;
    const QString& m_text;
    bool m_ignoreWhite;
    Object* m_idMap;
    qsizetype m_at = 0;
    int m_made = 0;
    std::vector<XmlNodeObject*> m_open; // the document, then open elements
    XmlParseResult m_result;
};

} // namespace

XmlParseResult parseXmlInto(Vm& vm, XmlNodeObject& document, const QString& text, bool ignoreWhite,
                            Object* idMap) {
    return XmlParser(vm, document, text, ignoreWhite, idMap).run();
}

QString unescapeXml(const QString& text, bool numeric) {
    static const std::pair<const char*, char16_t> named[] = {
        {"&lt;", u'<'}, {"&gt;", u'>'}, {"&amp;", u'&'}, {"&quot;", u'"'}, {"&apos;", u'\''}};
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            out += text[i];
            continue;
        }
        const QStringView rest = QStringView(text).mid(i);
        bool done = false;
        for (const auto& [entity, c] : named)
            if (rest.startsWith(QLatin1String(entity))) {
                out += QChar(c);
                i += qstrlen(entity) - 1;
                done = true;
                break;
            }
        if (!done && numeric && rest.startsWith(QLatin1String("&#"))) {
            const qsizetype semi = rest.indexOf(QLatin1Char(';'));
            if (semi > 2 && semi < 12) {
                const bool hex = rest[2] == QLatin1Char('x') || rest[2] == QLatin1Char('X');
                bool ok = false;
                const uint code =
                    rest.mid(hex ? 3 : 2, semi - (hex ? 3 : 2)).toUInt(&ok, hex ? 16 : 10);
                if (ok && code > 0 && code <= 0x10FFFF) {
                    out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                    i += semi;
                    done = true;
                }
            }
        }
        if (!done)
            out += text[i];
    }
    return out;
}

QString escapeXml(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&apos;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace reelcase::swf::avm1::builtins
