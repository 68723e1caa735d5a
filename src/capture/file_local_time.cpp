#include "capture/file_local_time.h"

#include <QFileInfo>

namespace reelcase {

QDateTime fileLocalTime(const QString& path) {
    return fileLocalTime(QFileInfo(path));
}

QDateTime fileLocalTime(const QFileInfo& info) {
    if (!info.exists() || !info.isReadable())
        return {};
    const QDateTime written = info.lastModified();
    if (!written.isValid())
        return {};
    // Drop the milliseconds by rounding the instant down, then let the C library's zone
    // rules (daylight saving included) give the wall-clock time of that instant.
    const qint64 ms = written.toMSecsSinceEpoch();
    const qint64 secs = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    return QDateTime::fromSecsSinceEpoch(secs, Qt::LocalTime);
}

} // namespace reelcase
