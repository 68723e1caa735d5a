#include "support/hang_guard.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>
#include <thread>

namespace reelcase::test {

bool endsWithoutHelp(const std::function<void()>& work, const QString& fifoToUnblock) {
    std::future<void> done = std::async(std::launch::async, work);
    if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        return true;
    const QByteArray path = QFile::encodeName(fifoToUnblock);
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        // A writer that opens and closes releases a reader blocked in open() or read().
        const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
    }
    return false;
}

bool makeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace reelcase::test
