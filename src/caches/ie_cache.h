#pragma once

#include <QDateTime>
#include <QString>

#include <atomic>
#include <functional>

namespace reelcase {

constexpr qint64 kMinFlashBytes = 51200; // a file must be larger than this
constexpr int kMaxAgeMinutes = 120;      // and written less than this long before now

// Size and age tests: more than 51200 bytes, and written less than 120 minutes before
// now (a write time later than now passes).
bool qualifies(qint64 sizeBytes, const QDateTime& lastWrite, const QDateTime& now);

// The content folder of an Internet Explorer cache: its subfolder named "Content.IE5"
// (letter case ignored) when there is one, else its first subfolder in name order; empty
// if none.
QString findContentFolder(const QString& cacheFolder);

// A "*.swf" file of an Internet Explorer cache.
struct IeCacheFile {
    QString path;      // subfolder path + "/" + file name
    QString subfolder; // its name
    QString fileName;
    qint64 size = 0;
    QDateTime written; // local wall-clock time of the last write, whole seconds
};

// Walks the content folder's subfolders one level deep in name order (letter case
// ignored), taking "*.swf" files (letter case ignored, dot-files and symlinks skipped) in
// name order, and calls onFile for each readable one that passes the size and age tests,
// or for every one when applyRules is false. Unreadable folders and files are skipped.
// Blocks on the disk; stops early when cancel is set.
void scanIeCache(const QString& cacheFolder, const QDateTime& now, bool applyRules,
                 const std::function<void(const IeCacheFile&)>& onFile,
                 const std::atomic_bool* cancel = nullptr);

} // namespace reelcase
