#include "favorites/favorites_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace reelcase {
namespace {

const QString kExtension = QStringLiteral(".swf");

// NAME_MAX of the file systems the program runs on, in bytes.
constexpr qsizetype kMaxFileNameBytes = 255;

} // namespace

QStringList listFavoriteFiles(const QString& folder) {
    if (folder.isEmpty())
        return {};
    QDir dir(folder);
    dir.setNameFilters({QLatin1Char('*') + kExtension});
    // No QDir::CaseSensitive: the pattern ignores letter case. No QDir::Hidden: dot-files
    // stay out. QDir::Files alone leaves folders out.
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

QString favoriteNodeText(const QString& fileName) {
    return QString(fileName).remove(kExtension, Qt::CaseSensitive);
}

QString favoritePath(const QString& folder, const QString& fileName) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + fileName;
    return folder + QLatin1Char('/') + fileName;
}

bool isUsableFavoriteName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return false;
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(u'\0')))
        return false;
    return (name + kExtension).toUtf8().size() <= kMaxFileNameBytes;
}

bool removeFavoriteFile(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir() || (!info.exists() && !info.isSymLink()))
        return false;
    // moveToTrash fails where there is no usable trash (another file system without a
    // trash folder, for one); the file is then deleted outright, as the command promises.
    if (QFile::moveToTrash(path))
        return true;
    return QFile::remove(path);
}

} // namespace reelcase
