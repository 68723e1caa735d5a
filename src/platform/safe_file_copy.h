#pragma once

#include "platform/regular_file.h"

#include <QByteArray>
#include <QString>

namespace reelcase {

struct CopyResult {
    bool ok = false;
    QString error; // why it failed, in words for the user; empty on success
};

// Copies the regular file source (see RegularFile) to destination without ever leaving a
// damaged file: the bytes go to a new hidden file in the destination's folder, which is
// renamed over the destination only when complete and flushed to the disk. A link at the
// destination is thus replaced itself, never what it points to. A failure leaves no partial
// file and an existing destination untouched; a source larger than limits.maxBytes, one
// that changes while it is copied, or a cancelled copy fails. Copying a file onto itself
// leaves it intact. A destination that is a folder is refused. Blocks on the disk: call it
// off the UI thread.
CopyResult copyFileSafely(const QString& source, const QString& destination,
                          const FileLimits& limits = {});

// Writes bytes to destination the same way: a hidden file beside it, renamed over it when
// complete, so a link at the destination is replaced, never followed, and a failure leaves
// the old destination as it was. Blocks on the disk.
CopyResult writeFileSafely(const QByteArray& bytes, const QString& destination);

} // namespace reelcase
