#include "swf/text/text_format.h"

namespace reelcase::swf {

QString TextParagraph::text() const {
    QString all;
    for (const TextRun& run : runs)
        all += run.text;
    return all;
}

QList<TextParagraph> plainTextParagraphs(QStringView text, const TextFormat& format,
                                         const ParagraphLayout& layout) {
    QList<TextParagraph> paragraphs;
    qsizetype start = 0;
    auto flush = [&](qsizetype end) {
        TextParagraph paragraph{layout, {}};
        if (end > start)
            paragraph.runs.append({text.sliced(start, end - start).toString(), format});
        paragraphs.append(paragraph);
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        flush(i);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    flush(text.size());
    return paragraphs;
}

} // namespace reelcase::swf
