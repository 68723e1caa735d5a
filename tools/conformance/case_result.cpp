#include "case_result.h"

#include "image_compare.h"

#include <QFile>
#include <QImage>

namespace reelcase::conformance {

namespace {

constexpr qint64 kMaxTraceBytes = 64 << 20;

QString quoted(const std::optional<QString>& line) {
    if (!line)
        return QStringLiteral("(end)");
    constexpr qsizetype kShown = 80;
    return u'"' + (line->size() > kShown ? line->left(kShown) + QStringLiteral("...") : *line) +
           u'"';
}

ImageOutcome judgeImage(const CorpusCase& c, const ExpectedImage& reference,
                        const QString& actualPng, bool runFinished) {
    ImageOutcome outcome;
    outcome.reference = reference;
    const QImage expected(c.folder + u'/' + reference.file);
    if (expected.isNull()) {
        outcome.problem = QStringLiteral("cannot read %1").arg(reference.file);
        return outcome;
    }
    const QImage actual(actualPng);
    if (actual.isNull()) {
        outcome.problem = runFinished ? QStringLiteral("no picture written")
                                      : QStringLiteral("the run did not finish");
        return outcome;
    }
    const ImageComparison comparison = compareImages(expected, actual, reference.tolerance);
    outcome.outliers = comparison.outliers;
    outcome.contentShare = comparison.contentShare;
    outcome.pass = runFinished && comparison.outliers <= reference.maxOutliers;
    return outcome;
}

} // namespace

QString RunOutcome::problem() const {
    if (timedOut)
        return QStringLiteral("timed out");
    if (crashed)
        return QStringLiteral("crashed");
    if (outputCut)
        return QStringLiteral("traced too much");
    if (exitCode != 0) {
        const QString firstLine = standardError.section(u'\n', 0, 0).trimmed();
        return QStringLiteral("exit %1").arg(exitCode) +
               (firstLine.isEmpty() ? QString() : QStringLiteral(": ") + firstLine);
    }
    return {};
}

bool CaseResult::framesPass() const {
    if (images.isEmpty() || !problem.isEmpty())
        return false;
    for (const ImageOutcome& image : images)
        if (!image.pass)
            return false;
    return true;
}

QString CaseResult::traceFailure() const {
    if (!problem.isEmpty())
        return problem;
    if (!trace.expected)
        return QStringLiteral("no expected trace");
    if (trace.pass)
        return {};
    if (!run.finished())
        return run.problem();
    if (!trace.difference)
        return QStringLiteral("expected trace unreadable");
    return QStringLiteral("line %1: expected %2, got %3")
        .arg(trace.difference->line)
        .arg(quoted(trace.difference->expected), quoted(trace.difference->actual));
}

QString CaseResult::framesFailure() const {
    if (!problem.isEmpty())
        return problem;
    if (images.isEmpty())
        return QStringLiteral("no expected pictures");
    if (!run.finished())
        return run.problem();
    for (const ImageOutcome& image : images) {
        if (image.pass)
            continue;
        if (!image.problem.isEmpty())
            return QStringLiteral("frame %1: %2").arg(image.reference.frame).arg(image.problem);
        return QStringLiteral("frame %1: %2 values off by more than %3, at most %4 allowed")
            .arg(image.reference.frame)
            .arg(image.outliers)
            .arg(image.reference.tolerance)
            .arg(image.reference.maxOutliers);
    }
    return {};
}

CaseResult evaluateCase(const CorpusCase& c, const RunOutcome& run, const QStringList& actualPngs) {
    CaseResult result;
    result.name = c.name;
    result.run = run;
    result.scripted = c.scripted;
    if (!c.traceFile.isEmpty()) {
        result.trace.expected = true;
        QFile file(c.folder + u'/' + c.traceFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QString expected = QString::fromUtf8(file.read(kMaxTraceBytes));
            result.trace.difference =
                firstTraceDifference(expected, QString::fromUtf8(run.standardOutput));
            result.trace.pass = run.finished() && !result.trace.difference;
        }
    }
    for (qsizetype i = 0; i < c.images.size(); ++i)
        result.images.append(judgeImage(c, c.images[i], actualPngs.value(i), run.finished()));
    return result;
}

} // namespace reelcase::conformance
