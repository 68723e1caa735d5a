#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace reelcase::swfhost {

struct FileRead {
    std::optional<QByteArray> bytes; // empty on failure
    QString error;                   // why, for a person: "not a regular file" ...
};

// Reads a whole regular file of at most maxBytes. Never blocks on a FIFO or a device: the
// file is opened without waiting and its handle checked before reading, and at most one
// byte past the cap is read, so a file that grows meanwhile is refused, not truncated.
// With confinedTo set, the file actually opened (after following links) must lie inside
// that folder.
FileRead readRegularFile(const QString& path, qint64 maxBytes, const QString& confinedTo = {});

} // namespace reelcase::swfhost
