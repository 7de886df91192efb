// Long work off the GUI thread: the work runs on another thread while the event loop goes on,
// the dialog follows its progress, Cancel stops it, and what it raises comes back; the wait
// cursor stands over the windows but not over the dialog, and a stage that cannot be stopped
// hears no cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest/QTest>
#include <QTimer>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>

#include "toolkit/long_work.h"

namespace {

using namespace std::chrono_literals;

QProgressDialog* progressDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QProgressDialog*>(widget); dialog && dialog->objectName() == "LongWorkProgress")
            return dialog;
    return nullptr;
}

// Waits on the worker, at most 10 s, until `ready` holds.
template <class Ready>
void waitFor(const Ready& ready) {
    for (int i = 0; i < 1000 && !ready(); ++i) std::this_thread::sleep_for(10ms);
}

TEST(LongWork, RunsOnAnotherThreadWhileTheEventLoopGoesOn) {
    const auto gui = std::this_thread::get_id();
    std::thread::id worker;
    std::atomic<int> ticks{0};
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    EXPECT_TRUE(RunLongWork("работа", [&](LongWorkProgress&) {
        worker = std::this_thread::get_id();
        waitFor([&] { return ticks.load() >= 5; });
    }));
    EXPECT_NE(worker, gui);
    EXPECT_GE(ticks.load(), 5);  // the GUI thread's timers went on firing
    EXPECT_EQ(progressDialog() == nullptr || !progressDialog()->isVisible(), true);
}

TEST(LongWork, TheDialogFollowsTheProgress) {
    std::atomic<int> shown{-1};
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QProgressDialog* dialog = progressDialog()) shown = dialog->value() * 100 / dialog->maximum();
    });
    watch.start(5);
    EXPECT_TRUE(RunLongWork("работа", [&](LongWorkProgress& progress) {
        progress.report(1, 4);
        waitFor([&] { return shown.load() == 25; });
    }));
    EXPECT_EQ(shown.load(), 25);
}

TEST(LongWork, CancelStopsTheWork) {
    QTimer::singleShot(20, [] {
        if (QProgressDialog* dialog = progressDialog()) dialog->cancel();
    });
    bool stopped = false;
    EXPECT_FALSE(RunLongWork("работа", [&](LongWorkProgress& progress) {
        waitFor([&] { return progress.cancelled(); });
        stopped = progress.cancelled();
        throw std::runtime_error("stopped");  // what a cancelled work raises is not raised again
    }));
    EXPECT_TRUE(stopped);
}

TEST(LongWork, WhatTheWorkRaisesIsRaisedOnTheGuiThread) {
    EXPECT_THROW(RunLongWork("работа", [](LongWorkProgress&) { throw std::invalid_argument("bad"); }),
                 std::invalid_argument);
}

TEST(LongWork, TheWaitCursorStandsOverTheWindowsButNotOverTheDialog) {
    QWidget window;
    window.show();
    QApplication::setOverrideCursor(Qt::WaitCursor);  // the caller's own, as a command's
    std::optional<Qt::CursorShape> atStart;
    bool noOverride = false;
    Qt::CursorShape onDialog = Qt::BlankCursor;
    Qt::CursorShape onWindow = Qt::BlankCursor;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!atStart) atStart = QApplication::overrideCursor()->shape();
        QProgressDialog* dialog = progressDialog();
        if (!dialog || !dialog->isVisible() || dialog->wasCanceled()) return;
        noOverride = QApplication::overrideCursor() == nullptr;
        onDialog = dialog->cursor().shape();
        onWindow = window.cursor().shape();
        dialog->findChild<QPushButton*>()->click();
    });
    watch.start(5);
    EXPECT_FALSE(
        RunLongWork("работа", [&](LongWorkProgress& progress) { waitFor([&] { return progress.cancelled(); }); }));
    EXPECT_EQ(atStart, Qt::WaitCursor);
    EXPECT_TRUE(noOverride);
    EXPECT_EQ(onDialog, Qt::ArrowCursor);
    EXPECT_EQ(onWindow, Qt::WaitCursor);
    ASSERT_NE(QApplication::overrideCursor(), nullptr) << "the caller's cursor is back";
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "and only the caller's";
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
}

TEST(LongWork, AStageThatCannotBeStoppedHearsNoCancel) {
    std::atomic<bool> tried{false};
    QString label;
    bool cancelEnabled = true;
    int top = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QProgressDialog* dialog = progressDialog();
        if (tried || !dialog || !dialog->isVisible() || dialog->labelText() != QString::fromUtf8("запись")) return;
        label = dialog->labelText();
        top = dialog->maximum();
        cancelEnabled = dialog->findChild<QPushButton*>()->isEnabled();
        dialog->findChild<QPushButton*>()->click();
        QTest::keyClick(dialog, Qt::Key_Escape);
        dialog->close();
        tried = true;
    });
    watch.start(5);
    bool heard = true;
    EXPECT_TRUE(RunLongWork("работа", [&](LongWorkProgress& progress) {
        ASSERT_TRUE(progress.beginStage("запись", false));
        progress.report(1, 0);  // of a length not known
        waitFor([&] { return tried.load(); });
        heard = progress.cancelled();
    }));
    EXPECT_TRUE(tried.load());
    EXPECT_FALSE(heard);
    EXPECT_EQ(label, QString::fromUtf8("запись"));
    EXPECT_FALSE(cancelEnabled);
    EXPECT_EQ(top, 0) << "a busy bar";

    // A cancel that came first: the stage is not begun, and the work stops before it.
    LongWorkProgress progress;
    EXPECT_TRUE(progress.cancel());
    EXPECT_FALSE(progress.beginStage("запись", false));
    EXPECT_TRUE(progress.beginStage("чтение"));
    EXPECT_TRUE(progress.cancelled());
}

}  // namespace
