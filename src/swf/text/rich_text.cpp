#include "swf/text/rich_text.h"

#include "swf/format/limits.h"
#include "swf/text/html_text.h"

#include <algorithm>
#include <cmath>

namespace reelcase::swf {

namespace {

constexpr double kTwipsPerPixel = 20;

QString number(double v) {
    return QString::number(v, 'g', 15);
}

QString escaped(QStringView s) {
    QString out;
    for (QChar c : s) {
        if (c == u'<')
            out += QLatin1String("&lt;");
        else if (c == u'>')
            out += QLatin1String("&gt;");
        else if (c == u'&')
            out += QLatin1String("&amp;");
        else if (c == u'"')
            out += QLatin1String("&quot;");
        else if (c == u'\'')
            out += QLatin1String("&apos;");
        else
            out += c;
    }
    return out;
}

const char* alignName(TextAlign a) {
    switch (a) {
    case TextAlign::Right:
        return "RIGHT";
    case TextAlign::Center:
        return "CENTER";
    case TextAlign::Justify:
        return "JUSTIFY";
    default:
        return "LEFT";
    }
}

// '#' then hex digits (spaces after '#' allowed); the last six digits count.
std::optional<unsigned> htmlColour(const QString& value) {
    if (!value.startsWith(u'#'))
        return std::nullopt;
    qsizetype i = 1;
    while (i < value.size() && value[i].isSpace())
        ++i;
    unsigned rgb = 0;
    int digits = 0;
    for (; i < value.size(); ++i) {
        const char16_t ch = value[i].unicode();
        const int d = ch >= u'0' && ch <= u'9'   ? ch - u'0'
                      : ch >= u'a' && ch <= u'f' ? ch - u'a' + 10
                      : ch >= u'A' && ch <= u'F' ? ch - u'A' + 10
                                                 : -1;
        if (d < 0)
            break;
        rgb = ((rgb << 4) | static_cast<unsigned>(d)) & 0xFFFFFF;
        ++digits;
    }
    return digits ? std::optional<unsigned>(rgb) : std::nullopt;
}

class RichHtmlReader {
public:
    RichHtmlReader(const CharFormat& base, bool condenseWhite, bool multiline,
                   const HtmlStyles* styles)
        : m_condense(condenseWhite)
        , m_multiline(multiline)
        , m_styles(styles) {
        m_stack.push_back({QString(), base});
    }

    RichText read(QStringView html) {
        // Markup of white space alone makes no text.
        if (std::all_of(html.begin(), html.end(), [](QChar c) { return c.isSpace(); }))
            return {};
        // White space before the first tag and after the last is the markup's own layout,
        // though a line break there still ends a paragraph a single-line </p> left open.
        const qsizetype firstTag = html.indexOf(u'<');
        const qsizetype lastTag = html.lastIndexOf(u'>');
        bool trailingBreak = false;
        if (firstTag >= 0 && lastTag > firstTag) {
            const auto blank = [](QStringView s) {
                return std::all_of(s.begin(), s.end(), [](QChar c) { return c.isSpace(); });
            };
            const qsizetype from = blank(html.first(firstTag)) ? firstTag : 0;
            const QStringView tail = html.sliced(lastTag + 1);
            const qsizetype to = blank(tail) ? lastTag + 1 : html.size();
            trailingBreak = to < html.size() && (tail.contains(u'\n') || tail.contains(u'\r'));
            html = html.sliced(from, to - from);
        }
        qsizetype i = 0;
        while (i < html.size()) {
            const QChar c = html[i];
            if (c == u'<') {
                const qsizetype end = html.indexOf(u'>', i);
                if (end < 0)
                    break; // an unfinished tag is dropped with what follows
                const HtmlTag tag = parseHtmlTag(html.sliced(i + 1, end - i - 1));
                if (tag.unquoted)
                    break; // the player gives up on the rest, this tag's text too
                handleTag(tag);
                i = end + 1;
            } else if (c == u'&') {
                append(decodeHtmlEntity(html, i));
            } else if ((c == u'\r' || c == u'\n') && !m_condense) {
                if (!m_afterClose)
                    breakParagraph();
                i += (c == u'\r' && i + 1 < html.size() && html[i + 1] == u'\n') ? 2 : 1;
            } else {
                const qsizetype start = i;
                while (i < html.size() && html[i] != u'<' && html[i] != u'&' &&
                       (m_condense || (html[i] != u'\r' && html[i] != u'\n')))
                    ++i;
                append(html.sliced(start, i - start).toString());
            }
        }
        if (trailingBreak && m_closedParagraph)
            breakParagraph();
        // Nor does text of spaces alone.
        const QString& text = m_text.text();
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' ' || c == u'\t'; }))
            return {};
        return std::move(m_text);
    }

