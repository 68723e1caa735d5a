#pragma once

#include <QString>

namespace reelcase {

struct CopyResult {
    bool ok = false;
    QString error; // why it failed, in words for the user; empty on success
};

// Copies source to destination without ever leaving a damaged file: the bytes go to a
// temporary file beside the destination, which is renamed into place only when complete.
// A failure leaves no partial file and an existing destination untouched; copying a file
// onto itself leaves it intact. Blocks on the disk: call it off the UI thread.
CopyResult copyFileSafely(const QString& source, const QString& destination);

} // namespace reelcase
