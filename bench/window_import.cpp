// The window's import of 1,000,000 Keno draws, run as the import dialog runs it (the file loaded
// and checked, then checked again and written, appended to an empty table or put in place of a
// table's draws), each import in a child process of its own: its wall time and the peak memory it
// adds, in bytes a draw (aim: about 16, the duplicate check's entry, plus the text of the notes).
// Then the time to open the import dialog, offscreen, on a table of 1,000,000 draws.
//   build/bench/window_import [RUNS]   (a Release or RelWithDebInfo build)
#include <QApplication>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "app/import_dialog.h"
#include "bench/bench_support.h"
#include "history/table_import.h"
#include "tests/support/draw_table.h"
#include "tests/support/files.h"
#include "tests/support/recording_message_service.h"

namespace {

constexpr std::size_t kDraws = 1000000;

long peakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Runs `work` in a child process; gives the two numbers it reports.
std::pair<double, double> inChild(const std::function<std::pair<double, double>()>& work) {
    int ends[2];
    if (::pipe(ends) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        ::close(ends[0]);
        std::pair<double, double> got{-1, -1};
        try {
            got = work();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
        }
        if (::write(ends[1], &got, sizeof got) != static_cast<ssize_t>(sizeof got)) ::_exit(1);
        ::_exit(0);
    }
    ::close(ends[1]);
    std::pair<double, double> got{-1, -1};
    if (::read(ends[0], &got, sizeof got) != static_cast<ssize_t>(sizeof got)) got = {-1, -1};
    ::close(ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return got;
}

// The CSV of the benchmark, as the companion's import benchmark writes it.
void writeKenoCsv(const std::string& path) { testsupport::writeFile(path, bench::kenoCsv(kDraws)); }

// The dialog's steps without its window: the file opened and checked, then checked again and
// written.
std::size_t importAsTheDialogDoes(const std::string& csv, const std::string& table, bool replace) {
    history::TableImport import(table);
    history::ImportChoices choices;
    choices.replace = replace;
    const history::ImportProgress goOn = [](history::ImportStage, std::int64_t, std::int64_t) { return true; };
    const auto text = history::ImportText::openFile(csv);
    if (!text) throw std::runtime_error("the file was not opened");
    if (!import.check(*text, choices, goOn)) throw std::runtime_error("the check stopped");
    const auto written = import.write(*text, choices, goOn);
    if (!written || !written->written) throw std::runtime_error("nothing written");
    return written->count;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    testsupport::TempDir dir;
    const std::string csv = dir.file("draws.csv");
    const std::string empty = dir.file("empty.dbf");
    const std::string full = dir.file("kenobase.dbf");
    inChild([&] {
        writeKenoCsv(csv);
        testsupport::writeDrawTable(empty, kKeno, {});
        testsupport::makeDrawTable(full, kKeno, kDraws, 7);
        return std::pair<double, double>{0, 0};
    });
    std::printf("The window's import of %zu Keno draws (median of %d)\n", kDraws, runs);
    for (const bool replace : {false, true}) {
        std::vector<double> times, bytes;
        for (int run = 0; run < runs; ++run) {
            const auto [ms, perDraw] = inChild([&] {
                const std::string table = dir.file("t.dbf");
                std::filesystem::copy_file(replace ? full : empty, table,
                                           std::filesystem::copy_options::overwrite_existing);
                const long before = peakKb();
                std::size_t count = 0;
                const double ms = millisecondsOf([&] { count = importAsTheDialogDoes(csv, table, replace); });
                if (count != kDraws) throw std::runtime_error("not every draw imported");
                return std::pair<double, double>{ms, (peakKb() - before) * 1024.0 / kDraws};
            });
            times.push_back(ms);
            bytes.push_back(perDraw);
        }
        std::printf("  %-8s %9.0f ms  %7.1f bytes a draw\n", replace ? "replace" : "append", median(times),
                    median(bytes));
    }

    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    RecordingMessageService messages;
    std::vector<double> opens;
    for (int run = 0; run < std::max(runs, 5); ++run)
        opens.push_back(millisecondsOf([&] { TImportDialog dialog(kKeno, full); }));
    std::printf("The import dialog opened on a table of %zu draws: %.2f ms\n", kDraws, median(opens));
    return 0;
}