private:
    const CharFormat& format() const { return m_stack.back().second; }

    void append(QString s) {
        // White space between a closed paragraph and what follows is layout, not text.
        if (m_afterClose && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isSpace(); }))
            return;
        m_afterClose = false;
        m_closedParagraph = false; // text right after </p> runs on in that paragraph
        if (m_condense) {
            QString folded;
            for (QChar c : s) {
                const bool space = c.isSpace() && c != QChar(0xA0);
                const bool lineStart =
                    folded.isEmpty() && (m_text.size() == 0 || m_text.text().endsWith(u'\r'));
                if (space && (m_lastWasSpace || lineStart))
                    continue;
                m_lastWasSpace = space;
                folded += space ? QChar(u' ') : c;
            }
            s = folded;
        }
        if (s.isEmpty())
            return;
        CharFormat f = format();
        f.align = m_align;
        f.bullet = m_bullet;
        m_text.replace(m_text.size(), m_text.size(), s, f);
        if (m_text.size() > limits::maxEditTextLength)
            m_text.replace(limits::maxEditTextLength, m_text.size(), QString(), f);
    }

    void breakParagraph() {
        CharFormat f = format();
        f.align = m_align;
        f.bullet = m_bullet;
        m_text.replace(m_text.size(), m_text.size(), QStringLiteral("\r"), f);
        m_lastWasSpace = false;
        m_closedParagraph = false;
    }

    void push(const QString& name, const CharFormat& f) {
        if (m_stack.size() < static_cast<std::size_t>(limits::maxHtmlNesting))
            m_stack.push_back({name, f});
    }

    void pop(const QString& name) {
        for (std::size_t k = m_stack.size(); k-- > 1;)
            if (m_stack[k].first == name) {
                m_stack.resize(k);
                return;
            }
    }

    static std::optional<double> attribute(const HtmlTag& tag, const char* name) {
        bool ok = false;
        const double v = tag.attributes.value(QLatin1String(name)).trimmed().toDouble(&ok);
        return ok && std::abs(v) < 10000 ? std::optional<double>(v) : std::nullopt;
    }

    void handleTag(const HtmlTag& tag) {
        const QString& name = tag.name;
        m_afterClose = false;
        // Any element after a closed paragraph opens the next one.
        if (!tag.closing && m_closedParagraph && m_text.size() > 0 && name != u"p" && name != u"li")
            breakParagraph();
        if (name == u"br") {
            breakParagraph();
        } else if (name == u"p" || name == u"li") {
            // A paragraph ends where the next one starts: text after </p> runs on.
            if (tag.closing) {
                if (m_multiline)
                    breakParagraph();
                else
                    m_closedParagraph = true;
                pop(name); // after the break: it ends the paragraph it styled
                m_afterClose = true;
                return;
            }
            if (m_text.size() > 0 && (m_closedParagraph || !m_text.text().endsWith(u'\r')))
                breakParagraph();
            m_align = m_stack.front().second.align;
            m_bullet = false;
            if (name == u"li")
                m_bullet = true;
            const QString align = tag.attributes.value(QStringLiteral("align")).toLower();
            if (align == u"left")
                m_align = TextAlign::Left;
            else if (align == u"right")
                m_align = TextAlign::Right;
            else if (align == u"center")
                m_align = TextAlign::Center;
            else if (align == u"justify")
                m_align = TextAlign::Justify;
            CharFormat f = format();
            if (styled(tag, f)) {
                if (f.align != format().align && align.isEmpty())
                    m_align = f.align;
                push(name, f);
            }
        } else if (tag.closing) {
            pop(name);
        } else if (name == u"b" || name == u"i" || name == u"u" || name == u"font" ||
                   name == u"a" || name == u"textformat") {
            CharFormat f = format();
            if (name == u"b")
                f.bold = true;
            else if (name == u"i")
                f.italic = true;
            else if (name == u"u")
                f.underline = true;
            else if (name == u"font")
                fontAttributes(tag, f);
            else if (name == u"a") {
                f.url = tag.attributes.value(QStringLiteral("href"));
                f.target = tag.attributes.value(QStringLiteral("target"));
            } else
                textFormatAttributes(tag, f);
            styled(tag, f);
            push(name, f);
        } else if (CharFormat f = format(); styled(tag, f)) {
            push(name, f);
        }
    }

    // The style sheet's word on tag: its name's style, then its class's over that.
    bool styled(const HtmlTag& tag, CharFormat& f) const {
        if (!m_styles)
            return false;
        bool found = false;
        const QString classKey = u'.' + tag.attributes.value(QStringLiteral("class")).toLower();
        for (const QString& key : {tag.name, classKey})
            if (auto it = m_styles->constFind(key); it != m_styles->cend()) {
                it->applyTo(f, true);
                found = true;
            }
        return found;
    }

    static void fontAttributes(const HtmlTag& tag, CharFormat& f) {
        if (auto c = htmlColour(tag.attributes.value(QStringLiteral("color"))))
            f.color = *c;
        if (tag.attributes.contains(QStringLiteral("face")))
            f.font = tag.attributes.value(QStringLiteral("face"));
        const QString size = tag.attributes.value(QStringLiteral("size")).trimmed();
        if (auto v = attribute(tag, "size")) {
            const bool relative = size.startsWith(u'+') || size.startsWith(u'-');
            f.size = std::max(0.0, std::round(relative ? f.size + *v : *v));
        }
        if (auto v = attribute(tag, "letterspacing"))
            f.letterSpacing = *v;
        // KERNING is written out but not read back.
    }

    static void textFormatAttributes(const HtmlTag& tag, CharFormat& f) {
        const std::pair<const char*, double CharFormat::*> fields[] = {
            {"leftmargin", &CharFormat::leftMargin},
            {"rightmargin", &CharFormat::rightMargin},
            {"indent", &CharFormat::indent},
            {"leading", &CharFormat::leading},
            {"blockindent", &CharFormat::blockIndent}};
        for (const auto& [name, field] : fields)
            if (auto v = attribute(tag, name))
                f.*field = *v;
        if (tag.attributes.contains(QStringLiteral("tabstops"))) {
            f.tabStops.clear();
            for (const QString& part :
                 tag.attributes.value(QStringLiteral("tabstops")).split(u',', Qt::SkipEmptyParts))
                if (f.tabStops.size() < 64)
                    f.tabStops.append(part.trimmed().toDouble());
        }
    }

    RichText m_text;
    std::vector<std::pair<QString, CharFormat>> m_stack;
    TextAlign m_align = TextAlign::Left;
    bool m_bullet = false;
    bool m_condense = false;
    bool m_multiline = false;
    const HtmlStyles* m_styles = nullptr;
    bool m_lastWasSpace = false;
    bool m_closedParagraph = false; // a </p> or </li> since the last break
    bool m_afterClose = false;      // nothing but white space since a </p> or </li>
};

} // namespace

