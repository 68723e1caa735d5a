#pragma once

#include "case_result.h"

#include <QList>
#include <QString>

#include <optional>

namespace reelcase::conformance {

// One line of the list of what passes: a case and the part of it that passes.
struct PassEntry {
    enum class Part { Trace, Frames };
    QString caseName;
    Part part = Part::Trace;

    QString text() const; // "avm1/add2 trace"
    friend bool operator==(const PassEntry&, const PassEntry&) = default;
};

// Reads the list: one "CASE trace" or "CASE frames" a line; blank lines and lines starting
// with "#" are skipped. Null with error naming the line on anything else.
std::optional<QList<PassEntry>> parsePassList(const QString& text, QString* error);

// The list as a file: a short header, then the entries sorted, each once.
QString formatPassList(QList<PassEntry> entries);

// What passes in these results.
QList<PassEntry> passingEntries(const QList<CaseResult>& results);

struct Regression {
    PassEntry entry;
    QString why;
};

// Listed entries that no longer pass, among the cases that were run (runNames); a listed
// case the corpus no longer has counts as not passing.
QList<Regression> findRegressions(const QList<PassEntry>& listed, const QList<CaseResult>& results,
                                  const QStringList& runNames, const QStringList& corpusNames);

} // namespace reelcase::conformance
