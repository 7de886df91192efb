// Benchmark of "Карта тиражей" on Keno 1,000,000 draws, offscreen: opening the window (the table
// read into the map) and a full repaint of a screen of rows; then the program's peak memory with
// the map open against its peak before. Aims: open under 0.3 s, a repaint under 16 ms (a frame),
// the peak within 30 MB of the start's. The table is made by a child process, so that the
// making's own memory is not counted.

#include <QApplication>
#include <QScrollBar>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "analysis/game.h"
#include "app/draw_map.h"
#include "bench/offscreen_program.h"
#include "tests/support/draw_table.h"

namespace {

constexpr std::uint32_t kDraws = 1000000;
long g_idlePeakKb = 0;
long g_openPeakKb = 0;

long peakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void makeTableInChild(const std::string& path) {
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        testsupport::makeDrawTable(path, kKeno, kDraws, 7);
        ::_exit(0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the table was not made");
}

// Enters the table's folder for a benchmark run, or raises.
void enter(bench::InFolder& in, const std::string& folder) {
    if (!in.entered()) throw std::runtime_error("cannot enter " + folder);
}

void registerMap(const std::string& folder) {
    bench::registerWallClock("map_open/1000000", [folder](benchmark::State& state) {
        bench::InFolder in(folder);
        enter(in, folder);
        for (auto _ : state) {
            TDrawMapWindow window(kKeno);
            window.Reload();
            benchmark::DoNotOptimize(window.Map().Draws());
        }
    });
    bench::registerWallClock(
        "map_repaint/1000000",
        [folder](benchmark::State& state) {
            bench::InFolder in(folder);
            enter(in, folder);
            TDrawMapWindow window(kKeno);
            window.resize(1100, 1000);
            window.ShowAndRaise();
            QApplication::processEvents();
            window.View().SetHighlighted({1, 2, 3, 40, 80});
            QScrollBar* bar = window.View().verticalScrollBar();
            int at = 0;
            for (auto _ : state) {
                // Each repaint a screen further down: every row newly painted.
                at = (at + window.View().RowsInView()) % std::max(1, bar->maximum());
                bar->setValue(at);
                window.View().viewport()->repaint();
            }
            g_openPeakKb = std::max(g_openPeakKb, peakKb());
        },
        benchmark::kMicrosecond);
}

void printFigures(const bench::RatioReporter& reporter) {
    std::printf("\n\"Карта тиражей\" on Keno %u draws\n", kDraws);
    std::printf("  open:    %8.1f ms (aim: under 300)\n", reporter.seconds("map_open/1000000") * 1000.0);
    std::printf("  repaint: %8.2f ms (aim: under 16)\n", reporter.seconds("map_repaint/1000000") * 1000.0);
    std::printf("  peak memory: %.1f MB at the start, %.1f MB with the map open: %.1f MB more (aim: under 30)\n",
                g_idlePeakKb / 1024.0, g_openPeakKb / 1024.0, (g_openPeakKb - g_idlePeakKb) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreenProgram<QApplication>(
        argc, argv, "draw_map",
        [](const testsupport::TempDir& dir, RecordingMessageService&) {
            const std::string folder = bench::tableFolder(dir, "keno");
            makeTableInChild(folder + "/kenobase.dbf");
            // The idle start: an application with a window shown, nothing read.
            QWidget idle;
            idle.show();
            QApplication::processEvents();
            g_idlePeakKb = peakKb();
            registerMap(folder);
            return true;
        },
        printFigures);
}