TextFormat CharFormat::textFormat() const {
    TextFormat f;
    f.face = font;
    f.size = std::clamp(size, 0.0, 2000.0) * kTwipsPerPixel;
    f.colour = QColor::fromRgb(QRgb(0xFF000000u | (color & 0xFFFFFF)));
    f.bold = bold;
    f.italic = italic;
    f.underline = underline;
    return f;
}

ParagraphLayout CharFormat::paragraphLayout() const {
    ParagraphLayout p;
    p.align = align;
    p.leftMargin = (leftMargin + blockIndent) * kTwipsPerPixel;
    p.rightMargin = rightMargin * kTwipsPerPixel;
    p.indent = indent * kTwipsPerPixel;
    p.leading = leading * kTwipsPerPixel;
    return p;
}

namespace {

// Calls fn(a's field, b's field, whether it is a paragraph property) for every property
// CharFormat and FormatPatch share.
template <typename A, typename B, typename Fn> void eachField(A& a, B& b, Fn fn) {
    fn(a.font, b.font, false);
    fn(a.size, b.size, false);
    fn(a.color, b.color, false);
    fn(a.bold, b.bold, false);
    fn(a.italic, b.italic, false);
    fn(a.underline, b.underline, false);
    fn(a.url, b.url, false);
    fn(a.target, b.target, false);
    fn(a.kerning, b.kerning, false);
    fn(a.letterSpacing, b.letterSpacing, false);
    fn(a.align, b.align, true);
    fn(a.leftMargin, b.leftMargin, true);
    fn(a.rightMargin, b.rightMargin, true);
    fn(a.indent, b.indent, true);
    fn(a.leading, b.leading, true);
    fn(a.blockIndent, b.blockIndent, true);
    fn(a.bullet, b.bullet, true);
    fn(a.tabStops, b.tabStops, true);
}

} // namespace

