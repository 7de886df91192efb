// The frame of a benchmark program that needs Qt but no display: Qt's offscreen platform unless
// one is named, the application, and a message service that records every box instead of showing
// it (no benchmark may wait for a reply), around bench::runProgram.
#pragma once

#include <cstdlib>
#include <functional>

#include "bench/bench_support.h"
#include "tests/support/recording_message_service.h"

namespace bench {

// `Application` is QGuiApplication where only pictures are painted, QApplication where windows
// open. `setup` registers the benchmarks, given the folder and the message service.
template <typename Application>
int runOffscreenProgram(int argc, char** argv, const char* program,
                        const std::function<bool(const testsupport::TempDir&, RecordingMessageService&)>& setup,
                        const std::function<void(const RatioReporter&)>& report) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    Application application(qtArgc, argv);
    RecordingMessageService messages;
    return runProgram(
        argc, argv, program, [&](const testsupport::TempDir& dir) { return setup(dir, messages); }, report);
}

}  // namespace bench
