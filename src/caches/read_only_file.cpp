#include "caches/read_only_file.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace reelcase {

namespace {

// Non-blocking so that a FIFO named like an entry cannot hang the open; no final symlink,
// so a link to a device or a loop is refused; no controlling terminal, no inherited fd.
constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;

} // namespace

ReadOnlyFile::ReadOnlyFile(int fd)
    : m_fd(fd) {}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : m_fd(other.m_fd)
    , m_size(other.m_size)
    , m_mtimeNs(other.m_mtimeNs) {
    other.m_fd = -1;
}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_size = other.m_size;
        m_mtimeNs = other.m_mtimeNs;
        other.m_fd = -1;
    }
    return *this;
}

ReadOnlyFile::~ReadOnlyFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<ReadOnlyFile> ReadOnlyFile::open(const QString& path) {
    return openAt(AT_FDCWD, QFile::encodeName(path).constData());
}

std::optional<ReadOnlyFile> ReadOnlyFile::openAt(int folderFd, const char* name) {
    int fd;
    do {
        fd = ::openat(folderFd, name, kOpenFlags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return std::nullopt;
    ReadOnlyFile file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    file.m_size = info.st_size;
    file.m_mtimeNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return file;
}

QDateTime ReadOnlyFile::lastWrite() const {
    return QDateTime::fromMSecsSinceEpoch(m_mtimeNs / 1000000, Qt::UTC);
}

QByteArray ReadOnlyFile::read(qint64 offset, qint64 length) const {
    if (m_fd < 0 || offset < 0 || length <= 0 || length > std::numeric_limits<qsizetype>::max())
        return {};
    // Memory follows what the file holds, not what a caller (or a lying length field) asks:
    // start from the size seen at open and grow only while the file keeps delivering.
    constexpr qint64 kSlack = 64 * 1024;
    qint64 capacity = std::min(length, std::max<qint64>(m_size - offset, 0) + kSlack);
    QByteArray bytes(qsizetype(capacity), Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        if (done == capacity) {
            capacity = std::min(length, capacity * 2);
            bytes.resize(qsizetype(capacity));
        }
        const ssize_t got =
            ::pread(m_fd, bytes.data() + done, size_t(capacity - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {};
        if (got == 0)
            break;
        done += got;
    }
    bytes.truncate(qsizetype(done));
    return bytes;
}

std::optional<QByteArray> ReadOnlyFile::readAll(qint64 maxBytes) const {
    if (maxBytes < 0)
        return std::nullopt;
    QByteArray bytes = read(0, maxBytes + 1);
    if (bytes.size() > maxBytes)
        return std::nullopt;
    return bytes;
}

} // namespace reelcase
