#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace reelcase::swfrun {

// Ends the process with status 3 and a line on stderr when it is still alive after the
// given time, so that a run never hangs, whatever the movie does. Disarmed when destroyed.
class Watchdog {
public:
    explicit Watchdog(double seconds);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_disarmed;
    bool m_done = false;
    std::thread m_thread;
};

} // namespace reelcase::swfrun
