#include "swf/text/html_text.h"

#include "swf/format/limits.h"
#include <QHash>

#include <algorithm>
#include <optional>

namespace reelcase::swf {

HtmlTag parseHtmlTag(QStringView body) {
    HtmlTag tag;
    qsizetype i = 0;
    auto skipSpace = [&] {
        while (i < body.size() && body[i].isSpace())
            ++i;
    };
    skipSpace();
    if (i < body.size() && body[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < body.size() && !body[i].isSpace() && body[i] != u'/')
        ++i;
    tag.name = body.sliced(nameStart, i - nameStart).toString().toLower();
    while (i < body.size()) {
        skipSpace();
        const qsizetype attrStart = i;
        while (i < body.size() && body[i] != u'=' && !body[i].isSpace() && body[i] != u'/')
            ++i;
        const QString name = body.sliced(attrStart, i - attrStart).toString().toLower();
        if (i == attrStart) {
            ++i;
            continue;
        }
        skipSpace();
        QString value;
        if (i < body.size() && body[i] == u'=') {
            ++i;
            skipSpace();
            if (i < body.size() && (body[i] == u'"' || body[i] == u'\'')) {
                const QChar quote = body[i++];
                const qsizetype valueStart = i;
                while (i < body.size() && body[i] != quote)
                    ++i;
                value = body.sliced(valueStart, i - valueStart).toString();
                ++i;
            } else {
                tag.unquoted = true;
                const qsizetype valueStart = i;
                while (i < body.size() && !body[i].isSpace())
                    ++i;
                value = body.sliced(valueStart, i - valueStart).toString();
            }
        }
        tag.attributes.insert(name, value);
    }
    return tag;
}

QString decodeHtmlEntity(QStringView html, qsizetype& i) {
    const qsizetype semicolon = html.indexOf(u';', i);
    if (semicolon < 0 || semicolon - i > 10) {
        ++i;
        return QStringLiteral("&");
    }
    const QStringView name = html.sliced(i + 1, semicolon - i - 1);
    QString decoded;
    if (name == u"lt")
        decoded = QStringLiteral("<");
    else if (name == u"gt")
        decoded = QStringLiteral(">");
    else if (name == u"amp")
        decoded = QStringLiteral("&");
    else if (name == u"quot")
        decoded = QStringLiteral("\"");
    else if (name == u"apos")
        decoded = QStringLiteral("'");
    else if (name == u"nbsp")
        decoded = QString(QChar(0xA0));
    else if (name.startsWith(u'#') && name.size() > 1) {
        bool ok = false;
        const uint code = (name[1] == u'x' || name[1] == u'X') ? name.sliced(2).toUInt(&ok, 16)
                                                               : name.sliced(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
            const char32_t c = code;
            decoded = QString::fromUcs4(&c, 1);
        }
    }
    if (decoded.isEmpty()) {
        ++i;
        return QStringLiteral("&");
    }
    i = semicolon + 1;
    return decoded;
}

namespace {

constexpr double kTwipsPerPixel = 20;

QColor parseColour(const QString& value, const QColor& fallback) {
    QString hex = value.trimmed();
    if (hex.startsWith(u'#'))
        hex.remove(0, 1);
    else if (hex.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        hex.remove(0, 2);
    bool ok = false;
    const uint rgb = hex.toUInt(&ok, 16);
    return ok && hex.size() <= 6 ? QColor::fromRgb(QRgb(0xFF000000u | rgb)) : fallback;
}

TextAlign parseAlign(const QString& value, TextAlign fallback) {
    const QString v = value.trimmed().toLower();
    if (v == u"left")
        return TextAlign::Left;
    if (v == u"right")
        return TextAlign::Right;
    if (v == u"center")
        return TextAlign::Center;
    if (v == u"justify")
        return TextAlign::Justify;
    return fallback;
}

class HtmlReader {
public:
    HtmlReader(const TextFormat& base, const ParagraphLayout& layout)
        : m_base(base)
        , m_layoutNow(layout) {
        m_current.layout = layout;
    }

    QList<TextParagraph> read(QStringView html) {
        qsizetype i = 0;
        while (i < html.size()) {
            const QChar c = html[i];
            if (c == u'<') {
                const qsizetype end = html.indexOf(u'>', i);
                if (end < 0) { // not a tag after all
                    appendText(html.sliced(i).toString());
                    break;
                }
                handleTag(parseHtmlTag(html.sliced(i + 1, end - i - 1)));
                i = end + 1;
            } else if (c == u'&') {
                appendText(decodeHtmlEntity(html, i));
            } else if (c == u'\r' || c == u'\n') {
                breakParagraph();
                i += (c == u'\r' && i + 1 < html.size() && html[i + 1] == u'\n') ? 2 : 1;
            } else {
                const qsizetype start = i;
                while (i < html.size() && html[i] != u'<' && html[i] != u'&' && html[i] != u'\r' &&
                       html[i] != u'\n')
                    ++i;
                appendText(html.sliced(start, i - start).toString());
            }
        }
        if (!m_current.runs.isEmpty() || !m_endedByClosingParagraph || m_paragraphs.isEmpty())
            m_paragraphs.append(m_current);
        return m_paragraphs;
    }

private:
    TextFormat format() const { return m_stack.isEmpty() ? m_base : m_stack.last().second; }

    void appendText(const QString& text) {
        if (text.isEmpty())
            return;
        m_endedByClosingParagraph = false;
        const TextFormat f = format();
        if (!m_current.runs.isEmpty() && m_current.runs.last().format == f)
            m_current.runs.last().text += text;
        else
            m_current.runs.append({text, f});
    }

    void breakParagraph() {
        m_paragraphs.append(m_current);
        m_current = TextParagraph{m_layoutNow, {}};
        if (m_openAlign)
            m_current.layout.align = *m_openAlign;
        m_endedByClosingParagraph = false;
    }

    void push(const QString& name, const TextFormat& f) {
        if (m_stack.size() < limits::maxHtmlNesting)
            m_stack.append({name, f});
    }

    void pop(const QString& name) {
        for (qsizetype k = m_stack.size() - 1; k >= 0; --k) {
            if (m_stack[k].first == name) {
                m_stack.resize(k);
                return;
            }
        }
    }

    void handleTag(const HtmlTag& tag) {
        if (tag.name == u"br") {
            breakParagraph();
        } else if (tag.name == u"p") {
            if (tag.closing) {
                m_openAlign.reset();
                breakParagraph();
                m_endedByClosingParagraph = true;
            } else {
                if (!m_current.runs.isEmpty())
                    breakParagraph();
                if (tag.attributes.contains(QStringLiteral("align"))) {
                    m_current.layout.align = parseAlign(
                        tag.attributes.value(QStringLiteral("align")), m_current.layout.align);
                    m_openAlign = m_current.layout.align;
                }
            }
        } else if (tag.name == u"li" && !tag.closing) {
            if (!m_current.runs.isEmpty())
                breakParagraph();
            appendText(QStringLiteral("\u2022 "));
        } else if (tag.name == u"textformat") {
            if (tag.closing) {
                m_layoutNow = m_layoutStack.isEmpty() ? m_layoutNow : m_layoutStack.takeLast();
                return;
            }
            if (m_layoutStack.size() < limits::maxHtmlNesting)
                m_layoutStack.append(m_layoutNow);
            auto pixels = [&](const char* name, double& field) {
                bool ok = false;
                const double v = tag.attributes.value(QLatin1String(name)).toDouble(&ok);
                if (ok && v > -10000 && v < 10000)
                    field = v * kTwipsPerPixel;
            };
            pixels("leftmargin", m_layoutNow.leftMargin);
            pixels("rightmargin", m_layoutNow.rightMargin);
            pixels("indent", m_layoutNow.indent);
            pixels("leading", m_layoutNow.leading);
            const TextAlign align = m_current.layout.align;
            m_current.layout = m_layoutNow;
            m_current.layout.align = align;
        } else if (tag.name == u"font" || tag.name == u"b" || tag.name == u"i" ||
                   tag.name == u"u") {
            if (tag.closing) {
                pop(tag.name);
                return;
            }
            TextFormat f = format();
            if (tag.name == u"b")
                f.bold = true;
            else if (tag.name == u"i")
                f.italic = true;
            else if (tag.name == u"u")
                f.underline = true;
            else
                applyFontAttributes(tag, f);
            push(tag.name, f);
        }
    }

    static void applyFontAttributes(const HtmlTag& tag, TextFormat& f) {
        if (tag.attributes.contains(QStringLiteral("color")))
            f.colour = parseColour(tag.attributes.value(QStringLiteral("color")), f.colour);
        if (tag.attributes.contains(QStringLiteral("face")))
            f.face = tag.attributes.value(QStringLiteral("face"));
        const QString size = tag.attributes.value(QStringLiteral("size")).trimmed();
        bool ok = false;
        const double value = size.toDouble(&ok);
        if (ok) {
            const bool relative = size.startsWith(u'+') || size.startsWith(u'-');
            const double twips =
                relative ? f.size + value * kTwipsPerPixel : value * kTwipsPerPixel;
            f.size = std::clamp(twips, 20.0, 127 * 20.0 * 10);
        }
    }

    TextFormat m_base;
    ParagraphLayout m_layoutNow;
    QList<std::pair<QString, TextFormat>> m_stack;
    QList<ParagraphLayout> m_layoutStack;
    QList<TextParagraph> m_paragraphs;
    TextParagraph m_current;
    std::optional<TextAlign> m_openAlign; // align of the <p> being read
    bool m_endedByClosingParagraph = false;
};

} // namespace

QList<TextParagraph> parseHtmlText(QStringView html, const TextFormat& base,
                                   const ParagraphLayout& layout) {
    return HtmlReader(base, layout).read(html);
}

} // namespace reelcase::swf
