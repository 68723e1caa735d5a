// The scan itself: which folders and files of a browser cache qualify, in which order.
#include "capture/cache_search.h"
#include "capture/file_local_time.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace reelcase {

namespace {

// Name order with letter case ignored; names equal but for case keep a fixed order.
bool nameLess(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

// Names of the entries of folder that pass filters and end in suffix (letter case
// ignored), in name order; dot-files, the hidden files here, are left out by not asking
// for QDir::Hidden. Empty when the folder cannot be listed. The iterator takes entry
// types from the directory listing itself, so only the entries kept later cost a stat;
// the suffix is compared directly, which is much cheaper than a wildcard name filter.
QStringList sortedNames(const QString& folder, QLatin1String suffix, QDir::Filters filters,
                        const std::atomic_bool* cancel) {
    QStringList names;
    QDirIterator it(folder, filters | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return {};
        it.next();
        const QString name = it.fileName();
        if (name.endsWith(suffix, Qt::CaseInsensitive))
            names.append(name);
    }
    std::sort(names.begin(), names.end(), nameLess);
    return names;
}

} // namespace

QString findContentFolder(const QString& cacheFolder) {
    if (cacheFolder.isEmpty())
        return {};
    const QStringList folders = sortedNames(cacheFolder, QLatin1String(), QDir::Dirs, nullptr);
    if (folders.isEmpty())
        return {};
    // Internet Explorer keeps its cached files under Content.IE5; other folders of the
    // cache (which may sort first) hold no cached files.
    const auto ie5 = std::find_if(folders.begin(), folders.end(), [](const QString& name) {
        return name.compare(QLatin1String("Content.IE5"), Qt::CaseInsensitive) == 0;
    });
    const QString& chosen = ie5 != folders.end() ? *ie5 : folders.constFirst();
    return QDir(cacheFolder).filePath(chosen);
}

bool qualifies(qint64 sizeBytes, const QDateTime& lastWrite, const QDateTime& now) {
    if (sizeBytes <= kMinFlashBytes || !lastWrite.isValid() || !now.isValid())
        return false;
    // msecsTo compares instants, whatever zone either side is expressed in.
    constexpr qint64 windowMs = qint64(kMaxAgeMinutes) * 60 * 1000;
    return lastWrite.msecsTo(now) < windowMs;
}

QString displayNameFor(const QDateTime& localTime) {
    return localTime.toString(QStringLiteral("MMddHHmmss")) + QStringLiteral(".swf");
}

void scanCache(const QString& cacheFolder, const QDateTime& now,
               const std::function<void(const FoundFlash&)>& onFound,
               const std::atomic_bool* cancel) {
    const QString content = findContentFolder(cacheFolder);
    if (content.isEmpty())
        return;
    const QStringList subfolders = sortedNames(content, QLatin1String(), QDir::Dirs, cancel);
    for (const QString& sub : subfolders) {
        const QString folder = content + QLatin1Char('/') + sub;
        const QStringList files = sortedNames(folder, QLatin1String(".swf"), QDir::Files, cancel);
        for (const QString& name : files) {
            if (cancel && cancel->load(std::memory_order_relaxed))
                return;
            const QString path = folder + QLatin1Char('/') + name;
            const QFileInfo info(path);
            if (info.size() <= kMinFlashBytes)
                continue;
            const QDateTime written = fileLocalTime(info);
            if (!qualifies(info.size(), written, now))
                continue;
            onFound({displayNameFor(written), path});
        }
    }
}

} // namespace reelcase
