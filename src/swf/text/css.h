#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace reelcase::swf {

// One rule of a style sheet: a selector ("p", ".note") and its declarations, names in
// script form ("font-size" becomes "fontSize"), values as written but trimmed.
struct CssRule {
    QString selector;
    QList<QPair<QString, QString>> declarations;
};

// Reads CSS text the way text fields' style sheets do: "a, b { name: value; ... }" rules
// with /* comments */. Nothing on a syntax error (an unclosed block, a declaration without a
// colon, a block without a selector) or past the caps.
std::optional<QList<CssRule>> parseCss(QStringView css);

} // namespace reelcase::swf
