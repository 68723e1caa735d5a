#pragma once

#include <QDateTime>
#include <QString>

class QFileInfo;

namespace reelcase {

// The true local wall-clock time (daylight saving included) of the file's last write,
// to the whole second; invalid when the file cannot be read.
QDateTime fileLocalTime(const QString& path);

// The same for a file already looked up; uses the write time info holds (no new disk
// access when info has cached it).
QDateTime fileLocalTime(const QFileInfo& info);

} // namespace reelcase
