#include "platform/safe_file_copy.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace reelcase {
namespace {

QString cannotRead(const QString& path, const QString& why) {
    return QStringLiteral("无法读取“%1”：%2").arg(path, why);
}

QString cannotWrite(const QString& path, const QString& why) {
    return QStringLiteral("无法写入“%1”：%2").arg(path, why);
}

// A new file beside the destination, created exclusively so that nothing already there
// (a link least of all) is opened. Hidden, so a folder listing never shows it.
class TemporaryFile {
public:
    explicit TemporaryFile(const QString& folder) {
        for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
            m_path = folder +
                     QStringLiteral("/.reelcase-%1.part")
                         .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
            m_name = QFile::encodeName(m_path);
            m_fd = ::open(m_name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            m_errno = m_fd < 0 ? errno : 0;
            if (m_fd < 0 && m_errno != EEXIST)
                break;
        }
    }
    ~TemporaryFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_kept)
            ::unlink(m_name.constData());
    }

    bool isOpen() const { return m_fd >= 0; }
    int openError() const { return m_errno; }
    void setPermissions(mode_t mode) { ::fchmod(m_fd, mode); }

    // Writes all of data; false with errno set when the disk refuses.
    bool write(const char* data, qint64 size) {
        while (size > 0) {
            const ssize_t put = ::write(m_fd, data, size_t(size));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            data += put;
            size -= put;
        }
        return true;
    }

    // Flushes and closes, then renames the file over destination; false with errno set.
    bool commit(const QString& destination) {
        // A full disk may only show when the data is flushed.
        const bool flushed = ::fsync(m_fd) == 0;
        const int flushError = errno;
        const bool closed = ::close(m_fd) == 0 && flushed;
        m_fd = -1;
        if (!closed) {
            errno = flushed ? errno : flushError;
            return false;
        }
        if (::rename(m_name.constData(), QFile::encodeName(destination).constData()) != 0)
            return false;
        m_kept = true;
        return true;
    }

private:
    QString m_path;
    QByteArray m_name;
    int m_fd = -1;
    int m_errno = 0;
    bool m_kept = false;
};

} // namespace

namespace {

// The destination as it stands: a folder is refused; a regular file's permissions are kept
// by what replaces it.
struct Destination {
    bool exists = false;
    bool isFolder = false;
    mode_t mode = 0;
};

Destination inspect(const QString& destination) {
    struct stat replaced {};
    Destination d;
    d.exists = ::lstat(QFile::encodeName(destination).constData(), &replaced) == 0;
    d.isFolder = d.exists && S_ISDIR(replaced.st_mode);
    d.mode = (d.exists && S_ISREG(replaced.st_mode)) ? (replaced.st_mode & 07777) : 0;
    return d;
}

QString isAFolder(const QString& destination) {
    return QStringLiteral("“%1”是一个文件夹。").arg(destination);
}

// Puts what fill writes into a new hidden file beside destination and renames that over
// it. fill answers why it failed, in words for the user, or nothing when all was written.
CopyResult replaceWith(const QString& destination,
                       const std::function<QString(TemporaryFile&)>& fill) {
    // A link to a folder is a name like any other and is replaced; a folder itself is not.
    const Destination old = inspect(destination);
    if (old.isFolder)
        return {false, isAFolder(destination)};
    TemporaryFile out(QFileInfo(destination).absolutePath());
    if (!out.isOpen())
        return {false, cannotWrite(destination, describeFileError(out.openError()))};
    // A file that is replaced keeps its permissions: one kept private stays private.
    if (old.mode != 0)
        out.setPermissions(old.mode);
    if (const QString failed = fill(out); !failed.isEmpty())
        return {false, failed};
    if (!out.commit(destination))
        return {false, cannotWrite(destination, describeFileError(errno))};
    return {true, {}};
}

} // namespace

CopyResult writeFileSafely(const QByteArray& bytes, const QString& destination) {
    return replaceWith(destination, [&](TemporaryFile& out) {
        return out.write(bytes.constData(), bytes.size())
                   ? QString()
                   : cannotWrite(destination, describeFileError(errno));
    });
}

CopyResult copyFileSafely(const QString& source, const QString& destination,
                          const FileLimits& limits) {
    RegularFile in(source);
    if (!in.isOpen())
        return {false, cannotRead(source, in.error())};
    return replaceWith(destination, [&](TemporaryFile& out) {
        int writeError = 0;
        const bool copied = in.readAll(limits, [&](const char* data, qint64 size) {
            if (out.write(data, size))
                return true;
            writeError = errno;
            return false;
        });
        if (writeError != 0)
            return cannotWrite(destination, describeFileError(writeError));
        return copied ? QString() : cannotRead(source, in.error());
    });
}

} // namespace reelcase
