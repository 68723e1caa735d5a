#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace reelcase::conformance {

struct ExpectedImage {
    QString file; // beside the movie
    int frame = 1;
    int tolerance = 0;
    qint64 maxOutliers = 0;
};

// One case folder of the corpus, as its case.json describes it.
struct CorpusCase {
    QString name;   // the folder relative to the corpus, e.g. "avm1/add2"
    QString folder; // absolute
    int frames = 1;
    QString quality = QStringLiteral("high");
    QString traceFile; // empty: the case has no expected trace
    QString inputFile; // empty: no recorded input
    QSize viewport;    // invalid: the stage at scale 1
    QList<ExpectedImage> images;
    bool scripted = true; // the movie carries ActionScript (see movieHasScripts)

    // Frames to run so that every expected picture is taken.
    int framesToRun() const;
};

// Reads a case.json; null with error set when it is missing or malformed.
std::optional<CorpusCase> readCorpusCase(const QString& corpus, const QString& name,
                                         QString* error);

// The case names listed in the corpus's cases.txt; empty when there is none.
QStringList listCorpusCases(const QString& corpus);

// The part of a case name before its first "/", by which results are grouped.
QString topFolder(const QString& caseName);

} // namespace reelcase::conformance
