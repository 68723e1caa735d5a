// conformance: runs every case of the reference corpus through swfrun and compares its
// trace and pictures with what the reference player produced. See usage below.
#include "case_runner.h"
#include "corpus_case.h"
#include "ratchet.h"
#include "report.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>
#include <unistd.h>

using namespace reelcase::conformance;

namespace {

int fail(int code, const QString& message) {
    std::fprintf(stderr, "conformance: %s\n", qPrintable(message));
    return code;
}

void say(const QString& text) {
    std::fputs(qPrintable(text), stdout);
    std::fflush(stdout);
}

QString defaultSwfrun() {
    const QString beside =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../swfrun/swfrun");
    if (QFileInfo(beside).isExecutable())
        return QFileInfo(beside).canonicalFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("swfrun"));
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

std::optional<QList<PassEntry>> readPassFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // A list that does not exist yet is empty: --update starts it.
        if (!file.exists())
            return QList<PassEntry>{};
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QString why;
    auto entries = parsePassList(QString::fromUtf8(file.readAll()), &why);
    if (!entries)
        *error = path + QStringLiteral(": ") + why;
    return entries;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs the reference corpus's cases through swfrun and compares the traces and\n"
        "pictures with the reference player's. Prints a table by folder and a summary."));
    parser.addHelpOption();
    parser.addOption({{QStringLiteral("j"), QStringLiteral("jobs")},
                      QStringLiteral("Cases run at once (default 1)."),
                      QStringLiteral("N"),
                      QStringLiteral("1")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Writes every case's results."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("check"),
                      QStringLiteral("Names every listed case part that no longer passes "
                                     "(exit status 1 when there is one)."),
                      QStringLiteral("LIST")});
    parser.addOption({QStringLiteral("update"),
                      QStringLiteral("As --check, then adds today's new passes to the list."),
                      QStringLiteral("LIST")});
    parser.addOption({QStringLiteral("only"),
                      QStringLiteral("Runs only the cases whose name starts so (may be repeated)."),
                      QStringLiteral("PREFIX")});
    parser.addOption({QStringLiteral("timeout"),
                      QStringLiteral("Seconds a case may run (default 60)."),
                      QStringLiteral("SECONDS"), QStringLiteral("60")});
    parser.addOption(
        {QStringLiteral("swfrun"), QStringLiteral("The swfrun to run."), QStringLiteral("PATH")});
    parser.addPositionalArgument(QStringLiteral("corpus"),
                                 QStringLiteral("The corpus folder (default $REELCASE_CORPUS, "
                                                "else ../shared/corpus)."));
    if (!parser.parse(app.arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        say(parser.helpText());
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return fail(2, QStringLiteral("expected at most one corpus folder"));
    bool ok = false;
    const int jobs = parser.value(QStringLiteral("jobs")).toInt(&ok);
    if (!ok || jobs < 1 || jobs > 256)
        return fail(2, QStringLiteral("-j wants a number from 1 to 256"));
    const double timeout = parser.value(QStringLiteral("timeout")).toDouble(&ok);
    if (!ok || !(timeout > 0) || timeout > 86400)
        return fail(2, QStringLiteral("--timeout wants a number of seconds above 0"));
    if (parser.isSet(QStringLiteral("check")) && parser.isSet(QStringLiteral("update")))
        return fail(2, QStringLiteral("--check and --update exclude each other"));
    const QString listPath = parser.isSet(QStringLiteral("update"))
                                 ? parser.value(QStringLiteral("update"))
                                 : parser.value(QStringLiteral("check"));

    const QString defaultCorpus = qEnvironmentVariableIsEmpty("REELCASE_CORPUS")
                                      ? QStringLiteral("../shared/corpus")
                                      : qEnvironmentVariable("REELCASE_CORPUS");
    const QString corpus = QDir(positional.value(0, defaultCorpus)).absolutePath();
    const QStringList corpusNames = listCorpusCases(corpus);
    if (corpusNames.isEmpty()) {
        say(QStringLiteral("conformance: no corpus at %1 (no cases.txt); nothing to compare\n")
                .arg(corpus));
        return 0;
    }

    std::optional<QList<PassEntry>> listed;
    if (!listPath.isEmpty()) {
        QString error;
        listed = readPassFile(listPath, &error);
        if (!listed)
            return fail(1, error);
    }
    // Absolute: each case runs in its own folder.
    const QString swfrun =
        QFileInfo(parser.isSet(QStringLiteral("swfrun")) ? parser.value(QStringLiteral("swfrun"))
                                                         : defaultSwfrun())
            .absoluteFilePath();
    if (swfrun.isEmpty() || !QFileInfo(swfrun).isExecutable())
        return fail(1, QStringLiteral("cannot find swfrun; build it or give --swfrun"));

    const QStringList prefixes = parser.values(QStringLiteral("only"));
    QList<CorpusCase> cases;
    QList<CaseResult> unreadable;
    QStringList runNames;
    for (const QString& name : corpusNames) {
        if (!prefixes.isEmpty() &&
            std::none_of(prefixes.begin(), prefixes.end(),
                         [&](const QString& p) { return name.startsWith(p); }))
            continue;
        runNames << name;
        QString error;
        if (auto c = readCorpusCase(corpus, name, &error))
            cases.append(*c);
        else {
            CaseResult result;
            result.name = name;
            result.problem = error;
            unreadable.append(result);
        }
    }

    const bool showProgress = ::isatty(STDERR_FILENO);
    CaseRunner runner({.swfrun = swfrun, .jobs = jobs, .timeoutSeconds = timeout});
    QList<CaseResult> results = runner.run(cases, [&](int done, int total) {
        if (showProgress)
            std::fprintf(stderr, "\r%d/%d", done, total);
    });
    if (showProgress)
        std::fprintf(stderr, "\r");
    results += unreadable;

    Tally total;
    for (const CaseResult& result : results)
        total.add(result);
    say(resultTable(results));
    say(summaryLine(total) + u'\n');

    if (parser.isSet(QStringLiteral("json")) &&
        !writeFile(parser.value(QStringLiteral("json")), resultsJson(corpus, results)))
        return fail(1, QStringLiteral("cannot write %1").arg(parser.value(QStringLiteral("json"))));
    if (!listed)
        return 0;

    const QList<Regression> regressions = findRegressions(*listed, results, runNames, corpusNames);
    for (const Regression& r : regressions)
        std::fprintf(stderr, "conformance: no longer passes: %s (%s)\n", qPrintable(r.entry.text()),
                     qPrintable(r.why));
    if (parser.isSet(QStringLiteral("update"))) {
        const QList<PassEntry> today = passingEntries(results);
        QList<PassEntry> merged = *listed;
        int added = 0;
        for (const PassEntry& entry : today) {
            if (!merged.contains(entry)) {
                merged.append(entry);
                ++added;
            }
        }
        if (!writeFile(listPath, formatPassList(merged).toUtf8()))
            return fail(1, QStringLiteral("cannot write %1").arg(listPath));
        say(QStringLiteral("conformance: %1 new passes added to %2\n").arg(added).arg(listPath));
    } else if (regressions.isEmpty()) {
        say(QStringLiteral("conformance: every part listed in %1 still passes\n").arg(listPath));
    }
    return regressions.isEmpty() ? 0 : 1;
}
