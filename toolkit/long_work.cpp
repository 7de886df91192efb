// Long work off the GUI thread.
#include "toolkit/long_work.h"

#include <QApplication>
#include <QCloseEvent>
#include <QShowEvent>
#include <QCursor>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>
#include <thread>
#include <vector>

namespace {

constexpr int kSteps = 1000;       // the dialog's scale
constexpr int kShowAfterMs = 400;  // quick work shows no dialog at all
constexpr int kPollEveryMs = 40;   // how often the dialog follows the work

// The progress dialog, which a stage that cannot be stopped keeps open: closing it would ask a
// stop that is not heard.
class WorkDialog : public QProgressDialog {
public:
    WorkDialog(const QString& label, QWidget* parent) : QProgressDialog(label, QString(), 0, kSteps, parent) {
        m_cancel = new QPushButton(QString::fromUtf8("Отмена"), this);
        setCancelButton(m_cancel);
        // Cancel, Esc and the close box reach the work first; the dialog hides only when heard.
        QObject::disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
    }
    // Called as the dialog shows, before the player can point at it.
    std::function<void()> onShown;

    void setStoppable(bool stoppable) {
        m_stoppable = stoppable;
        m_cancel->setEnabled(stoppable);
    }

protected:
    void showEvent(QShowEvent* event) override {
        QProgressDialog::showEvent(event);
        if (onShown) onShown();
    }
    void closeEvent(QCloseEvent* event) override {
        if (m_stoppable)
            QProgressDialog::closeEvent(event);
        else
            event->ignore();
    }

private:
    QPushButton* m_cancel;
    bool m_stoppable = true;
};

// The wait cursor while the work runs. Once the dialog shows, the application's override cursors
// are put aside (they would stand over the dialog's Cancel too) and each other window shows the
// wait cursor itself; everything as it was when the work is over.
class WaitCursors {
public:
    WaitCursors() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursors() {
        for (const auto& [window, own] : m_windows) {
            if (!window) continue;
            if (own)
                window->setCursor(*own);
            else
                window->unsetCursor();
        }
        for (auto cursor = m_overrides.rbegin(); cursor != m_overrides.rend(); ++cursor)
            QApplication::setOverrideCursor(*cursor);
        QApplication::restoreOverrideCursor();
    }
    WaitCursors(const WaitCursors&) = delete;
    WaitCursors& operator=(const WaitCursors&) = delete;

    void dialogShown(const QWidget* dialog) {
        if (m_dialogShown) return;
        m_dialogShown = true;
        while (const QCursor* cursor = QApplication::overrideCursor()) {
            m_overrides.push_back(*cursor);
            QApplication::restoreOverrideCursor();
        }
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window == dialog || !window->isVisible()) continue;
            std::optional<QCursor> own;
            if (window->testAttribute(Qt::WA_SetCursor)) own = window->cursor();
            m_windows.emplace_back(window, own);
            window->setCursor(Qt::WaitCursor);
        }
    }

private:
    bool m_dialogShown = false;
    std::vector<QCursor> m_overrides;                                             // the topmost first
    std::vector<std::pair<QPointer<QWidget>, std::optional<QCursor>>> m_windows;  // with the cursor each had
};

}  // namespace

void LongWorkProgress::report(std::int64_t done, std::int64_t total) {
    m_total.store(total, std::memory_order_relaxed);
    m_done.store(done, std::memory_order_relaxed);
}

bool LongWorkProgress::cancel() {
    const std::lock_guard<std::mutex> guard(m_stageMutex);
    if (!m_stoppable) return false;
    m_cancelled.store(true, std::memory_order_relaxed);
    return true;
}

bool LongWorkProgress::beginStage(const std::string& label, bool stoppable) {
    const std::lock_guard<std::mutex> guard(m_stageMutex);
    if (!stoppable && m_cancelled.load(std::memory_order_relaxed)) return false;
    m_label = label;
    m_stoppable = stoppable;
    m_stageChanged = true;
    return true;
}

bool LongWorkProgress::takeStage(std::string& label, bool& stoppable) {
    const std::lock_guard<std::mutex> guard(m_stageMutex);
    if (!m_stageChanged) return false;
    m_stageChanged = false;
    label = m_label;
    stoppable = m_stoppable;
    return true;
}

double LongWorkProgress::fraction() const {
    const std::int64_t total = m_total.load(std::memory_order_relaxed);
    if (total <= 0) return 0.0;
    return std::clamp(static_cast<double>(m_done.load(std::memory_order_relaxed)) / static_cast<double>(total), 0.0,
                      1.0);
}

bool RunLongWork(const std::string& label, const std::function<void(LongWorkProgress&)>& work, QWidget* parent) {
    LongWorkProgress progress;
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    WaitCursors cursors;

    WorkDialog dialog(QString::fromStdString(label), parent ? parent : QApplication::activeWindow());
    dialog.setObjectName("LongWorkProgress");
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(kShowAfterMs);
    dialog.setValue(0);
    dialog.onShown = [&] { cursors.dialogShown(&dialog); };
    QObject::connect(&dialog, &QProgressDialog::canceled, [&] {
        if (progress.cancel()) dialog.cancel();
    });

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
        std::string stage;
        bool stoppable = true;
        if (progress.takeStage(stage, stoppable)) {
            dialog.setLabelText(QString::fromStdString(stage));
            dialog.setStoppable(stoppable);
        }
        if (dialog.wasCanceled()) progress.cancel();
        if (finished.load()) {
            loop.quit();
        } else if (!progress.cancelled()) {
            // A work that does not know its length shows a busy bar.
            const int top = progress.lengthUnknown() ? 0 : kSteps;
            if (dialog.maximum() != top) dialog.setRange(0, top);
            dialog.setValue(static_cast<int>(progress.fraction() * top));
        }
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
