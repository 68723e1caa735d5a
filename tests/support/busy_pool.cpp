#include "support/busy_pool.h"

#include <QThreadPool>

namespace reelcase::test {

BusyPool::BusyPool() {
    QThreadPool* pool = QThreadPool::globalInstance();
    m_threads = pool->maxThreadCount();
    for (int i = 0; i < m_threads; ++i)
        pool->start([gate = m_gate] {
            gate->running.release();
            gate->open.acquire();
        });
    // Until every blocker runs, later work could still slip onto a free thread.
    m_gate->running.acquire(m_threads);
}

BusyPool::~BusyPool() {
    release();
}

void BusyPool::release() {
    if (m_released)
        return;
    m_released = true;
    m_gate->open.release(m_threads);
}

} // namespace reelcase::test
