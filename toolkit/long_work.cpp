// Long work off the GUI thread.
#include "toolkit/long_work.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <thread>

namespace {

constexpr int kSteps = 1000;       // the dialog's scale
constexpr int kShowAfterMs = 400;  // quick work shows no dialog at all
constexpr int kPollEveryMs = 40;   // how often the dialog follows the work

}  // namespace

void LongWorkProgress::report(std::int64_t done, std::int64_t total) {
    m_total.store(total, std::memory_order_relaxed);
    m_done.store(done, std::memory_order_relaxed);
}

double LongWorkProgress::fraction() const {
    const std::int64_t total = m_total.load(std::memory_order_relaxed);
    if (total <= 0) return 0.0;
    return std::clamp(static_cast<double>(m_done.load(std::memory_order_relaxed)) / static_cast<double>(total), 0.0,
                      1.0);
}

bool RunLongWork(const std::string& label, const std::function<void(LongWorkProgress&)>& work) {
    LongWorkProgress progress;
    std::exception_ptr failure;
    std::atomic<bool> finished{false};

    QProgressDialog dialog(QString::fromStdString(label), QString::fromUtf8("Отмена"), 0, kSteps,
                           QApplication::activeWindow());
    dialog.setObjectName("LongWorkProgress");
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(kShowAfterMs);
    dialog.setValue(0);
    QObject::connect(&dialog, &QProgressDialog::canceled, [&] { progress.cancel(); });

    QEventLoop loop;
    QTimer poll;
    bool polling = false;  // a modal dialog's setValue runs the events, this timer's among them
    // Until the modal dialog shows, the user's clicks and keys wait: no other command starts
    // in the middle of this one.
    bool userInput = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (polling) return;
        polling = true;
        if (!userInput && dialog.isVisible()) {
            userInput = true;
            loop.quit();
        }
        if (dialog.wasCanceled()) progress.cancel();
        if (finished.load())
            loop.quit();
        else if (!progress.cancelled())
            dialog.setValue(static_cast<int>(progress.fraction() * kSteps));
        polling = false;
    });
    poll.start(kPollEveryMs);

    std::thread worker([&] {
        try {
            work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    while (!finished.load()) loop.exec(userInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    worker.join();
    poll.stop();
    dialog.hide();

    if (progress.cancelled()) return false;
    if (failure) std::rethrow_exception(failure);
    return true;
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }
