#include "caches/found_store.h"

#include "caches/folder_listing.h"
#include "platform/safe_file_copy.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace reelcase {

namespace {

constexpr qsizetype kDigestHexBytes = 64;

bool isStoredName(QByteArrayView name) {
    return name.size() == kDigestHexBytes + 4 && name.endsWith(".swf") &&
           std::all_of(name.begin(), name.begin() + kDigestHexBytes,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

} // namespace

FoundStore::FoundStore(QString folder)
    : m_folder(std::move(folder)) {}

QString FoundStore::store(const CachedMovie& movie) const {
    if (m_folder.isEmpty() || !isStoredName(QByteArray(movie.sha256 + ".swf")))
        return {};
    const QString path =
        m_folder + QLatin1Char('/') + QString::fromLatin1(movie.sha256) + QStringLiteral(".swf");
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(encoded.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size == movie.body.size()) {
        // Same name, same length: the same content. Mark it used for pruning.
        ::utimensat(AT_FDCWD, encoded.constData(), nullptr, AT_SYMLINK_NOFOLLOW);
        return path;
    }
    if (!QDir().mkpath(m_folder))
        return {};
    QFile::setPermissions(m_folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // A link planted under the stored name is replaced, never written through.
    if (!writeFileSafely(movie.body, path).ok)
        return {};
    return path;
}

void FoundStore::prune(qint64 maxBytes, const QSet<QString>& keep) const {
    const OpenFolder folder(m_folder);
    struct Stored {
        QByteArray name;
        qint64 size;
        qint64 used; // last write, in nanoseconds
    };
    std::vector<Stored> stored;
    qint64 total = 0;
    for (const FolderEntry& entry : folder.list(1000000)) {
        struct stat info {};
        if (entry.type != FolderEntry::Type::File || !isStoredName(entry.name) ||
            ::fstatat(folder.fd(), entry.name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        stored.push_back({entry.name, info.st_size,
                          qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec});
        total += info.st_size;
    }
    std::sort(stored.begin(), stored.end(),
              [](const Stored& a, const Stored& b) { return a.used < b.used; });
    for (const Stored& file : stored) {
        if (total <= maxBytes)
            break;
        if (keep.contains(m_folder + QLatin1Char('/') + QFile::decodeName(file.name)))
            continue;
        if (::unlinkat(folder.fd(), file.name.constData(), 0) == 0)
            total -= file.size;
    }
}

} // namespace reelcase