FormatPatch FormatPatch::from(const CharFormat& f) {
    FormatPatch p;
    eachField(p, f, [](auto& mine, const auto& value, bool) { mine = value; });
    return p;
}

void FormatPatch::intersect(const FormatPatch& other) {
    eachField(*this, other, [](auto& mine, const auto& theirs, bool) {
        if (mine != theirs)
            mine.reset();
    });
}

void FormatPatch::applyTo(CharFormat& f, bool paragraphFields) const {
    eachField(f, *this, [&](auto& field, const auto& value, bool paragraph) {
        if (value && (paragraphFields || !paragraph))
            field = *value;
    });
}

FormatPatch FormatPatch::paragraphPart() const {
    FormatPatch p;
    eachField(p, *this, [](auto& mine, const auto& value, bool paragraph) {
        if (paragraph)
            mine = value;
    });
    return p;
}

void RichText::replace(int begin, int end, const QString& s, const CharFormat& format) {
    begin = std::clamp(begin, 0, size());
    end = std::clamp(end, begin, size());
    std::vector<FormatRun> runs;
    int at = 0;
    bool inserted = false;
    auto insert = [&] {
        if (!inserted && !s.isEmpty())
            runs.push_back({static_cast<int>(s.size()), format});
        inserted = true;
    };
    for (const FormatRun& run : m_runs) {
        const int runEnd = at + run.length;
        if (at < begin)
            runs.push_back({std::min(runEnd, begin) - at, run.format});
        if (runEnd >= begin && at <= begin)
            insert();
        if (runEnd > end)
            runs.push_back({runEnd - std::max(at, end), run.format});
        at = runEnd;
    }
    insert();
    m_text.replace(begin, end - begin, s);
    m_runs = std::move(runs);
    merge();
}

void RichText::merge() {
    std::vector<FormatRun> merged;
    for (FormatRun& run : m_runs) {
        if (run.length <= 0)
            continue;
        if (!merged.empty() && merged.back().format == run.format)
            merged.back().length += run.length;
        else
            merged.push_back(std::move(run));
    }
    m_runs = std::move(merged);
}

std::optional<CharFormat> RichText::formatAt(int i) const {
    int at = 0;
    for (const FormatRun& run : m_runs) {
        at += run.length;
        if (i < at)
            return run.format;
    }
    if (m_runs.empty())
        return std::nullopt;
    return m_runs.back().format;
}

