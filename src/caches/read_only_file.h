#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace reelcase {

// A regular file opened for reading only, as a browser's cache files must be: a symlink at
// the end of the path is not followed, a FIFO or device is refused without blocking on it,
// and nothing is ever locked or written. The size and time are those of the open handle.
// Reads tolerate a file that shrinks or grows meanwhile (a browser may be writing it).
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile();

    // Empty when path is not a regular file that can be opened for reading.
    static std::optional<ReadOnlyFile> open(const QString& path);
    // The same for name inside the folder open as folderFd.
    static std::optional<ReadOnlyFile> openAt(int folderFd, const char* name);

    qint64 size() const { return m_size; }
    // Last write, as an instant (UTC).
    QDateTime lastWrite() const;

    // Up to length bytes from offset; fewer when the file ends first, empty on a read error
    // or a range outside the file.
    QByteArray read(qint64 offset, qint64 length) const;
    // The whole file when it holds at most maxBytes; empty when it is larger (it may have
    // grown since it was opened: at most maxBytes + 1 bytes are read to tell).
    std::optional<QByteArray> readAll(qint64 maxBytes) const;

private:
    explicit ReadOnlyFile(int fd);
    int m_fd = -1;
    qint64 m_size = 0;
    qint64 m_mtimeNs = 0;
};

} // namespace reelcase
