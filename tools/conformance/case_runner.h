#pragma once

#include "case_result.h"
#include "corpus_case.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QEventLoop;

namespace reelcase::conformance {

struct RunnerSettings {
    QString swfrun;             // the swfrun executable
    int jobs = 1;               // cases run at once
    double timeoutSeconds = 60; // per case; a run past it is stopped and fails
};

// The arguments that make swfrun play a case and write its pictures to pngPaths (one
// per expected image).
QStringList swfrunArguments(const CorpusCase& c, const QStringList& pngPaths,
                            double timeoutSeconds);

// Runs each case through swfrun as a process of its own, a few at a time, and judges it.
// A hang or a crash fails that case only.
class CaseRunner : public QObject {
    Q_OBJECT
public:
    explicit CaseRunner(RunnerSettings settings);
    ~CaseRunner() override;

    // Blocks (running an event loop) until every case is judged; results keep the order
    // of the cases. progress, when set, hears each case as it ends.
    QList<CaseResult> run(const QList<CorpusCase>& cases,
                          const std::function<void(int done, int total)>& progress = {});

private:
    struct Job;
    void startNext();
    void finish(Job* job);

    RunnerSettings m_settings;
    QTemporaryDir m_pictures;
    QList<CorpusCase> m_cases;
    QList<CaseResult> m_results;
    std::function<void(int, int)> m_progress;
    qsizetype m_next = 0;
    int m_done = 0;
    std::unique_ptr<Job> m_lastFinished;
    QEventLoop* m_loop = nullptr;
};

} // namespace reelcase::conformance