FormatPatch RichText::commonFormat(int begin, int end) const {
    std::optional<FormatPatch> common;
    int at = 0;
    for (const FormatRun& run : m_runs) {
        const int runEnd = at + run.length;
        if (runEnd > begin && at < end) {
            if (common)
                common->intersect(FormatPatch::from(run.format));
            else
                common = FormatPatch::from(run.format);
        }
        at = runEnd;
    }
    return common.value_or(FormatPatch{});
}

int RichText::paragraphStart(int i) const {
    if (i <= 0)
        return 0;
    const qsizetype cr = m_text.lastIndexOf(u'\r', std::min(i, size()) - 1);
    return cr < 0 ? 0 : static_cast<int>(cr) + 1;
}

int RichText::paragraphEnd(int i) const {
    const qsizetype cr = m_text.indexOf(u'\r', std::max(i, 0));
    return cr < 0 ? size() : static_cast<int>(cr) + 1;
}

void RichText::applyFormat(int begin, int end, const FormatPatch& patch) {
    begin = std::clamp(begin, 0, size());
    end = std::clamp(end, begin, size());
    const int paraBegin = paragraphStart(begin);
    const int paraEnd = end > begin ? paragraphEnd(end - 1) : paragraphEnd(begin);
    std::vector<FormatRun> runs;
    int at = 0;
    for (const FormatRun& run : m_runs) {
        // Cut the run at the range's and the paragraphs' edges, then patch each piece.
        int cuts[] = {at, paraBegin, begin, end, paraEnd, at + run.length};
        std::sort(std::begin(cuts), std::end(cuts));
        for (int k = 0; k + 1 < 6; ++k) {
            const int a = std::max(cuts[k], at), b = std::min(cuts[k + 1], at + run.length);
            if (b <= a)
                continue;
            CharFormat f = run.format;
            if (a >= paraBegin && b <= paraEnd) {
                const bool chars = a >= begin && b <= end;
                if (chars)
                    patch.applyTo(f, true);
                else
                    patch.paragraphPart().applyTo(f, true);
            }
            runs.push_back({b - a, f});
        }
        at += run.length;
    }
    m_runs = std::move(runs);
    merge();
}

QList<TextParagraph> RichText::paragraphs(bool password, const CharFormat& empty) const {
    QList<TextParagraph> out;
    TextParagraph current;
    bool started = false;
    auto startParagraph = [&](const CharFormat& f) {
        if (!started) {
            current.layout = f.paragraphLayout();
            started = true;
        }
    };
    int at = 0;
    for (const FormatRun& run : m_runs) {
        const QString piece = m_text.mid(at, run.length);
        at += run.length;
        qsizetype start = 0;
        for (qsizetype k = 0; k <= piece.size(); ++k) {
            if (k < piece.size() && piece[k] != u'\r')
                continue;
            startParagraph(run.format);
            if (k > start) {
                QString s = piece.sliced(start, k - start);
                if (password)
                    s.fill(u'*');
                if (run.format.bullet && current.runs.isEmpty())
                    s.prepend(QStringLiteral("\u2022 "));
                current.runs.append({s, run.format.textFormat()});
            }
            if (k < piece.size()) {
                out.append(current);
                current = TextParagraph{};
                started = false;
            }
            start = k + 1;
        }
    }
    if (!started)
        current.layout = (m_runs.empty() ? empty : m_runs.back().format).paragraphLayout();
    out.append(current);
    return out;
}

