#pragma once

#include "swf/text/text_format.h"

#include <QPointF>
#include <QRectF>

#include <functional>
#include <memory>

class QPainter;

namespace reelcase::swf {

// A font at one size, able to measure and draw text. All lengths in twips.
class TextFace {
public:
    virtual ~TextFace() = default;
    virtual double advance(QStringView text) const = 0;
    virtual double ascent() const = 0;
    virtual double descent() const = 0;
    // Draws text with its baseline starting at origin.
    virtual void draw(QPainter& painter, QPointF origin, QStringView text,
                      const QColor& colour) const = 0;
};

// Gives the face for a format; called once per distinct format of a layout.
using FaceProvider = std::function<std::shared_ptr<const TextFace>(const TextFormat&)>;

// The field the text is laid out in.
struct TextBox {
    QRectF bounds;         // twips, in the field's coordinates
    bool wordWrap = false; // break lines at the box's right edge
    TextFormat format;     // the field's own format, for the height of empty lines
};

// Space between a field's bounds and its text, on every side.
inline constexpr double kTextGutter = 40;

// One piece of a line in one format.
struct TextFragment {
    QPointF origin; // baseline start, twips
    QString text;
    double width = 0;
    TextFormat format;
    std::shared_ptr<const TextFace> face;
    int start = 0; // its first character's index in the text (a paragraph break counts one)
};

struct TextLayout {
    QList<TextFragment> fragments;
    int lineCount = 0;
    QList<double> lineTops; // each line's top, twips
    QList<int> lineStarts;  // each line's first character's index in the text
    double width = 0;       // the widest line's text, twips
    double height = 0;      // from the top of the first line to the bottom of the last, twips
};

// Lays paragraphs out in the box: lines break at the text's own breaks and, with word wrap,
// at the last line-break opportunity that fits (a word wider than the line breaks between
// characters). Each line is as tall as its tallest face (ascent + descent) plus the
// paragraph's leading, and is aligned between the paragraph's margins; justified lines
// spread their spare width over their spaces, except a paragraph's last line.
TextLayout layoutText(const QList<TextParagraph>& paragraphs, const TextBox& box,
                      const FaceProvider& faces);

// The caret position nearest a point (twips, the layout's coordinates): on the line the
// point is level with, at the closest boundary between characters.
int caretIndexAt(const TextLayout& layout, QPointF point);

// Draws a layout (text and underlines) in the painter's current coordinates; colourOf, when
// given, maps each colour before use (a colour transform).
void drawTextLayout(QPainter& painter, const TextLayout& layout,
                    const std::function<QColor(const QColor&)>& colourOf = {});

} // namespace reelcase::swf
