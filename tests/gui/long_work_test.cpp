// Long work off the GUI thread: the work runs on another thread while the event loop goes on,
// the dialog follows its progress, Cancel stops it, and what it raises comes back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>

#include <chrono>
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

}  // namespace
