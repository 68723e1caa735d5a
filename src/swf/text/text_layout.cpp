#include "swf/text/text_layout.h"

#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <limits>

namespace reelcase::swf {

namespace {

// A piece of paragraph text [start, end) within one run.
struct Piece {
    int run = 0;
    qsizetype start = 0;
    qsizetype end = 0;
};

class ParagraphBreaker {
public:
    ParagraphBreaker(const TextParagraph& paragraph, const TextBox& box, const FaceProvider& faces,
                     TextLayout& out, double& top, int base)
        : m_base(base)
        , m_paragraph(paragraph)
        , m_box(box)
        , m_faces(faces)
        , m_faceOfRun(paragraph.runs.size())
        , m_out(out)
        , m_top(top) {
        qsizetype at = 0;
        for (const TextRun& run : paragraph.runs) {
            m_runStart.append(at);
            at += run.text.size();
            m_text += run.text;
        }
        m_runStart.append(at);
    }

    void run() {
        const ParagraphLayout& layout = m_paragraph.layout;
        m_lineLeft = m_box.bounds.left() + kTextGutter + layout.leftMargin;
        const double right = m_box.bounds.right() - kTextGutter - layout.rightMargin;
        m_fullWidth = std::max(0.0, right - m_lineLeft);
        m_indent = layout.indent;

        QTextBoundaryFinder finder(QTextBoundaryFinder::Line, m_text);
        qsizetype segmentStart = 0;
        while (segmentStart < m_text.size()) {
            qsizetype segmentEnd = finder.toNextBoundary();
            if (segmentEnd <= segmentStart || segmentEnd > m_text.size())
                segmentEnd = m_text.size();
            addSegment(segmentStart, segmentEnd);
            segmentStart = segmentEnd;
        }
        flushLine(false);
    }

private:
    const std::shared_ptr<const TextFace>& faceOf(int run) {
        if (!m_faceOfRun[run])
            m_faceOfRun[run] = m_faces(m_paragraph.runs[run].format);
        return m_faceOfRun[run];
    }

    int runAt(qsizetype pos) const {
        const auto it = std::upper_bound(m_runStart.begin(), m_runStart.end(), pos);
        return int(std::max<qsizetype>(0, (it - m_runStart.begin()) - 1));
    }

    double measure(qsizetype start, qsizetype end) {
        double width = 0;
        while (start < end) {
            const int r = runAt(start);
            const qsizetype pieceEnd = std::min(end, m_runStart[r + 1]);
            if (auto face = faceOf(r))
                width += face->advance(QStringView(m_text).sliced(start, pieceEnd - start));
            start = pieceEnd;
        }
        return width;
    }

    qsizetype trimmedEnd(qsizetype start, qsizetype end) const {
        while (end > start && m_text[end - 1].isSpace())
            --end;
        return end;
    }

    double available() const { return m_fullWidth - (m_firstLine ? m_indent : 0); }

    void addSegment(qsizetype start, qsizetype end) {
        if (!m_box.wordWrap) {
            m_lineEnd = end;
            return;
        }
        const double fitted = measure(m_lineStart, trimmedEnd(m_lineStart, end));
        if (fitted <= available() || trimmedEnd(m_lineStart, end) == m_lineStart) {
            m_lineEnd = end;
            return;
        }
        if (m_lineEnd > m_lineStart) {
            flushLine();
            if (measure(start, trimmedEnd(start, end)) <= available()) {
                m_lineEnd = end;
                return;
            }
        }
        // A word wider than the whole line: break it between characters.
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, m_text);
        graphemes.setPosition(start);
        qsizetype pos = start;
        while (pos < end) {
            qsizetype next = graphemes.toNextBoundary();
            if (next <= pos || next > end)
                next = end;
            if (m_lineEnd > m_lineStart && measure(m_lineStart, next) > available()) {
                flushLine();
                graphemes.setPosition(pos);
                next = graphemes.toNextBoundary();
                if (next <= pos || next > end)
                    next = end;
            }
            m_lineEnd = next;
            pos = next;
        }
    }

    // Spreads the spare width of a justified line over its spaces: each fragment is cut
    // after its spaces and the pieces moved apart.
    static QList<TextFragment> justified(const QList<TextFragment>& fragments, double spare) {
        qsizetype spaces = 0;
        for (const TextFragment& f : fragments)
            spaces += f.text.count(u' ');
        if (spaces == 0 || spare <= 0)
            return fragments;
        const double extra = spare / double(spaces);
        QList<TextFragment> out;
        double shift = 0;
        for (const TextFragment& f : fragments) {
            qsizetype start = 0;
            while (start < f.text.size()) {
                qsizetype end = f.text.indexOf(u' ', start);
                end = end < 0 ? f.text.size() : end + 1;
                TextFragment piece = f;
                piece.text = f.text.sliced(start, end - start);
                piece.start = f.start + static_cast<int>(start);
                piece.width = f.face->advance(piece.text);
                piece.origin.rx() += f.face->advance(QStringView(f.text).first(start)) + shift;
                out.append(piece);
                if (piece.text.endsWith(u' '))
                    shift += extra;
                start = end;
            }
        }
        return out;
    }

