#include "platform/regular_file.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace reelcase {
namespace {

constexpr qint64 kChunkBytes = qint64(1) << 20;

qint64 nanoseconds(const timespec& time) {
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

QString megabytes(qint64 bytes) {
    return QString::number(bytes / (1 << 20));
}

} // namespace

QString describeFileError(int error) {
    switch (error) {
    case ENOENT:
        return QStringLiteral("文件或文件夹不存在");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有访问权限");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘空间不足");
    case EROFS:
        return QStringLiteral("磁盘是只读的");
    case EISDIR:
        return QStringLiteral("这是一个文件夹");
    case ENOTDIR:
        return QStringLiteral("路径中有一项不是文件夹");
    case ENAMETOOLONG:
        return QStringLiteral("名称太长");
    case ELOOP:
        return QStringLiteral("符号链接层数太多");
    case EIO:
        return QStringLiteral("磁盘读写出错");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

RegularFile::RegularFile(const QString& path) {
    // O_NONBLOCK: opening a pipe would otherwise wait for a writer. Regular files ignore it.
    m_fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = describeFileError(errno);
        return;
    }
    struct stat opened {};
    if (::fstat(m_fd, &opened) != 0) {
        fail(describeFileError(errno));
        return;
    }
    if (S_ISDIR(opened.st_mode)) {
        fail(describeFileError(EISDIR));
        return;
    }
    if (!S_ISREG(opened.st_mode)) {
        fail(QStringLiteral("这不是普通文件（可能是管道或设备）"));
        return;
    }
    // From here on reads may wait for the disk as usual (EAGAIN is no answer for a file).
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK);
    m_size = opened.st_size;
    m_writtenNs = nanoseconds(opened.st_mtim);
    m_changedNs = nanoseconds(opened.st_ctim);
}

RegularFile::~RegularFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RegularFile::fail(const QString& why) {
    m_error = why;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    return false;
}

bool RegularFile::readAll(const FileLimits& limits,
                          const std::function<bool(const char*, qint64)>& sink) {
    if (m_fd < 0)
        return false;
    const QString tooLarge =
        QStringLiteral("文件超过 %1 MB 的上限").arg(megabytes(limits.maxBytes));
    if (m_size > limits.maxBytes)
        return fail(tooLarge);
    QByteArray chunk(kChunkBytes, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        if (limits.cancelled && limits.cancelled())
            return fail(QStringLiteral("已取消"));
        const ssize_t got = ::read(m_fd, chunk.data(), size_t(chunk.size()));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(describeFileError(errno));
        }
        if (got == 0)
            break;
        total += got;
        // The file may have grown since it was opened: never take more than the cap.
        if (total > limits.maxBytes)
            return fail(tooLarge);
        if (!sink(chunk.constData(), got))
            return false;
    }
    struct stat now {};
    if (::fstat(m_fd, &now) != 0)
        return fail(describeFileError(errno));
    if (total != m_size || now.st_size != m_size || nanoseconds(now.st_mtim) != m_writtenNs ||
        nanoseconds(now.st_ctim) != m_changedNs)
        return fail(QStringLiteral("文件在读取时被改动了"));
    return true;
}

ReadResult readRegularFile(const QString& path, const FileLimits& limits) {
    RegularFile file(path);
    ReadResult result;
    if (!file.isOpen()) {
        result.error = file.error();
        return result;
    }
    result.bytes.reserve(qMin(file.size(), limits.maxBytes));
    const bool ok = file.readAll(limits, [&result](const char* data, qint64 size) {
        result.bytes.append(data, size);
        return true;
    });
    if (!ok) {
        result.error = file.error();
        result.bytes.clear();
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace reelcase
