#pragma once

#include "corpus_case.h"
#include "trace_compare.h"

#include <QList>
#include <QString>

#include <optional>

namespace reelcase::conformance {

// How one run of swfrun ended.
struct RunOutcome {
    int exitCode = -1;
    bool crashed = false;
    bool timedOut = false;
    bool outputCut = false; // more trace than a case can reasonably print
    QByteArray standardOutput;
    QString standardError;
    double seconds = 0;

    bool finished() const { return !crashed && !timedOut && !outputCut && exitCode == 0; }
    // Why the run does not count, in a few words; empty when it finished.
    QString problem() const;
};

struct TraceOutcome {
    bool expected = false; // the case has an expected trace
    bool pass = false;
    std::optional<TraceDifference> difference;
};

struct ImageOutcome {
    ExpectedImage reference; // what the corpus asks of this picture
    bool pass = false;
    qint64 outliers = -1; // -1: nothing to compare with
    double contentShare = 0;
    QString problem; // a picture that could not be read
};

struct CaseResult {
    QString name;
    QString problem; // the case itself could not be read or run
    RunOutcome run;
    TraceOutcome trace;
    QList<ImageOutcome> images;
    bool scripted = true; // the movie carries ActionScript

    bool hasFrames() const { return !images.isEmpty(); }
    bool framesPass() const;
    QString traceFailure() const;  // why the trace does not pass, in one line
    QString framesFailure() const; // why some picture does not pass, in one line
};

// Judges a finished (or failed) run against the case's expectations. actualPngs holds the
// picture written for each of the case's images, in the same order.
CaseResult evaluateCase(const CorpusCase& c, const RunOutcome& run, const QStringList& actualPngs);

} // namespace reelcase::conformance
