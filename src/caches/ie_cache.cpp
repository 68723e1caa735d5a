#include "caches/ie_cache.h"

#include "caches/folder_listing.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace reelcase {

namespace {

constexpr size_t kMaxNames = 1000000;

// Name order with letter case ignored; names equal but for case keep a fixed order.
bool nameLess(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

struct Name {
    QString text;   // for ordering and paths
    QByteArray raw; // for opening
};

// The subfolders of folder in name order; dot-folders, the hidden ones here, are left out.
std::vector<Name> sortedFolders(const OpenFolder& folder) {
    std::vector<Name> names;
    for (FolderEntry& entry : folder.list(kMaxNames))
        if (entry.type == FolderEntry::Type::Folder && !entry.name.startsWith('.'))
            names.push_back({QFile::decodeName(entry.name), std::move(entry.name)});
    std::sort(names.begin(), names.end(),
              [](const Name& a, const Name& b) { return nameLess(a.text, b.text); });
    return names;
}

// Internet Explorer keeps its cached files under Content.IE5; other folders of the cache
// (which may sort first) hold no cached files.
std::optional<Name> contentFolderName(const OpenFolder& cache) {
    std::vector<Name> folders = sortedFolders(cache);
    if (folders.empty())
        return std::nullopt;
    const auto ie5 = std::find_if(folders.begin(), folders.end(), [](const Name& name) {
        return name.text.compare(QLatin1String("Content.IE5"), Qt::CaseInsensitive) == 0;
    });
    return ie5 != folders.end() ? *ie5 : folders.front();
}

bool cancelled(const std::atomic_bool* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

} // namespace

bool qualifies(qint64 sizeBytes, const QDateTime& lastWrite, const QDateTime& now) {
    if (sizeBytes <= kMinFlashBytes || !lastWrite.isValid() || !now.isValid())
        return false;
    // msecsTo compares instants, whatever zone either side is expressed in.
    constexpr qint64 windowMs = qint64(kMaxAgeMinutes) * 60 * 1000;
    return lastWrite.msecsTo(now) < windowMs;
}

QString findContentFolder(const QString& cacheFolder) {
    const auto name = contentFolderName(OpenFolder(cacheFolder));
    return name ? QDir(cacheFolder).filePath(name->text) : QString();
}

void scanIeCache(const QString& cacheFolder, const QDateTime& now, bool applyRules,
                 const std::function<void(const IeCacheFile&)>& onFile,
                 const std::atomic_bool* cancel) {
    const OpenFolder cache(cacheFolder);
    const auto contentName = contentFolderName(cache);
    if (!contentName)
        return;
    const QString content = QDir(cacheFolder).filePath(contentName->text);
    const OpenFolder contentFolder(cache, contentName->raw);
    for (const Name& sub : sortedFolders(contentFolder)) {
        if (cancelled(cancel))
            return;
        const OpenFolder folder(contentFolder, sub.raw);
        // Sizes and times come first, so only the few files that pass are decoded, sorted
        // and checked for readability: the bulk of a large cache costs one stat each.
        std::vector<IeCacheFile> passed;
        for (FolderEntry& entry : folder.list(kMaxNames, ".swf")) {
            if (entry.type != FolderEntry::Type::File || entry.name.startsWith('.'))
                continue;
            struct stat info {};
            if (::fstatat(folder.fd(), entry.name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(info.st_mode) || (applyRules && info.st_size <= kMinFlashBytes))
                continue;
            // The wall-clock time of the write, to the whole second (rounded down).
            const QDateTime written =
                QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec, Qt::LocalTime);
            if (applyRules && !qualifies(info.st_size, written, now))
                continue;
            // A file that cannot be opened has no time to judge by and is not listed.
            if (::faccessat(folder.fd(), entry.name.constData(), R_OK, 0) != 0)
                continue;
            passed.push_back({{}, sub.text, QFile::decodeName(entry.name), info.st_size, written});
        }
        std::sort(passed.begin(), passed.end(), [](const IeCacheFile& a, const IeCacheFile& b) {
            return nameLess(a.fileName, b.fileName);
        });
        for (IeCacheFile& file : passed) {
            if (cancelled(cancel))
                return;
            file.path = content + QLatin1Char('/') + sub.text + QLatin1Char('/') + file.fileName;
            onFile(file);
        }
    }
}

} // namespace reelcase
