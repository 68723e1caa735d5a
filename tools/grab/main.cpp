// reelcase-grab: lists the Flash movies that 搜索 would list, with where they came from;
// --all drops the size and age rules (and keeps bodies cut short), --json prints JSON,
// --export DIR copies the movies into DIR with a manifest.json.
#include "caches/found_store.h"
#include "grab_output.h"
#include "platform/browser_cache_locator.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

using namespace reelcase;

namespace {

constexpr char kUsage[] =
    "usage: reelcase-grab [--all] [--json] [--export DIR]\n"
    "Lists the Flash movies in this user's browser caches that the search would list:\n"
    "time, size, browser and URL, one a line.\n"
    "  --all         also movies older than two hours, of 50 KiB or less, or cut short\n"
    "  --json        print a JSON array (url, browser, cached, size, sha256, complete, source)\n"
    "  --export DIR  copy the movies into DIR, named after their URLs, with manifest.json\n";

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bool all = false;
    bool json = false;
    QString exportFolder;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--all")) {
            all = true;
        } else if (args[i] == QLatin1String("--json")) {
            json = true;
        } else if (args[i] == QLatin1String("--export") && i + 1 < args.size()) {
            exportFolder = args[++i];
        } else {
            std::fputs(kUsage, args[i] == QLatin1String("--help") ? stdout : stderr);
            return args[i] == QLatin1String("--help") ? 0 : 2;
        }
    }

    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const CacheLocations locations = cacheLocationsFrom(environment);
    const FoundStore store(foundFolderFor(locations));
    MovieSearchRequest request;
    request.cacheFolder = locateBrowserCache(environment);
    request.browsers = discoverBrowserCaches(locations);
    request.now = QDateTime::currentDateTime();
    request.applyRules = !all;
    request.includeCutShort = all;
    request.hashIeFiles = true;
    request.store = exportFolder.isEmpty() ? nullptr : &store;

    QList<FoundMovie> movies;
    searchMovies(
        request, [&](const FoundMovie& movie) { movies.append(movie); },
        [](const QString& problem) {
            std::fprintf(stderr, "reelcase-grab: skipped: %s\n", qPrintable(problem));
        });

    if (json) {
        QJsonArray array;
        for (const FoundMovie& movie : movies)
            array.append(movieJson(movie));
        std::fputs(QJsonDocument(array).toJson().constData(), stdout);
    } else {
        for (const FoundMovie& movie : movies)
            std::printf("%s\n", listingLine(movie).toUtf8().constData());
    }
    if (!exportFolder.isEmpty()) {
        const ExportResult exported = exportMovies(movies, exportFolder);
        for (const QString& problem : exported.problems)
            std::fprintf(stderr, "reelcase-grab: %s\n", qPrintable(problem));
        std::fprintf(stderr, "reelcase-grab: %lld movies in %s\n",
                     static_cast<long long>(exported.manifest.size()), qPrintable(exportFolder));
    }
    return 0;
}
