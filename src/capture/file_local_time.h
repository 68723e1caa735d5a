#pragma once

#include <QDateTime>
#include <QString>

namespace reelcase {

// The true local wall-clock time (daylight saving included) of the file's last write,
// to the whole second; invalid when the file cannot be read.
QDateTime fileLocalTime(const QString& path);

} // namespace reelcase
