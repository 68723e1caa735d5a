#include "demo_cache.h"

#include "demo_movies.h"
#include "swfwriter/writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace reelcase::democache {

namespace {

// Cache folders as Internet Explorer names them, in name order.
const char* const kFolders[] = {"3F8K2L0Q", "A7XW9M1C", "K2P4Z8RT", "ZX31B5NE"};

bool writeFile(const QString& path, const QByteArray& bytes, const QDateTime& written,
               QString* error) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *error = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() ||
        !file.setFileTime(written, QFileDevice::FileModificationTime)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

// A tiny one-frame movie, well under the size a search asks for.
QByteArray smallMovie() {
    using namespace reelcase::swf::write;
    SwfWriter movie({160, 60}, 12);
    ShapeBuilder shape;
    shape.rect(QRectF(0, 0, 160, 60), shape.addFill(solid(QColor(250, 200, 0))));
    movie.place({.depth = 1, .character = movie.defineShape(shape)});
    movie.showFrame();
    return movie.finish();
}

// Clears dest for a fresh cache: a missing or empty folder is fine, an earlier demo
// cache is removed; anything else is refused.
bool prepareDestination(const QString& dest, QString* error) {
    const QFileInfo info(dest);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (!info.isDir() || info.isSymLink()) {
        *error = QStringLiteral("%1 exists and is not a folder; leaving it alone").arg(dest);
        return false;
    }
    QDir dir(dest);
    if (dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return true;
    const QFileInfo marker(dir.filePath(QLatin1String(kMarkerFile)));
    if (!marker.isFile() || marker.isSymLink()) {
        *error = QStringLiteral("%1 is not empty and was not made by this tool; leaving it alone")
                     .arg(dest);
        return false;
    }
    if (!dir.removeRecursively()) {
        *error = QStringLiteral("cannot remove the old demo cache at %1").arg(dest);
        return false;
    }
    return true;
}

} // namespace

DemoCacheResult generateDemoCache(const QString& dest, const QDateTime& now) {
    DemoCacheResult result;
    QString& error = result.error;
    if (!prepareDestination(dest, &error))
        return result;
    if (!QDir().mkpath(dest)) {
        error = QStringLiteral("cannot create %1").arg(dest);
        return result;
    }
    if (!writeFile(QDir(dest).filePath(QLatin1String(kMarkerFile)),
                   "Made by reelcase-democache; it deletes and remakes this folder.\n", now,
                   &error))
        return result;

    const QString content = QDir(dest).filePath(QStringLiteral("Content.IE5"));
    const auto inFolder = [&](int folder, const QString& name) -> QString {
        return content + QLatin1Char('/') + QLatin1String(kFolders[folder % 4]) + QLatin1Char('/') +
               name;
    };

    // The animations, written a few minutes apart so each gets its own name.
    const auto& movies = demoMovies();
    QByteArray anyMovie;
    for (std::size_t i = 0; i < movies.size(); ++i) {
        const QByteArray bytes = movies[i].build();
        if (bytes.size() <= 51200) {
            error = QStringLiteral("the sample %1 has only %2 bytes")
                        .arg(QLatin1String(movies[i].fileName))
                        .arg(bytes.size());
            return result;
        }
        const QString path = inFolder(int(i), QLatin1String(movies[i].fileName));
        if (!writeFile(path, bytes, now.addSecs(-300 - 437 * qint64(i)), &error))
            return result;
        result.expected << path;
        if (anyMovie.isEmpty())
            anyMovie = bytes;
    }

    // What the search must pass over.
    const QDateTime recent = now.addSecs(-120);
    const QDateTime yesterday = now.addDays(-1);
    const QByteArray page = QByteArray("<html><body>cached page</body></html>\n").repeated(40);
    const struct {
        QString path;
        QByteArray bytes;
        QDateTime written;
    } decoys[] = {
        {content + QStringLiteral("/index.dat"), QByteArray(16384, '\0'), recent},
        {content + QStringLiteral("/direct[1].swf"), anyMovie, recent},
        {inFolder(0, QStringLiteral("ad[1].swf")), smallMovie(), recent},
        {inFolder(0, QStringLiteral("banner[1].gif")),
         QByteArray("GIF89a").leftJustified(900, '\0'), recent},
        {inFolder(1, QStringLiteral("yesterday[1].swf")), anyMovie, yesterday},
        {inFolder(1, QStringLiteral("page[1].htm")), page, recent},
        {inFolder(2, QStringLiteral("nested/deep[1].swf")), anyMovie, recent},
        {inFolder(3, QStringLiteral("clip[1].flv")), anyMovie, recent},
        {inFolder(3, QStringLiteral("orbits[1].swf.bak")), anyMovie, recent},
        {inFolder(3, QStringLiteral(".hidden[1].swf")), anyMovie, recent},
        {dest + QStringLiteral("/AntiPhishing/elsewhere[1].swf"), anyMovie, recent},
    };
    for (const auto& decoy : decoys)
        if (!writeFile(decoy.path, decoy.bytes, decoy.written, &error))
            return result;
    return result;
}

} // namespace reelcase::democache
