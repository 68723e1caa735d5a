#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace reelcase {

// The largest file the program reads or copies (bytes): the largest movie the player loads.
constexpr qint64 kMaxFileBytes = qint64(256) << 20;

// How far a read or a copy may go.
struct FileLimits {
    qint64 maxBytes = kMaxFileBytes;
    // Polled on the working thread before each chunk; true stops the work. May be empty.
    std::function<bool()> cancelled;
};

// A file opened for reading only when the opened handle is a regular file. The check is
// made on the handle, so a name swapped for a pipe or a device after any earlier look
// cannot make a read block or run without end; a pipe's open does not wait for a writer.
// Closes the file when destroyed.
class RegularFile {
public:
    explicit RegularFile(const QString& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Why the file is not open or the read failed, in words for the user.
    QString error() const { return m_error; }
    // The size the file had when it was opened.
    qint64 size() const { return m_size; }

    // Hands the file's bytes to sink chunk by chunk until the end. Fails, with the reason in
    // error(), when the file holds more than limits.maxBytes, when it is cancelled, or when
    // the file changed while it was read (size, time of last write or a short read), so a
    // torn read never passes for a whole one. A sink that returns false stops the read and
    // says why itself.
    bool readAll(const FileLimits& limits, const std::function<bool(const char*, qint64)>& sink);

private:
    bool fail(const QString& why);

    int m_fd = -1;
    // As the handle was when opened: a change to any of them means the file was written.
    qint64 m_size = 0;
    qint64 m_writtenNs = 0;
    qint64 m_changedNs = 0;
    QString m_error;
};

struct ReadResult {
    bool ok = false;
    QByteArray bytes;
    QString error; // why it failed, in words for the user; empty on success
};

// Reads a whole regular file (see RegularFile) within limits. Blocks on the disk: call it
// off the UI thread.
ReadResult readRegularFile(const QString& path, const FileLimits& limits = {});

// The reason an errno value stands for, in words for the user.
QString describeFileError(int error);

} // namespace reelcase
