#include "watchdog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace reelcase::swfrun {

Watchdog::Watchdog(double seconds) {
    const auto limit = std::chrono::duration<double>(seconds);
    m_thread = std::thread([this, limit] {
        std::unique_lock lock(m_mutex);
        if (m_disarmed.wait_for(lock, limit, [this] { return m_done; }))
            return;
        // The main thread may hold stdio's locks: write directly and leave at once.
        char line[96];
        const int n = std::snprintf(line, sizeof line, "swfrun: stopped after %g seconds\n",
                                    std::chrono::duration<double>(limit).count());
        if (n > 0)
            (void)!::write(STDERR_FILENO, line, static_cast<size_t>(n));
        std::_Exit(3);
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_disarmed.notify_one();
    m_thread.join();
}

} // namespace reelcase::swfrun
