#include "capture/cache_search.h"

#include <QMetaObject>
#include <QThread>

namespace reelcase {

struct CacheSearch::Private {
    std::atomic_bool cancel{false};
    QThread* worker = nullptr; // owned; set from start() until finished() is delivered
};

CacheSearch::CacheSearch(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>()) {}

CacheSearch::~CacheSearch() {
    if (d->worker) {
        d->cancel = true;
        d->worker->wait();
        delete d->worker;
    }
}

bool CacheSearch::start(const CacheSearchRequest& request) {
    if (d->worker)
        return false;
    d->cancel = false;
    // Entries travel as queued calls to this object, so they reach the owner's thread in
    // the order the scan found them, and finished() queues up behind the last one.
    d->worker = QThread::create([this, request] {
        const int count = runCacheSearch(
            request,
            [this](const FoundFlash& entry) {
                QMetaObject::invokeMethod(
                    this, [this, entry] { Q_EMIT found(entry); }, Qt::QueuedConnection);
            },
            &d->cancel);
        QMetaObject::invokeMethod(
            this,
            [this, count] {
                d->worker->wait();
                delete d->worker;
                d->worker = nullptr;
                Q_EMIT finished(count);
            },
            Qt::QueuedConnection);
    });
    d->worker->start();
    return true;
}

bool CacheSearch::isRunning() const {
    return d->worker != nullptr;
}

} // namespace reelcase
