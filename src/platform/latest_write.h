#pragma once

#include <QtGlobal>

#include <atomic>
#include <mutex>

namespace reelcase {

// Orders writes of one setting made from worker threads: they never overlap, and a write
// that a later request has overtaken is skipped, so the newest value is the one that stays
// stored whatever order the threads run in. Take a ticket on the UI thread when the value
// changes; run the write with it on the worker.
class LatestWrite {
public:
    quint64 ticket() { return ++m_latest; }
    bool isLatest(quint64 ticket) const { return ticket == m_latest.load(); }

    // Runs write (under the lock) when no later ticket has been taken; false when skipped.
    template <typename Write> bool runIfLatest(quint64 ticket, Write&& write) {
        const std::lock_guard lock(m_mutex);
        if (!isLatest(ticket))
            return false;
        write();
        return true;
    }

private:
    std::mutex m_mutex;
    std::atomic<quint64> m_latest{0};
};

} // namespace reelcase
