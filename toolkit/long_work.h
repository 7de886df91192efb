// Long work in the window: what the program reads it reads on the GUI thread first, then the
// computing runs on a worker thread while the GUI thread keeps its event loop (the windows
// repaint, a progress dialog follows the work and its Cancel asks the work to stop), and the
// caller paints the outcome back on the GUI thread once the work is over. The engine and the
// datasets stay on the GUI thread: the work is handed only what was read, or opens its own
// table objects and uses them on the worker alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

class QWidget;

// What the worker and the window share: how far the work is, and whether it is to stop.
class LongWorkProgress {
public:
    // The worker tells: `done` of `total` steps; a total of 0 means the length is not known.
    void report(std::int64_t done, std::int64_t total);
    // The worker asks now and then, and stops when it is.
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    // Asks the work to stop; not heard (false) while the stage cannot be stopped.
    bool cancel();
    // The worker begins a stage the dialog names with `label`. A stage that cannot be stopped
    // greys Cancel out and hears no cancel; it is not begun (false) when a cancel came first, so
    // that the work either stops before it or goes through it to its end.
    bool beginStage(const std::string& label, bool stoppable = true);
    // 0 to 1.
    double fraction() const;
    // Reported with a total of 0: the dialog shows a busy bar.
    bool lengthUnknown() const { return m_total.load(std::memory_order_relaxed) == 0; }

    // What the dialog shows of the stage: gives true, once, after a stage has begun.
    bool takeStage(std::string& label, bool& stoppable);

private:
    std::atomic<std::int64_t> m_done{0};
    std::atomic<std::int64_t> m_total{-1};  // nothing reported yet
    std::atomic<bool> m_cancelled{false};
    std::mutex m_stageMutex;  // a cancel and the start of a stage that cannot be stopped exclude each other
    bool m_stoppable = true;
    bool m_stageChanged = false;
    std::string m_label;
};

// Runs `work` on a worker thread under the wait cursor, with a modal progress dialog titled
// `label` (over `parent`, or else the active window) shown once the work has lasted a moment;
// while the dialog shows, the wait cursor stays over the other windows and the dialog has the
// arrow, for its Cancel. Returns on the GUI thread when the work is over: false when it was
// cancelled (whatever it raised then), true otherwise; what it raised is raised again here.
bool RunLongWork(const std::string& label, const std::function<void(LongWorkProgress&)>& work,
                 QWidget* parent = nullptr);

// The wait cursor for as long as the object lives, back to normal however the work ends: a
// command that reads on the GUI thread shows it.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
