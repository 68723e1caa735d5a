#pragma once

#include "swf/text/text_format.h"

#include <QHash>

namespace reelcase::swf {

// Reads the HTML subset that text fields accept into styled paragraphs. Understood:
// <p align="left|right|center|justify">, <br>, <font color="#rrggbb" size="N|+N|-N"
// face="name">, <b>, <i>, <u>, <li>, <textformat leftmargin rightmargin indent leading>
// (pixels), and the entities &lt; &gt; &amp; &quot; &apos; &nbsp; &#N; &#xN;. Other tags
// are dropped with their text kept. Whitespace is kept as written; CR and LF break
// paragraphs as in plain text. Never fails: malformed markup is read as well as it goes.
struct HtmlTag {
    QString name; // lower case
    bool closing = false;
    QHash<QString, QString> attributes; // names in lower case
    bool unquoted = false;              // an attribute's value without quotes
};

// Parses the inside of <...>.
HtmlTag parseHtmlTag(QStringView body);
// Decodes the entity starting at html[i] == '&'; advances i past it. Unknown entities stay
// as written.
QString decodeHtmlEntity(QStringView html, qsizetype& i);

QList<TextParagraph> parseHtmlText(QStringView html, const TextFormat& base,
                                   const ParagraphLayout& layout);

} // namespace reelcase::swf
