#include "report.h"

#include "corpus_case.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace reelcase::conformance {

namespace {

QString oneDecimal(double value) {
    return QString::number(value, 'f', 1);
}

QString percent(int part, int whole) {
    return whole == 0 ? QStringLiteral("-") : oneDecimal(100.0 * part / whole) + u'%';
}

QString row(const QString& folder, const Tally& t) {
    const QString traces = QStringLiteral("%1/%2").arg(t.tracesPassing).arg(t.traces);
    const QString pictures = QStringLiteral("%1/%2").arg(t.picturesPassing).arg(t.pictures);
    const QString content =
        t.pictures == 0 ? QStringLiteral("-") : oneDecimal(t.contentPercent()) + u'%';
    return QStringLiteral("%1 %2  %3 %4  %5 %6  %7\n")
        .arg(folder, -16)
        .arg(t.cases, 5)
        .arg(traces, 9)
        .arg(percent(t.tracesPassing, t.traces), 6)
        .arg(pictures, 9)
        .arg(percent(t.picturesPassing, t.pictures), 6)
        .arg(content, 7);
}

QJsonValue lineOrNull(const std::optional<QString>& line) {
    return line ? QJsonValue(*line) : QJsonValue(QJsonValue::Null);
}

QJsonObject caseJson(const CaseResult& r) {
    QJsonObject trace;
    trace.insert(QStringLiteral("expected"), r.trace.expected);
    trace.insert(QStringLiteral("pass"), r.trace.pass);
    if (r.trace.difference) {
        trace.insert(
            QStringLiteral("first_difference"),
            QJsonObject{{QStringLiteral("line"), r.trace.difference->line},
                        {QStringLiteral("expected"), lineOrNull(r.trace.difference->expected)},
                        {QStringLiteral("actual"), lineOrNull(r.trace.difference->actual)}});
    }
    QJsonArray images;
    for (const ImageOutcome& image : r.images) {
        QJsonObject o{{QStringLiteral("file"), image.reference.file},
                      {QStringLiteral("frame"), image.reference.frame},
                      {QStringLiteral("tolerance"), image.reference.tolerance},
                      {QStringLiteral("max_outliers"), double(image.reference.maxOutliers)},
                      {QStringLiteral("outliers"), double(image.outliers)},
                      {QStringLiteral("content"), image.contentShare},
                      {QStringLiteral("pass"), image.pass}};
        if (!image.problem.isEmpty())
            o.insert(QStringLiteral("problem"), image.problem);
        images.append(o);
    }
    QJsonObject o{{QStringLiteral("case"), r.name},
                  {QStringLiteral("trace"), trace},
                  {QStringLiteral("images"), images},
                  {QStringLiteral("frames_pass"), r.framesPass()},
                  {QStringLiteral("exit_code"), r.run.exitCode},
                  {QStringLiteral("seconds"), r.run.seconds}};
    const QString problem = r.problem.isEmpty() ? r.run.problem() : r.problem;
    if (!problem.isEmpty())
        o.insert(QStringLiteral("problem"), problem);
    if (!r.run.standardError.isEmpty())
        o.insert(QStringLiteral("stderr"), r.run.standardError.left(2000));
    return o;
}

QJsonObject tallyJson(const Tally& t) {
    return {{QStringLiteral("cases"), t.cases},
            {QStringLiteral("traces"), t.traces},
            {QStringLiteral("traces_passing"), t.tracesPassing},
            {QStringLiteral("pictures"), t.pictures},
            {QStringLiteral("pictures_passing"), t.picturesPassing},
            {QStringLiteral("content_percent"), t.contentPercent()}};
}

} // namespace

void Tally::add(const CaseResult& result) {
    ++cases;
    if (result.trace.expected) {
        ++traces;
        tracesPassing += result.trace.pass;
    }
    for (const ImageOutcome& image : result.images) {
        ++pictures;
        picturesPassing += image.pass;
        contentSum += image.contentShare;
    }
}

double Tally::contentPercent() const {
    return pictures == 0 ? 0 : 100.0 * contentSum / pictures;
}

QString resultTable(const QList<CaseResult>& results) {
    QMap<QString, Tally> byFolder;
    Tally total;
    Tally withoutScripts;
    for (const CaseResult& result : results) {
        byFolder[topFolder(result.name)].add(result);
        total.add(result);
        if (!result.scripted)
            withoutScripts.add(result);
    }
    QString table = QStringLiteral("%1 %2  %3  %4  %5\n")
                        .arg(QStringLiteral("folder"), -16)
                        .arg(QStringLiteral("cases"), 5)
                        .arg(QStringLiteral("trace"), 16)
                        .arg(QStringLiteral("frames strict"), 16)
                        .arg(QStringLiteral("content"), 7);
    for (auto it = byFolder.cbegin(); it != byFolder.cend(); ++it)
        table += row(it.key(), it.value());
    table += row(QStringLiteral("all"), total);
    table += row(QStringLiteral("without scripts"), withoutScripts);
    return table;
}

QString summaryLine(const Tally& t) {
    const auto share = [](int part, int whole) {
        return oneDecimal(whole == 0 ? 0.0 : 100.0 * part / whole);
    };
    return QStringLiteral("conformance: trace %1/%2 (%3%), frames strict %4/%5 (%6%), content %7%")
        .arg(t.tracesPassing)
        .arg(t.traces)
        .arg(share(t.tracesPassing, t.traces))
        .arg(t.picturesPassing)
        .arg(t.pictures)
        .arg(share(t.picturesPassing, t.pictures))
        .arg(oneDecimal(t.contentPercent()));
}

QByteArray resultsJson(const QString& corpus, const QList<CaseResult>& results) {
    Tally total;
    QJsonArray cases;
    for (const CaseResult& result : results) {
        total.add(result);
        cases.append(caseJson(result));
    }
    const QJsonObject root{{QStringLiteral("corpus"), corpus},
                           {QStringLiteral("summary"), summaryLine(total)},
                           {QStringLiteral("totals"), tallyJson(total)},
                           {QStringLiteral("cases"), cases}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace reelcase::conformance
