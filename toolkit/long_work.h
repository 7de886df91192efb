// Long work in the window: what the program reads it reads on the GUI thread first, then the
// computing runs on a worker thread while the GUI thread keeps its event loop (the windows
// repaint, a progress dialog follows the work and its Cancel asks the work to stop), and the
// caller paints the outcome back on the GUI thread once the work is over. The engine and the
// datasets stay on the GUI thread: the work is handed only what was read.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// What the worker and the window share: how far the work is, and whether it is to stop.
class LongWorkProgress {
public:
    // The worker tells: `done` of `total` steps.
    void report(std::int64_t done, std::int64_t total);
    // The worker asks now and then, and stops when it is.
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    // 0 to 1.
    double fraction() const;

private:
    std::atomic<std::int64_t> m_done{0};
    std::atomic<std::int64_t> m_total{0};
    std::atomic<bool> m_cancelled{false};
};

// Runs `work` on a worker thread with a modal progress dialog titled `label`, shown once the work
// has lasted a moment. Returns on the GUI thread when the work is over: false when it was
// cancelled (whatever it raised then), true otherwise; what it raised is raised again here.
bool RunLongWork(const std::string& label, const std::function<void(LongWorkProgress&)>& work);

// The wait cursor for as long as the object lives, back to normal however the work ends: a
// command that reads on the GUI thread shows it.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
