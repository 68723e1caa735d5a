#pragma once

#include "swf/text/text_format.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace reelcase::swf {

// Everything a script's TextFormat can say about one character. Lengths are pixels, as
// scripts see them; paragraph settings (align to tabStops) are the same for a paragraph.
struct CharFormat {
    QString font = QStringLiteral("Times New Roman");
    double size = 12;
    unsigned color = 0; // 0xRRGGBB
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QString url;
    QString target;
    TextAlign align = TextAlign::Left;
    double leftMargin = 0;
    double rightMargin = 0;
    double indent = 0;
    double leading = 0;
    double blockIndent = 0;
    bool bullet = false;
    QList<double> tabStops;
    bool kerning = false;
    double letterSpacing = 0;

    friend bool operator==(const CharFormat&, const CharFormat&) = default;
    // The renderer's view: face, size in twips, colour and styles.
    TextFormat textFormat() const;
    ParagraphLayout paragraphLayout() const;
};

// A TextFormat as a script holds it: each property set or not (null).
struct FormatPatch {
    std::optional<QString> font;
    std::optional<double> size;
    std::optional<unsigned> color;
    std::optional<bool> bold, italic, underline;
    std::optional<QString> url, target;
    std::optional<TextAlign> align;
    std::optional<double> leftMargin, rightMargin, indent, leading, blockIndent;
    std::optional<bool> bullet;
    std::optional<QList<double>> tabStops;
    std::optional<bool> kerning;
    std::optional<double> letterSpacing;

    static FormatPatch from(const CharFormat& f);
    // Keeps only the properties this and other agree on.
    void intersect(const FormatPatch& other);
    void applyTo(CharFormat& f, bool paragraphFields) const;
    // Only the paragraph properties (align to tabStops).
    FormatPatch paragraphPart() const;
};

struct FormatRun {
    int length = 0;
    CharFormat format;
};

// A text field's text with a format for every character, in runs. Paragraphs end at '\r'.
class RichText {
public:
    const QString& text() const { return m_text; }
    int size() const { return static_cast<int>(m_text.size()); }
    const std::vector<FormatRun>& runs() const { return m_runs; }

    // Replaces [begin, end) (clamped) with s in one format.
    void replace(int begin, int end, const QString& s, const CharFormat& format);
    void setText(const QString& s, const CharFormat& format) { replace(0, size(), s, format); }
    // The format of character i; past the end, the last character's.
    std::optional<CharFormat> formatAt(int i) const;
    // What every character of [begin, end) shares.
    FormatPatch commonFormat(int begin, int end) const;
    // Character properties change over [begin, end); paragraph ones over the paragraphs it
    // touches.
    void applyFormat(int begin, int end, const FormatPatch& patch);

    // Paragraphs for layout (password: every character shown as '*').
    QList<TextParagraph> paragraphs(bool password, const CharFormat& empty) const;
    // The HTML a text field gives back for its text.
    QString html(const CharFormat& empty) const;

private:
    void merge();
    int paragraphStart(int i) const;
    int paragraphEnd(int i) const;

    QString m_text;
    std::vector<FormatRun> m_runs; // lengths add up to m_text.size()
};

// What a field's style sheet says, by tag name ("p") and by class (".note"); names in
// lower case.
using HtmlStyles = QHash<QString, FormatPatch>;

// Reads HTML into rich text: tags change the format of what they hold (base for the rest).
// <br> and line breaks become '\r'; so does </p> in a multiline field, while a single-line
// one runs paragraphs together. condenseWhite folds runs of white space into one space.
// With styles, any tag takes its name's style and then its class's (span included).
RichText parseRichHtml(QStringView html, const CharFormat& base, bool condenseWhite,
                       bool multiline = false, const HtmlStyles* styles = nullptr);

// Flash's text for a string set on a field: CR LF and LF become CR.
QString normaliseNewlines(const QString& s);

} // namespace reelcase::swf
