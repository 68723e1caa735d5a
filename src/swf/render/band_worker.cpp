#include "swf/render/band_worker.h"

namespace reelcase::swf {

BandWorker::BandWorker()
    : m_thread([this] { loop(); }) {}

BandWorker::~BandWorker() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void BandWorker::runBeside(const std::function<void()>& theirs, const std::function<void()>& ours) {
    {
        std::lock_guard lock(m_mutex);
        m_job = &theirs;
        m_busy = true;
    }
    m_wake.notify_all();
    ours();
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return !m_busy; });
}

void BandWorker::loop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_job; });
        if (m_quit)
            return;
        const std::function<void()>* job = m_job;
        m_job = nullptr;
        lock.unlock();
        (*job)();
        lock.lock();
        m_busy = false;
        m_wake.notify_all();
    }
}

} // namespace reelcase::swf
