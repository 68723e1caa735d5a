#pragma once

#include <QColor>
#include <QList>
#include <QString>

namespace reelcase::swf {

// How a run of text looks. Sizes are in twips (1/20 pixel), like every length in the text
// field's own coordinates.
struct TextFormat {
    QString face;      // font name; empty means the default sans-serif device font
    double size = 240; // em height in twips
    QColor colour = Qt::black;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    friend bool operator==(const TextFormat&, const TextFormat&) = default;
};

// Values of DefineEditText's align field.
enum class TextAlign { Left = 0, Right = 1, Center = 2, Justify = 3 };

// Paragraph settings, in twips: the margins are measured in from the field's left and right
// edges (inside its gutter), the indent applies to a paragraph's first line, and the leading
// is the extra space below each line.
struct ParagraphLayout {
    TextAlign align = TextAlign::Left;
    double leftMargin = 0;
    double rightMargin = 0;
    double indent = 0;
    double leading = 0;

    friend bool operator==(const ParagraphLayout&, const ParagraphLayout&) = default;
};

struct TextRun {
    QString text;
    TextFormat format;
};

// One paragraph: ends with a line break in the text (the break itself is not stored).
struct TextParagraph {
    ParagraphLayout layout;
    QList<TextRun> runs;
    QString text() const;
};

// Splits plain text into paragraphs at CR, LF and CR LF, all in one format.
QList<TextParagraph> plainTextParagraphs(QStringView text, const TextFormat& format,
                                         const ParagraphLayout& layout);

} // namespace reelcase::swf
