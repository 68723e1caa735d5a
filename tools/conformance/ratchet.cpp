#include "ratchet.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace reelcase::conformance {

namespace {

const QString kHeader = QStringLiteral(
    "# Corpus cases that pass today, and which part: the trace or the pictures (frames).\n"
    "# scripts/conformance --check names any that stops passing; --update adds new passes.\n"
    "# A line is removed only by hand, with the reason in the commit.\n");

bool passes(const CaseResult& result, PassEntry::Part part) {
    return part == PassEntry::Part::Trace ? result.trace.pass : result.framesPass();
}

} // namespace

QString PassEntry::text() const {
    return caseName + (part == Part::Trace ? QStringLiteral(" trace") : QStringLiteral(" frames"));
}

std::optional<QList<PassEntry>> parsePassList(const QString& text, QString* error) {
    QList<PassEntry> entries;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        PassEntry entry;
        if (words.size() == 2 && words[1] == u"trace")
            entry.part = PassEntry::Part::Trace;
        else if (words.size() == 2 && words[1] == u"frames")
            entry.part = PassEntry::Part::Frames;
        else {
            *error =
                QStringLiteral("line %1: expected \"CASE trace\" or \"CASE frames\"").arg(i + 1);
            return std::nullopt;
        }
        entry.caseName = words[0];
        entries.append(entry);
    }
    return entries;
}

QString formatPassList(QList<PassEntry> entries) {
    std::sort(entries.begin(), entries.end(), [](const PassEntry& a, const PassEntry& b) {
        return a.caseName != b.caseName ? a.caseName < b.caseName : a.part < b.part;
    });
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    QString text = kHeader;
    for (const PassEntry& entry : entries)
        text += entry.text() + u'\n';
    return text;
}

QList<PassEntry> passingEntries(const QList<CaseResult>& results) {
    QList<PassEntry> entries;
    for (const CaseResult& result : results)
        for (const auto part : {PassEntry::Part::Trace, PassEntry::Part::Frames})
            if (passes(result, part))
                entries.append({result.name, part});
    return entries;
}

QList<Regression> findRegressions(const QList<PassEntry>& listed, const QList<CaseResult>& results,
                                  const QStringList& runNames, const QStringList& corpusNames) {
    QHash<QString, const CaseResult*> byName;
    for (const CaseResult& result : results)
        byName.insert(result.name, &result);
    const QSet<QString> run(runNames.begin(), runNames.end());
    const QSet<QString> corpus(corpusNames.begin(), corpusNames.end());
    QList<Regression> regressions;
    for (const PassEntry& entry : listed) {
        if (!corpus.contains(entry.caseName)) {
            regressions.append({entry, QStringLiteral("not in the corpus")});
            continue;
        }
        if (!run.contains(entry.caseName))
            continue;
        const CaseResult* result = byName.value(entry.caseName);
        if (!result)
            regressions.append({entry, QStringLiteral("not run")});
        else if (!passes(*result, entry.part))
            regressions.append({entry, entry.part == PassEntry::Part::Trace
                                           ? result->traceFailure()
                                           : result->framesFailure()});
    }
    return regressions;
}

} // namespace reelcase::conformance
