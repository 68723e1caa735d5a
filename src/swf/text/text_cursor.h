#pragma once

#include "swf/text/text_layout.h"

#include <QColor>

class QPainter;

namespace reelcase::swf {

// What a focused field shows of its selection: the characters [begin, end) highlighted and,
// in an editable field, the caret before character caret.
struct TextCursor {
    int begin = 0;
    int end = 0;
    int caret = 0;
    bool showCaret = false;
    bool operator==(const TextCursor&) const = default;
};

// Draws the selection over text already drawn: a black band behind the selected characters,
// which are drawn again in white; without a selection, the caret in the text's colour.
// lineLeft (twips) places the caret on an empty line; colourOf maps its colour (a colour
// transform).
void drawTextCursor(QPainter& painter, const TextLayout& layout, const TextCursor& cursor,
                    double lineLeft, const QColor& fieldColour,
                    const std::function<QColor(const QColor&)>& colourOf = {});

} // namespace reelcase::swf
