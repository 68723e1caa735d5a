#pragma once

#include "case_result.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace reelcase::conformance {

// Counts over a set of cases.
struct Tally {
    int cases = 0;
    int traces = 0; // cases with an expected trace
    int tracesPassing = 0;
    int pictures = 0; // expected pictures
    int picturesPassing = 0;
    double contentSum = 0; // content shares of all pictures, added

    void add(const CaseResult& result);
    double contentPercent() const; // the mean content share, in percent (0 without pictures)
};

// A table with a row per top-level folder and a total.
QString resultTable(const QList<CaseResult>& results);

// "conformance: trace 123/619 (19.9%), frames strict 20/118 (16.9%), content 64.9%"
QString summaryLine(const Tally& total);

// Every case's results as JSON, with the totals.
QByteArray resultsJson(const QString& corpus, const QList<CaseResult>& results);

} // namespace reelcase::conformance