    // wrapped: the line ends where word wrap broke it, not at the paragraph's end.
    void flushLine(bool wrapped = true) {
        const qsizetype visibleEnd = trimmedEnd(m_lineStart, m_lineEnd);
        double ascent = 0;
        double descent = 0;
        QList<TextFragment> fragments;
        double x = 0;
        for (qsizetype pos = m_lineStart; pos < m_lineEnd;) {
            const int r = runAt(pos);
            const qsizetype pieceEnd = std::min(m_lineEnd, m_runStart[r + 1]);
            const auto& face = faceOf(r);
            if (face) {
                ascent = std::max(ascent, face->ascent());
                descent = std::max(descent, face->descent());
                const qsizetype drawnEnd = std::min(pieceEnd, std::max(pos, visibleEnd));
                const QString text = m_text.sliced(pos, drawnEnd - pos);
                const double width = face->advance(text);
                if (!text.isEmpty())
                    fragments.append({QPointF(x, 0), text, width, m_paragraph.runs[r].format, face,
                                      m_base + static_cast<int>(pos)});
                x += width;
            }
            pos = pieceEnd;
        }
        if (m_lineEnd == m_lineStart) { // an empty line is as tall as its format
            const int r = m_paragraph.runs.isEmpty() ? -1 : runAt(m_lineStart);
            const auto face = r >= 0 ? faceOf(r) : m_faces(m_box.format);
            if (face) {
                ascent = face->ascent();
                descent = face->descent();
            }
        }
        double left = m_lineLeft + (m_firstLine ? m_indent : 0);
        const double spare = available() - x;
        if (m_paragraph.layout.align == TextAlign::Center)
            left += spare / 2;
        else if (m_paragraph.layout.align == TextAlign::Right)
            left += spare;
        else if (m_paragraph.layout.align == TextAlign::Justify && wrapped)
            fragments = justified(fragments, spare);
        m_out.lineTops.append(m_top);
        m_out.lineStarts.append(m_base + static_cast<int>(m_lineStart));
        m_out.width = std::max(m_out.width, x);
        const double baseline = m_top + ascent;
        for (TextFragment& fragment : fragments) {
            fragment.origin += QPointF(left, baseline);
            m_out.fragments.append(fragment);
        }
        m_top = baseline + descent + m_paragraph.layout.leading;
        m_out.lineCount += 1;
        m_firstLine = false;
        m_lineStart = m_lineEnd;
        while (m_lineStart < m_text.size() && m_text[m_lineStart] == u' ' && m_box.wordWrap)
            ++m_lineStart; // spaces at a wrap belong to neither line
        m_lineEnd = m_lineStart;
    }

    int m_base = 0; // where the paragraph starts in the whole text
    const TextParagraph& m_paragraph;
    const TextBox& m_box;
    const FaceProvider& m_faces;
    QList<std::shared_ptr<const TextFace>> m_faceOfRun;
    TextLayout& m_out;
    double& m_top;
    QString m_text;
    QList<qsizetype> m_runStart;
    double m_lineLeft = 0;
    double m_fullWidth = 0;
    double m_indent = 0;
    bool m_firstLine = true;
    qsizetype m_lineStart = 0;
    qsizetype m_lineEnd = 0;
};

} // namespace

TextLayout layoutText(const QList<TextParagraph>& paragraphs, const TextBox& box,
                      const FaceProvider& faces) {
    TextLayout layout;
    const double firstTop = box.bounds.top() + kTextGutter;
    double top = firstTop;
    int base = 0;
    for (const TextParagraph& paragraph : paragraphs) {
        ParagraphBreaker(paragraph, box, faces, layout, top, base).run();
        base += static_cast<int>(paragraph.text().size()) + 1;
    }
    layout.height = top - firstTop;
    return layout;
}

int caretIndexAt(const TextLayout& layout, QPointF point) {
    if (layout.lineTops.isEmpty())
        return 0;
    qsizetype line = 0;
    while (line + 1 < layout.lineTops.size() && point.y() >= layout.lineTops[line + 1])
        ++line;
    const int lineStart = layout.lineStarts[line];
    const int lineEnd = line + 1 < layout.lineStarts.size() ? layout.lineStarts[line + 1] - 1
                                                            : std::numeric_limits<int>::max();
    int best = lineStart;
    double bestDistance = std::numeric_limits<double>::max();
    for (const TextFragment& fragment : layout.fragments) {
        if (fragment.start < lineStart || fragment.start > lineEnd || !fragment.face)
            continue;
        // Each boundary between characters, measured from the fragment's start.
        for (qsizetype k = 0; k <= fragment.text.size(); ++k) {
            const double x =
                fragment.origin.x() + fragment.face->advance(QStringView(fragment.text).left(k));
            const double distance = std::abs(point.x() - x);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = fragment.start + static_cast<int>(k);
            }
        }
    }
    return best;
}

void drawTextLayout(QPainter& painter, const TextLayout& layout,
                    const std::function<QColor(const QColor&)>& colourOf) {
    for (const TextFragment& fragment : layout.fragments) {
        const QColor colour = colourOf ? colourOf(fragment.format.colour) : fragment.format.colour;
        fragment.face->draw(painter, fragment.origin, fragment.text, colour);
        if (fragment.format.underline) {
            const double thickness = std::max(20.0, fragment.format.size / 16);
            const QRectF line(fragment.origin.x(), fragment.origin.y() + thickness, fragment.width,
                              thickness);
            painter.fillRect(line, colour);
        }
    }
}

} // namespace reelcase::swf
