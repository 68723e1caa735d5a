// Times the cache scan against find(1) over the same generated cache, in one run.
// Usage: bench_scan [FOLDERS [FILES_PER_FOLDER]]  (default 250 x 400 = 100,000 files)
#include "capture/cache_search.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace reelcase;

namespace {

// An Internet Explorer style cache: most entries are small pages and pictures, some are
// movies; a few movies are large and recent enough to qualify, others are old.
// Returns the number of files that should qualify, or -1 on a write failure.
int generateCache(const QString& content, int folders, int filesPerFolder) {
    static const char* const kExtensions[] = {"htm", "gif", "js", "css", "swf", "jpg", "SWF"};
    const QDateTime now = QDateTime::currentDateTime();
    int qualifying = 0;
    for (int f = 0; f < folders; ++f) {
        const QString folder =
            content + QStringLiteral("/%1").arg(f * 7919 % 100000000, 8, 36, QLatin1Char('Q'));
        if (!QDir().mkpath(folder))
            return -1;
        for (int i = 0; i < filesPerFolder; ++i) {
            const char* ext = kExtensions[(i * 31 + f) % std::size(kExtensions)];
            QFile file(folder + QStringLiteral("/entry%1[1].%2").arg(i).arg(QLatin1String(ext)));
            if (!file.open(QIODevice::WriteOnly))
                return -1;
            const bool movie = QByteArray(ext).compare("swf", Qt::CaseInsensitive) == 0;
            if (movie && i % 25 == 0) {
                const bool recent = i % 50 == 0;
                // Sparse: large in size, no blocks on disk.
                if (!file.resize(60000 + i) ||
                    !file.setFileTime(now.addSecs(recent ? -600 : -86400),
                                      QFileDevice::FileModificationTime))
                    return -1;
                qualifying += recent ? 1 : 0;
            } else if (!file.resize(i % 3 == 0 ? 2048 : 0)) {
                return -1;
            }
        }
    }
    return qualifying;
}

// The search as the window runs it on a configured cache, without browser discovery.
int runScan(const QString& cache) {
    return runCacheSearch({cache, {}, QDateTime::currentDateTime(), {}}, [](const FoundFlash&) {});
}

int runFind(const QString& content) {
    QProcess find;
    find.start(QStringLiteral("find"),
               {content, QStringLiteral("-mindepth"), QStringLiteral("2"),
                QStringLiteral("-maxdepth"), QStringLiteral("2"), QStringLiteral("-type"),
                QStringLiteral("f"), QStringLiteral("-iname"), QStringLiteral("*.swf"),
                QStringLiteral("-size"), QStringLiteral("+50k"), QStringLiteral("-mmin"),
                QStringLiteral("-120")});
    if (!find.waitForFinished(-1) || find.exitCode() != 0)
        return -1;
    return int(find.readAllStandardOutput().count('\n'));
}

// The best of a few runs, in milliseconds, with what the run found.
template <typename Run> std::pair<double, int> best(Run run, int rounds) {
    double bestMs = 1e300;
    int found = 0;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        found = run();
        bestMs = std::min(bestMs, timer.nsecsElapsed() / 1e6);
    }
    return {bestMs, found};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int folders = args.size() > 1 ? std::max(1, args[1].toInt()) : 250;
    const int perFolder = args.size() > 2 ? std::max(1, args[2].toInt()) : 400;

    QTemporaryDir root;
    const QString cache = root.path();
    const QString content = cache + QStringLiteral("/Content.IE5");
    std::printf("scan: generating %d folders x %d files in %s ...\n", folders, perFolder,
                qPrintable(cache));
    std::fflush(stdout);
    const int expected = generateCache(content, folders, perFolder);
    if (expected < 0) {
        std::printf("scan: could not write the generated cache; nothing measured\n");
        return 0;
    }

    // Warm the file-system cache once for both.
    runScan(cache);
    runFind(content);

    constexpr int kRounds = 3;
    const auto [scanMs, scanFound] = best([&] { return runScan(cache); }, kRounds);
    const auto [findMs, findFound] = best([&] { return runFind(content); }, kRounds);

    std::printf("scan: %d files, %d qualify\n", folders * perFolder, expected);
    std::printf("scan: search     %9.1f ms  (%d found, best of %d)\n", scanMs, scanFound, kRounds);
    if (findFound < 0) {
        std::printf("scan: find did not run; no ratio\n");
        return 0;
    }
    std::printf("scan: find       %9.1f ms  (%d found, best of %d)\n", findMs, findFound, kRounds);
    std::printf("scan: ratio search/find = %.2f\n", findMs > 0 ? scanMs / findMs : 0.0);
    return 0;
}
