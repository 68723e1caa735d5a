// reelcase-democache DEST: makes a fresh demo browser cache at DEST, so that the search
// finds animations without a browser. Point REELCASE_CACHE at DEST.
#include "demo_cache.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 || args[1].isEmpty() || args[1].startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: reelcase-democache DEST\n"
                             "Makes a demo browser cache at DEST (missing, empty, or an "
                             "earlier demo cache).\n");
        return 2;
    }
    const QString dest = QDir::cleanPath(QDir::current().absoluteFilePath(args[1]));
    const auto result = reelcase::democache::generateDemoCache(dest, QDateTime::currentDateTime());
    if (!result.error.isEmpty()) {
        std::fprintf(stderr, "reelcase-democache: %s\n", qPrintable(result.error));
        return 1;
    }
    std::printf("reelcase-democache: %lld animations in %s\n",
                static_cast<long long>(result.expected.size()), qPrintable(dest));
    return 0;
}
