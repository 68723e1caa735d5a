#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <functional>
#include <type_traits>
#include <utility>

namespace reelcase {

// Runs work on Qt's thread pool and hands its result to done on context's thread, so the
// UI thread never waits on the disk. done is dropped when context is gone by then.
template <typename Work, typename Done>
void runInBackground(QObject* context, Work work, Done done) {
    QPointer<QObject> guard(context);
    QThreadPool::globalInstance()->start(
        [guard, work = std::move(work), done = std::move(done)]() mutable {
            auto result = work();
            if (!guard)
                return;
            QMetaObject::invokeMethod(
                guard.data(),
                [guard, done = std::move(done), result = std::move(result)]() mutable {
                    if (guard)
                        done(std::move(result));
                },
                Qt::QueuedConnection);
        });
}

} // namespace reelcase
