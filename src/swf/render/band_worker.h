#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace reelcase::swf {

// A second thread that lives as long as its owner and runs one job at a time beside the
// caller. Qt keeps fonts and rasterised glyphs per thread, so a thread made afresh for each
// frame would load its fonts and draw every glyph again; this one keeps them.
class BandWorker {
public:
    BandWorker();
    ~BandWorker();
    BandWorker(const BandWorker&) = delete;
    BandWorker& operator=(const BandWorker&) = delete;

    // Runs theirs on the worker while ours runs on the calling thread; returns when both end.
    void runBeside(const std::function<void()>& theirs, const std::function<void()>& ours);

private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    const std::function<void()>* m_job = nullptr; // set while a job waits or runs
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread; // last: starts once the state above exists
};

} // namespace reelcase::swf
