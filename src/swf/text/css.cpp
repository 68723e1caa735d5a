#include "swf/text/css.h"

#include "swf/format/limits.h"

namespace reelcase::swf {
namespace {

QString withoutComments(QStringView css) {
    QString out;
    out.reserve(css.size());
    for (qsizetype i = 0; i < css.size();) {
        if (css.sliced(i).startsWith(u"/*")) {
            const qsizetype end = css.indexOf(u"*/", i + 2);
            if (end < 0)
                break;
            i = end + 2;
            out += u' ';
        } else {
            out += css[i++];
        }
    }
    return out;
}

// "font-family" -> "fontFamily".
QString scriptName(QStringView name) {
    QString out;
    bool upper = false;
    for (QChar c : name) {
        if (c == u'-') {
            upper = true;
            continue;
        }
        out += upper ? c.toUpper() : c;
        upper = false;
    }
    return out;
}

std::optional<QList<QPair<QString, QString>>> declarations(QStringView block) {
    QList<QPair<QString, QString>> out;
    for (QStringView d : block.split(u';')) {
        d = d.trimmed();
        if (d.isEmpty())
            continue;
        const qsizetype colon = d.indexOf(u':');
        if (colon <= 0)
            return std::nullopt;
        out.append(
            {scriptName(d.first(colon).trimmed()), d.sliced(colon + 1).trimmed().toString()});
    }
    return out;
}

} // namespace

std::optional<QList<CssRule>> parseCss(QStringView input) {
    if (input.size() > limits::maxCssLength)
        return std::nullopt;
    const QString css = withoutComments(input);
    QList<CssRule> rules;
    qsizetype i = 0;
    while (true) {
        const qsizetype open = css.indexOf(u'{', i);
        if (open < 0) {
            if (!QStringView(css).sliced(i).trimmed().isEmpty())
                return std::nullopt; // a selector with no block
            return rules;
        }
        const qsizetype close = css.indexOf(u'}', open);
        if (close < 0)
            return std::nullopt;
        const QStringView selectors = QStringView(css).sliced(i, open - i).trimmed();
        auto body = declarations(QStringView(css).sliced(open + 1, close - open - 1));
        if (selectors.isEmpty() || !body)
            return std::nullopt;
        for (QStringView s : selectors.split(u',')) {
            s = s.trimmed();
            if (s.isEmpty())
                return std::nullopt;
            if (rules.size() >= limits::maxStyleSheetStyles)
                return std::nullopt;
            rules.append({s.toString(), *body});
        }
        i = close + 1;
    }
}

} // namespace reelcase::swf
