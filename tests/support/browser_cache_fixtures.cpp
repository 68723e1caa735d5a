#include "support/browser_cache_fixtures.h"

#include "caches/content_decoding.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace reelcase::test {

namespace {

QString fixtures() {
    return QStringLiteral(REELCASE_CACHE_FIXTURES);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

bool installCacheFixture(const QString& name, const QString& destination) {
    const QDir source(fixtures() + QLatin1Char('/') + name);
    if (!source.exists() || !QDir().mkpath(destination))
        return false;
    QDirIterator it(source.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        QString relative = source.relativeFilePath(from);
        QByteArray bytes = readAll(from);
        if (relative.endsWith(QLatin1String(".gz"))) {
            relative.chop(3);
            const DecodedBody plain = decodeBody(bytes, {ContentCoding::Gzip}, 64 << 20);
            if (plain.status != DecodedBody::Status::Complete)
                return false;
            bytes = plain.bytes;
        }
        const QString to = destination + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(to).path());
        QFile out(to);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

QHash<QString, RecordedMovie> recordedMovies() {
    QHash<QString, RecordedMovie> movies;
    const QJsonObject all =
        QJsonDocument::fromJson(readAll(fixtures() + QStringLiteral("/movies.json"))).object();
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QJsonObject movie = it.value().toObject();
        movies.insert(it.key(), {movie.value(QStringLiteral("sha256")).toString().toLatin1(),
                                 movie.value(QStringLiteral("size")).toInteger(),
                                 movie.value(QStringLiteral("coding")).toString(),
                                 movie.value(QStringLiteral("whole")).toBool()});
    }
    return movies;
}

QDateTime shortlyAfterRecording() {
    // "Recorded 2026-12-07T13:34:43Z by …"
    const QByteArray line = readAll(fixtures() + QStringLiteral("/RECORDED"));
    const QDateTime recorded =
        QDateTime::fromString(QString::fromLatin1(line.mid(9, 20)), Qt::ISODate);
    return recorded.addSecs(10 * 60);
}

} // namespace reelcase::test
