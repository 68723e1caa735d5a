#pragma once

#include <QSemaphore>

#include <memory>

namespace reelcase::test {

// Occupies every thread of Qt's global pool until released, standing in for a slow disk:
// work started meanwhile queues behind it, in order. Released at the latest when destroyed.
class BusyPool {
public:
    BusyPool();
    ~BusyPool();
    BusyPool(const BusyPool&) = delete;
    BusyPool& operator=(const BusyPool&) = delete;

    void release();

private:
    // Shared with the blocking tasks, which may still be waking when the object is gone.
    struct Gate {
        QSemaphore running;
        QSemaphore open;
    };
    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>();
    int m_threads = 0;
    bool m_released = false;
};

} // namespace reelcase::test
