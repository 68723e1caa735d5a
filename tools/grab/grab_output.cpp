#include "grab_output.h"

#include "platform/safe_file_copy.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QSet>
#include <QUrl>

#include <cstdlib>

namespace reelcase {

namespace {

constexpr qsizetype kMaxStemLength = 120;

// "2024-05-01T14:05:09+08:00": local time with its offset, also when that is zero.
QString isoWithOffset(const QDateTime& time) {
    const QDateTime local = time.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QLatin1Char(offset < 0 ? '-' : '+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// Letters, digits and a few harmless marks stay; the rest becomes "_".
QString safeStem(const QString& name) {
    QString stem;
    for (const QChar c : name)
        stem += (c.isLetterOrNumber() || QStringLiteral(" ._-()[]+,=@").contains(c))
                    ? c
                    : QLatin1Char('_');
    stem = stem.trimmed();
    while (stem.startsWith(QLatin1Char('.')))
        stem.remove(0, 1);
    if (stem.endsWith(QLatin1String(".swf"), Qt::CaseInsensitive))
        stem.chop(4);
    return stem.left(kMaxStemLength);
}

QString freeName(const QString& folder, const QString& stem, QSet<QString>& taken) {
    for (int n = 1;; ++n) {
        const QString name =
            (n == 1 ? stem : stem + QLatin1Char('-') + QString::number(n)) + QStringLiteral(".swf");
        if (!taken.contains(name) && !QFileInfo::exists(folder + QLatin1Char('/') + name)) {
            taken.insert(name);
            return name;
        }
    }
}

} // namespace

QString listingLine(const FoundMovie& movie) {
    return movie.cached.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QLatin1Char('\t') + QString::number(movie.size) + QLatin1Char('\t') + movie.browser +
           QLatin1Char('\t') + (movie.url.isEmpty() ? movie.source : movie.url);
}

QJsonObject movieJson(const FoundMovie& movie) {
    return {
        {QStringLiteral("url"), movie.url},
        {QStringLiteral("browser"), movie.browser},
        {QStringLiteral("cached"), isoWithOffset(movie.cached)},
        {QStringLiteral("size"), movie.size},
        {QStringLiteral("sha256"), QString::fromLatin1(movie.sha256)},
        {QStringLiteral("complete"), movie.complete},
        {QStringLiteral("source"), movie.source},
    };
}

QString exportName(const FoundMovie& movie) {
    QString last = QUrl(movie.url).fileName();
    if (last.isEmpty())
        last = QFileInfo(movie.source).fileName();
    QString stem = safeStem(last);
    if (stem.isEmpty())
        stem = QStringLiteral("movie");
    return stem + QStringLiteral(".swf");
}

ExportResult exportMovies(const QList<FoundMovie>& movies, const QString& folder) {
    ExportResult result;
    if (!QDir().mkpath(folder)) {
        result.problems.append(QStringLiteral("cannot create %1").arg(folder));
        return result;
    }
    QSet<QString> taken;
    QHash<QByteArray, QString> written; // sha256 -> file name
    for (const FoundMovie& movie : movies) {
        QString name = written.value(movie.sha256);
        if (name.isEmpty()) {
            if (movie.path.isEmpty())
                continue;
            const QString wanted = exportName(movie);
            name = freeName(folder, wanted.chopped(4), taken);
            const CopyResult copy = copyFileSafely(movie.path, folder + QLatin1Char('/') + name);
            if (!copy.ok) {
                result.problems.append(copy.error);
                continue;
            }
            if (!movie.sha256.isEmpty())
                written.insert(movie.sha256, name);
        }
        QJsonObject entry = movieJson(movie);
        entry.insert(QStringLiteral("file"), name);
        result.manifest.append(entry);
    }
    const QByteArray json = QJsonDocument(result.manifest).toJson();
    const CopyResult manifest = writeFileSafely(json, folder + QStringLiteral("/manifest.json"));
    if (!manifest.ok)
        result.problems.append(manifest.error);
    return result;
}

} // namespace reelcase
