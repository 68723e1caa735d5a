#include "caches/folder_listing.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace reelcase {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC;

int openFolderAt(int parentFd, const char* name, int extraFlags) {
    int fd;
    do {
        fd = ::openat(parentFd, name, kFolderFlags | extraFlags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

FolderEntry::Type typeOf(int folderFd, const dirent& entry) {
    switch (entry.d_type) {
    case DT_REG:
        return FolderEntry::Type::File;
    case DT_DIR:
        return FolderEntry::Type::Folder;
    case DT_UNKNOWN: {
        // Some file systems leave the type out of the listing; ask without following links.
        struct stat info {};
        if (::fstatat(folderFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return FolderEntry::Type::Other;
        if (S_ISREG(info.st_mode))
            return FolderEntry::Type::File;
        return S_ISDIR(info.st_mode) ? FolderEntry::Type::Folder : FolderEntry::Type::Other;
    }
    default:
        return FolderEntry::Type::Other;
    }
}

bool isType(int folderFd, const char* name, mode_t type) {
    struct stat info {};
    return folderFd >= 0 && ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           (info.st_mode & S_IFMT) == type;
}

} // namespace

OpenFolder::OpenFolder(const QString& path)
    : m_fd(path.isEmpty() ? -1 : openFolderAt(AT_FDCWD, QFile::encodeName(path).constData(), 0)) {}

OpenFolder::OpenFolder(const OpenFolder& parent, const QByteArray& name)
    : m_fd(parent.m_fd >= 0 ? openFolderAt(parent.m_fd, name.constData(), O_NOFOLLOW) : -1) {}

OpenFolder::OpenFolder(OpenFolder&& other) noexcept
    : m_fd(other.m_fd) {
    other.m_fd = -1;
}

OpenFolder::~OpenFolder() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::vector<FolderEntry> OpenFolder::list(size_t maxEntries, QByteArrayView suffix) const {
    std::vector<FolderEntry> entries;
    if (m_fd < 0)
        return entries;
    // fdopendir takes over the descriptor it is given; list through a duplicate so this
    // folder stays open for openat() afterwards.
    const int dupFd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (dupFd < 0)
        return entries;
    DIR* dir = ::fdopendir(dupFd);
    if (!dir) {
        ::close(dupFd);
        return entries;
    }
    ::rewinddir(dir);
    for (size_t examined = 0; examined < maxEntries; ++examined) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        if (!suffix.isEmpty()) {
            // Compared in place: most names of a large cache are dropped here, unallocated.
            const size_t length = std::strlen(name);
            if (length < size_t(suffix.size()) ||
                ::strncasecmp(name + length - suffix.size(), suffix.data(), suffix.size()) != 0)
                continue;
        }
        entries.push_back({QByteArray(name), typeOf(m_fd, *entry)});
    }
    ::closedir(dir);
    return entries;
}

bool OpenFolder::hasFolder(const char* name) const {
    return isType(m_fd, name, S_IFDIR);
}

bool OpenFolder::hasFile(const char* name) const {
    return isType(m_fd, name, S_IFREG);
}

} // namespace reelcase
