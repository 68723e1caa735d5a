#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

namespace reelcase {

// One qualifying file of the browser cache.
struct FoundFlash {
    QString displayName; // local last-write time as "MMddhhmmss" + ".swf"
    QString path;        // subfolder + "/" + file name
};

constexpr qint64 kMinFlashBytes = 51200; // a file must be larger than this
constexpr int kMaxAgeMinutes = 120;      // and written less than this long before now

// The content folder of a cache: its subfolder named "Content.IE5" (letter case
// ignored) when there is one, else its first subfolder in name order; empty if none.
QString findContentFolder(const QString& cacheFolder);

// Size and age tests: more than 51200 bytes, and written less than 120 minutes before
// now (a write time later than now passes).
bool qualifies(qint64 sizeBytes, const QDateTime& lastWrite, const QDateTime& now);

// "MMddhhmmss.swf" from a local date-time.
QString displayNameFor(const QDateTime& localTime);

// Walks the content folder's subfolders one level deep in name order (letter case
// ignored), taking "*.swf" files (letter case ignored, dot-files skipped) in name order,
// and calls onFound for each qualifying file in that order. Unreadable folders and files
// are skipped. Blocks on the disk: runs on a worker thread. Stops early when cancel is set.
void scanCache(const QString& cacheFolder, const QDateTime& now,
               const std::function<void(const FoundFlash&)>& onFound,
               const std::atomic_bool* cancel = nullptr);

// Runs scanCache on a worker thread and delivers each entry to the owner's thread in
// scan order. Destroying it cancels a running scan (it waits only for the file being
// looked at) and drops what was not delivered yet.
class CacheSearch : public QObject {
    Q_OBJECT
public:
    explicit CacheSearch(QObject* parent = nullptr);
    ~CacheSearch() override;

    // Starts a scan; returns false (and does nothing) while one is running, that is
    // until its finished() has been delivered.
    bool start(const QString& cacheFolder, const QDateTime& now);
    bool isRunning() const;

Q_SIGNALS:
    void found(const reelcase::FoundFlash& entry);
    // After the last found(): count is the number of entries delivered.
    void finished(int count);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace reelcase
