#include "trace_compare.h"

#include <algorithm>

namespace reelcase::conformance {

QStringList normalizedTraceLines(const QString& text) {
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    unified.replace(u'\r', u'\n');
    QStringList lines = unified.split(u'\n');
    for (QString& line : lines) {
        qsizetype end = line.size();
        while (end > 0 && (line[end - 1] == u' ' || line[end - 1] == u'\t'))
            --end;
        line.truncate(end);
    }
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

std::optional<TraceDifference> firstTraceDifference(const QString& expected,
                                                    const QString& actual) {
    const QStringList want = normalizedTraceLines(expected);
    const QStringList got = normalizedTraceLines(actual);
    const qsizetype common = std::min(want.size(), got.size());
    qsizetype i = 0;
    while (i < common && want[i] == got[i])
        ++i;
    if (i == want.size() && i == got.size())
        return std::nullopt;
    TraceDifference difference;
    difference.line = static_cast<int>(i + 1);
    if (i < want.size())
        difference.expected = want[i];
    if (i < got.size())
        difference.actual = got[i];
    return difference;
}

} // namespace reelcase::conformance
