#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace reelcase::test {

// Writes a file of size bytes (sparse, so large ones cost no disk) last written at
// written, creating its folder. Returns false when any step fails.
inline bool makeCacheFile(const QString& path, qint64 size, const QDateTime& written) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.resize(size) && file.setFileTime(written, QFileDevice::FileModificationTime);
}

} // namespace reelcase::test
