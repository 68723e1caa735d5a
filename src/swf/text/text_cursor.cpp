#include "swf/text/text_cursor.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace reelcase::swf {

namespace {

// The line holding character index, and its top and bottom in twips.
struct LineSpan {
    double top = 0;
    double bottom = 0;
};

LineSpan lineOf(const TextLayout& layout, int index) {
    if (layout.lineTops.isEmpty())
        return {};
    qsizetype line = 0;
    while (line + 1 < layout.lineStarts.size() && layout.lineStarts[line + 1] <= index)
        ++line;
    const double top = layout.lineTops[line];
    const double bottom = line + 1 < layout.lineTops.size()
                              ? layout.lineTops[line + 1]
                              : layout.lineTops.front() + layout.height;
    return {top, bottom};
}

double xAt(const TextFragment& fragment, int index) {
    const qsizetype k = std::clamp<qsizetype>(index - fragment.start, 0, fragment.text.size());
    return fragment.origin.x() + fragment.face->advance(QStringView(fragment.text).left(k));
}

void drawSelection(QPainter& painter, const TextLayout& layout, int begin, int end) {
    QPainterPath band;
    for (const TextFragment& fragment : layout.fragments) {
        const int fragmentEnd = fragment.start + static_cast<int>(fragment.text.size());
        const int from = std::max(begin, fragment.start);
        const int to = std::min(end, fragmentEnd);
        if (from >= to || !fragment.face)
            continue;
        const LineSpan line = lineOf(layout, fragment.start);
        band.addRect(QRectF(QPointF(xAt(fragment, from), line.top),
                            QPointF(xAt(fragment, to), line.bottom)));
    }
    if (band.isEmpty())
        return;
    painter.save();
    painter.fillPath(band, Qt::black);
    painter.setClipPath(band, Qt::IntersectClip);
    drawTextLayout(painter, layout, [](const QColor&) { return QColor(Qt::white); });
    painter.restore();
}

void drawCaret(QPainter& painter, const TextLayout& layout, int caret, double lineLeft,
               QColor colour, const std::function<QColor(const QColor&)>& colourOf) {
    LineSpan line = lineOf(layout, caret);
    double x = 0;
    bool found = false;
    // The last fragment that reaches the caret: at a wrap, the caret starts the next line.
    for (const TextFragment& fragment : layout.fragments) {
        const int fragmentEnd = fragment.start + static_cast<int>(fragment.text.size());
        if (!fragment.face || caret < fragment.start || caret > fragmentEnd)
            continue;
        x = xAt(fragment, caret);
        colour = fragment.format.colour;
        line = lineOf(layout, fragment.start);
        found = true;
    }
    if (!found) {
        // An empty line: the caret stands at the start of the line's text.
        if (layout.lineTops.isEmpty())
            return;
        x = lineLeft;
        for (const TextFragment& fragment : layout.fragments)
            if (lineOf(layout, fragment.start).top == line.top) {
                x = fragment.origin.x();
                break;
            }
    }
    // One device pixel wide, on whole pixels, however the field is scaled.
    const QTransform device = painter.transform();
    const QPointF top = device.map(QPointF(x, line.top));
    const QPointF bottom = device.map(QPointF(x, line.bottom));
    painter.save();
    painter.setTransform(QTransform());
    const double left = std::floor(top.x());
    painter.fillRect(
        QRectF(QPointF(left, std::round(top.y())), QPointF(left + 1, std::round(bottom.y()))),
        colourOf ? colourOf(colour) : colour);
    painter.restore();
}

} // namespace

void drawTextCursor(QPainter& painter, const TextLayout& layout, const TextCursor& cursor,
                    double lineLeft, const QColor& fieldColour,
                    const std::function<QColor(const QColor&)>& colourOf) {
    if (cursor.begin < cursor.end) {
        drawSelection(painter, layout, cursor.begin, cursor.end);
    } else if (cursor.showCaret) {
        drawCaret(painter, layout, cursor.caret, lineLeft, fieldColour, colourOf);
    }
}

} // namespace reelcase::swf
