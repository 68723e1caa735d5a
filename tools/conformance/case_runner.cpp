#include "case_runner.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

namespace reelcase::conformance {

namespace {

// A case printing more than this is running away; its trace cannot match anyway.
constexpr qsizetype kMaxOutputBytes = 64 << 20;
// swfrun stops itself at the timeout; this is for a process that cannot.
constexpr int kKillGraceMs = 5000;

} // namespace

struct CaseRunner::Job {
    qsizetype index = 0;
    QStringList pngPaths;
    QProcess process;
    QTimer deadline;
    QElapsedTimer clock;
    RunOutcome outcome;
};

QStringList swfrunArguments(const CorpusCase& c, const QStringList& pngPaths,
                            double timeoutSeconds) {
    QStringList args{QStringLiteral("--frames"),  QString::number(c.framesToRun()),
                     QStringLiteral("--quality"), c.quality,
                     QStringLiteral("--timeout"), QString::number(timeoutSeconds)};
    if (c.viewport.isValid())
        args << QStringLiteral("--viewport")
             << QStringLiteral("%1x%2").arg(c.viewport.width()).arg(c.viewport.height());
    if (!c.inputFile.isEmpty())
        args << QStringLiteral("--input") << c.folder + u'/' + c.inputFile;
    for (qsizetype i = 0; i < c.images.size() && i < pngPaths.size(); ++i)
        args << QStringLiteral("--png-at")
             << QStringLiteral("%1:%2").arg(c.images[i].frame).arg(pngPaths[i]);
    args << c.folder + QStringLiteral("/test.swf");
    return args;
}

CaseRunner::CaseRunner(RunnerSettings settings)
    : m_settings(std::move(settings)) {}

CaseRunner::~CaseRunner() = default;

QList<CaseResult> CaseRunner::run(const QList<CorpusCase>& cases,
                                  const std::function<void(int, int)>& progress) {
    m_cases = cases;
    m_results = QList<CaseResult>(cases.size());
    m_progress = progress;
    m_next = 0;
    m_done = 0;
    QEventLoop loop;
    m_loop = &loop;
    for (int i = 0; i < std::max(1, m_settings.jobs); ++i)
        startNext();
    if (m_done < m_cases.size())
        loop.exec();
    m_loop = nullptr;
    m_lastFinished.reset();
    return m_results;
}

void CaseRunner::startNext() {
    if (m_next >= m_cases.size())
        return;
    const qsizetype index = m_next++;
    const CorpusCase& c = m_cases[index];
    auto* job = new Job;
    job->index = index;
    for (qsizetype i = 0; i < c.images.size(); ++i)
        job->pngPaths << m_pictures.filePath(QStringLiteral("%1-%2.png").arg(index).arg(i));
    job->process.setWorkingDirectory(c.folder);
    job->process.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&job->process, &QProcess::readyReadStandardOutput, this, [job] {
        job->outcome.standardOutput += job->process.readAllStandardOutput();
        if (job->outcome.standardOutput.size() > kMaxOutputBytes && !job->outcome.outputCut) {
            job->outcome.outputCut = true;
            job->process.kill();
        }
    });
    connect(&job->process, &QProcess::finished, this, [this, job] { finish(job); });
    connect(&job->process, &QProcess::errorOccurred, this, [this, job](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            finish(job);
    });
    job->deadline.setSingleShot(true);
    connect(&job->deadline, &QTimer::timeout, this, [job] {
        job->outcome.timedOut = true;
        job->process.kill();
    });
    job->deadline.start(static_cast<int>(m_settings.timeoutSeconds * 1000) + kKillGraceMs);
    job->clock.start();
    job->process.start(m_settings.swfrun,
                       swfrunArguments(c, job->pngPaths, m_settings.timeoutSeconds));
}

void CaseRunner::finish(Job* job) {
    job->deadline.stop();
    RunOutcome& outcome = job->outcome;
    outcome.seconds = job->clock.elapsed() / 1000.0;
    outcome.standardOutput += job->process.readAllStandardOutput();
    outcome.standardError = QString::fromUtf8(job->process.readAllStandardError());
    if (job->process.error() == QProcess::FailedToStart) {
        outcome.crashed = true;
        outcome.standardError = job->process.errorString();
    } else {
        outcome.crashed = job->process.exitStatus() == QProcess::CrashExit && !outcome.timedOut;
        outcome.exitCode = job->process.exitCode();
        // swfrun's own clock stopped it.
        outcome.timedOut = outcome.timedOut || outcome.exitCode == 3;
    }
    m_results[job->index] = evaluateCase(m_cases[job->index], outcome, job->pngPaths);
    for (const QString& png : job->pngPaths)
        QFile::remove(png);
    ++m_done;
    job->process.disconnect(this);
    job->deadline.disconnect(this);
    // Called from the job's own signals: it is deleted when the next one finishes (or at
    // the end), and the next case starts from the event loop, never nested in here.
    m_lastFinished.reset(job);
    if (m_progress)
        m_progress(m_done, static_cast<int>(m_cases.size()));
    QMetaObject::invokeMethod(this, &CaseRunner::startNext, Qt::QueuedConnection);
    if (m_done == m_cases.size() && m_loop)
        m_loop->quit();
}

} // namespace reelcase::conformance
