#pragma once

#include "caches/cache_source.h"
#include "caches/ie_cache.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace reelcase {

// One entry of the found list.
struct FoundFlash {
    QString displayName; // local time of the write or of caching, as "MMddhhmmss" + ".swf"
    QString path;        // the file to play: subfolder + "/" + file name for Internet
                         // Explorer, the private copy for other browsers
    QString url;         // where it came from; empty when the cache does not say
    QString browser;
    QDateTime cached;
};

// "MMddhhmmss.swf" from a local date-time.
QString displayNameFor(const QDateTime& localTime);

// The Internet Explorer part of a search: scanIeCache with the size and age rules, each
// qualifying file reported with its display name, in scan order.
void scanCache(const QString& cacheFolder, const QDateTime& now,
               const std::function<void(const FoundFlash&)>& onFound,
               const std::atomic_bool* cancel = nullptr);

// What one search looks at.
struct CacheSearchRequest {
    QString cacheFolder;      // the configured cache, searched first (any format)
    CacheLocations locations; // where this user's other browser caches are found and
                              // where their movies are copied; an empty home: none
    QDateTime now;
    QString inUse; // a found movie the player may still show; never pruned
};

// The whole search, blocking: the configured cache, then the browser caches found under
// the user's folders, whose movies are copied to the found folder (pruned afterwards).
// Calls onFound for each entry in list order; returns how many there were.
int runCacheSearch(const CacheSearchRequest& request,
                   const std::function<void(const FoundFlash&)>& onFound,
                   const std::atomic_bool* cancel = nullptr);

// Runs runCacheSearch on a worker thread and delivers each entry to the owner's thread in
// scan order. Destroying it cancels a running scan (it waits
// only for the entry being looked at) and drops what was not delivered yet.
class CacheSearch : public QObject {
    Q_OBJECT
public:
    explicit CacheSearch(QObject* parent = nullptr);
    ~CacheSearch() override;

    // Starts a scan; returns false (and does nothing) while one is running, that is
    // until its finished() has been delivered.
    bool start(const CacheSearchRequest& request);
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
