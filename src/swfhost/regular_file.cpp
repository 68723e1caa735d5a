#include "swfhost/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace reelcase::swfhost {

namespace {

class FileHandle {
public:
    explicit FileHandle(int fd)
        : m_fd(fd) {}
    ~FileHandle() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Where the open handle really points, read back from the kernel so that a link swapped
// between a check and the open cannot fool it. Empty when the system cannot say.
QString openedPath(int fd, const QString& path) {
    const QString link = QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd));
    if (!link.isEmpty())
        return link;
    return QFileInfo(path).canonicalFilePath();
}

bool isInside(const QString& file, const QString& folder) {
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty() || file.isEmpty())
        return false;
    const QString prefix = root.endsWith(u'/') ? root : root + u'/';
    return file.startsWith(prefix);
}

} // namespace

FileRead readRegularFile(const QString& path, qint64 maxBytes, const QString& confinedTo) {
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO without a writer must not wait.
    const FileHandle file(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.fd() < 0)
        return {{}, systemError()};
    struct stat info {};
    if (::fstat(file.fd(), &info) != 0)
        return {{}, systemError()};
    if (!S_ISREG(info.st_mode))
        return {{}, QStringLiteral("not a regular file")};
    if (!confinedTo.isEmpty() && !isInside(openedPath(file.fd(), path), confinedTo))
        return {{}, QStringLiteral("outside %1").arg(QDir::toNativeSeparators(confinedTo))};
    const auto tooLarge = [&] {
        return FileRead{{}, QStringLiteral("larger than %1 bytes").arg(maxBytes)};
    };
    if (info.st_size > maxBytes)
        return tooLarge();
    QByteArray bytes;
    const qint64 wanted = maxBytes + 1;
    bytes.resize(static_cast<qsizetype>(std::min<qint64>(wanted, info.st_size + 1)));
    qint64 got = 0;
    while (got < wanted) {
        if (got == bytes.size())
            bytes.resize(static_cast<qsizetype>(std::min<qint64>(wanted, bytes.size() * 2 + 4096)));
        const ssize_t n =
            ::read(file.fd(), bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {{}, systemError()};
        if (n == 0)
            break;
        got += n;
    }
    if (got > maxBytes)
        return tooLarge();
    bytes.truncate(static_cast<qsizetype>(got));
    return {std::move(bytes), {}};
}

} // namespace reelcase::swfhost