QString RichText::html(const CharFormat& empty) const {
    if (m_text.isEmpty())
        return {}; // an empty field gives no markup at all
    QString out;
    // Each paragraph: its runs (a run may hold several paragraphs' text).
    struct Piece {
        QString text;
        const CharFormat* format;
    };
    std::vector<std::vector<Piece>> paragraphs(1);
    int at = 0;
    for (const FormatRun& run : m_runs) {
        const QStringList parts = m_text.mid(at, run.length).split(u'\r');
        at += run.length;
        for (qsizetype k = 0; k < parts.size(); ++k) {
            if (k > 0)
                paragraphs.emplace_back();
            if (!parts[k].isEmpty() || paragraphs.back().empty())
                paragraphs.back().push_back({parts[k], &run.format});
        }
    }
    // A last break ends its paragraph; it opens no empty one.
    if (paragraphs.size() > 1 && m_text.endsWith(u'\r'))
        paragraphs.pop_back();
    const CharFormat* last = m_runs.empty() ? &empty : &m_runs.back().format;
    for (auto& pieces : paragraphs) {
        if (pieces.empty())
            pieces.push_back({QString(), last});
        // An empty first piece only carries the paragraph's format.
        if (pieces.size() > 1 && pieces.front().text.isEmpty())
            pieces.erase(pieces.begin());
        const CharFormat& p = *pieces.front().format;
        QString attrs;
        if (p.leftMargin)
            attrs += QStringLiteral(" LEFTMARGIN=\"%1\"").arg(number(p.leftMargin));
        if (p.rightMargin)
            attrs += QStringLiteral(" RIGHTMARGIN=\"%1\"").arg(number(p.rightMargin));
        if (p.indent)
            attrs += QStringLiteral(" INDENT=\"%1\"").arg(number(p.indent));
        if (p.leading)
            attrs += QStringLiteral(" LEADING=\"%1\"").arg(number(p.leading));
        if (p.blockIndent)
            attrs += QStringLiteral(" BLOCKINDENT=\"%1\"").arg(number(p.blockIndent));
        if (!p.tabStops.isEmpty()) {
            QStringList stops;
            for (double t : p.tabStops)
                stops << number(t);
            attrs += QStringLiteral(" TABSTOPS=\"%1\"").arg(stops.join(u','));
        }
        if (!attrs.isEmpty())
            out += QStringLiteral("<TEXTFORMAT") + attrs + u'>';
        out += p.bullet ? QStringLiteral("<LI>")
                        : QStringLiteral("<P ALIGN=\"%1\">").arg(QLatin1String(alignName(p.align)));
        for (const Piece& piece : pieces) {
            const CharFormat& f = *piece.format;
            QString open =
                QStringLiteral("<FONT FACE=\"%1\" SIZE=\"%2\" COLOR=\"#%3\" "
                               "LETTERSPACING=\"%4\" KERNING=\"%5\">")
                    .arg(escaped(f.font), number(f.size))
                    .arg(QString::number(f.color & 0xFFFFFF, 16).toUpper().rightJustified(6, u'0'))
                    .arg(number(f.letterSpacing), f.kerning ? u"1" : u"0");
            QString close = QStringLiteral("</FONT>");
            if (!f.url.isEmpty()) {
                open += QStringLiteral("<A HREF=\"%1\" TARGET=\"%2\">")
                            .arg(escaped(f.url), escaped(f.target));
                close.prepend(QStringLiteral("</A>"));
            }
            for (auto [on, tag] : {std::pair{f.bold, u'B'}, {f.italic, u'I'}, {f.underline, u'U'}})
                if (on) {
                    open += QStringLiteral("<%1>").arg(QChar(tag));
                    close.prepend(QStringLiteral("</%1>").arg(QChar(tag)));
                }
            out += open + escaped(piece.text) + close;
        }
        out += p.bullet ? QStringLiteral("</LI>") : QStringLiteral("</P>");
        if (!attrs.isEmpty())
            out += QStringLiteral("</TEXTFORMAT>");
    }
    return out;
}

RichText parseRichHtml(QStringView html, const CharFormat& base, bool condenseWhite, bool multiline,
                       const HtmlStyles* styles) {
    return RichHtmlReader(base, condenseWhite, multiline, styles).read(html);
}

QString normaliseNewlines(const QString& s) {
    QString out = s;
    out.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    out.replace(u'\n', u'\r');
    return out;
}

} // namespace reelcase::swf
