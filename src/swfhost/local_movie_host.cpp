#include "swfhost/local_movie_host.h"

#include "swfhost/regular_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace reelcase::swfhost {

QString confinedRelativePath(const QString& relativePath) {
    // A scheme ("http:", "file:") or a drive letter ("C:") both start this way.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    QString path = relativePath;
    path.replace(u'\\', u'/');
    if (path.isEmpty() || path.startsWith(u'/') || scheme.match(path).hasMatch() ||
        path.contains(QChar(0)))
        return {};
    QStringList names;
    for (const QString& name : path.split(u'/')) {
        if (name.isEmpty() || name == u".")
            continue;
        if (name == u"..")
            return {};
        names << name;
    }
    return names.join(u'/');
}

LocalMovieHost::LocalMovieHost(const QString& moviePath, qint64 maxFileBytes)
    : m_folder(QFileInfo(moviePath).absolutePath())
    , m_moviePath(QFileInfo(moviePath).absoluteFilePath())
    , m_fileName(QFileInfo(moviePath).fileName())
    , m_maxFileBytes(maxFileBytes) {}

void LocalMovieHost::setTraceHandler(std::function<void(const QString&)> handler) {
    m_traceHandler = std::move(handler);
}

void LocalMovieHost::trace(const QString& line) {
    if (m_traceHandler)
        m_traceHandler(line);
}

void LocalMovieHost::openUrl(const QString& url, const QString& target, bool userInitiated) {
    m_urlRequests.append({url, target, userInitiated});
}

void LocalMovieHost::fsCommand(const QString& command, const QString& arguments) {
    m_fsCommands.append({command, arguments});
}

std::optional<QByteArray> LocalMovieHost::loadFile(const QString& relativePath) {
    const QString inside = confinedRelativePath(relativePath);
    if (inside.isEmpty()) {
        m_lastLoadError =
            QStringLiteral("%1: not a path inside the movie's folder").arg(relativePath);
        return std::nullopt;
    }
    FileRead read = readRegularFile(m_folder + u'/' + inside, m_maxFileBytes, m_folder);
    if (!read.bytes)
        m_lastLoadError = relativePath + u": " + read.error;
    return std::move(read.bytes);
}

void LocalMovieHost::setStoredObjectFolder(const QString& folder) {
    m_storedObjectFolder = folder;
}

QString LocalMovieHost::storedObjectPath(const QString& name) const {
    // The name is the object's local path and name ("/game" for the root path).
    QString relative = name;
    while (relative.startsWith(u'/'))
        relative.remove(0, 1);
    const QString inside = confinedRelativePath(relative);
    if (m_storedObjectFolder.isEmpty() || inside.isEmpty())
        return {};
    const QString movie = QString::fromLatin1(
        QCryptographicHash::hash(m_moviePath.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    return m_storedObjectFolder + u'/' + movie + u'/' + inside + QStringLiteral(".sol");
}

std::optional<QByteArray> LocalMovieHost::readStoredObject(const QString& name) {
    const QString path = storedObjectPath(name);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return std::nullopt;
    return readRegularFile(path, kMaxStoredObjectBytes, m_storedObjectFolder).bytes;
}

bool LocalMovieHost::writeStoredObject(const QString& name, const QByteArray& bytes) {
    const QString path = storedObjectPath(name);
    if (path.isEmpty() || bytes.size() > kMaxStoredObjectBytes ||
        !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace reelcase::swfhost
