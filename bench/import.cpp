// Importing a long Keno history: 1,000,000 draws of a CSV file read and appended through the draw
// history as the companion's import does (the file read twice: its draws and the table's records
// as entries sorted for duplicates, then the others written in batches under the append lock),
// with and without the duplicate check and with the table replaced, against a plain program that
// parses the same file and appends the records with plain writes; the counter `ratio` is the
// import's CPU time over the plain program's. And `add` of one draw to the 1,000,000-draw table.
// The memory of whole imports: bench/import_process.sh.
//   build/bench/import --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "bench/bench_support.h"
#include "dbf/table_handler.h"
#include "history/draw_file.h"
#include "history/import.h"
#include "history/table_draws.h"
#include "tests/support/draw_table.h"
#include "tests/support/files.h"

namespace {

constexpr std::size_t kDraws = 1000000;

// A fixed folder for the run: the CSV written once, a table per import.
struct Files {
    testsupport::TempDir dir;
    std::string csv = dir.file("draws.csv");
    std::string empty = dir.file("empty.dbf");

    Files() {
        testsupport::writeDrawTable(empty, kKeno, {});
        testsupport::writeFile(csv, bench::kenoCsv(kDraws));
    }
};

Files& files() {
    static Files made;
    return made;
}

std::string freshTable(const std::string& name) {
    const std::string path = files().dir.file(name);
    testsupport::writeFile(path, testsupport::readFile(files().empty));
    return path;
}

double cpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The yardstick: the same file parsed by hand and its records written with plain writes.
void plainImport(benchmark::State& state, const std::string& path) {
    std::FILE* in = std::fopen(files().csv.c_str(), "rb");
    const int out = ::open(path.c_str(), O_WRONLY);
    std::vector<char> header(32);
    ::pread(out, header.data(), 32, 0);
    const unsigned headerLength = static_cast<unsigned char>(header[8]) | static_cast<unsigned char>(header[9]) << 8;
    ::lseek(out, headerLength, SEEK_SET);
    std::string batch;
    char line[256];
    std::uint32_t count = 0;
    while (std::fgets(line, sizeof line, in)) {
        batch += ' ';
        char* at = line;
        for (int i = 0; i < 20; ++i) {
            const long number = std::strtol(at, &at, 10);
            ++at;
            batch += number < 10 ? ' ' : static_cast<char>('0' + number / 10);
            batch += static_cast<char>('0' + number % 10);
        }
        ++count;
        if (batch.size() >= (1u << 20)) {
            if (::write(out, batch.data(), batch.size()) < 0) state.SkipWithError("write");
            batch.clear();
        }
    }
    batch += '\x1A';
    if (::write(out, batch.data(), batch.size()) < 0) state.SkipWithError("write");
    std::memcpy(&header[4], &count, 4);
    ::pwrite(out, header.data(), 32, 0);
    ::close(out);
    std::fclose(in);
}

// The plain program's CPU seconds, the least of three runs.
double plainSeconds(benchmark::State& state) {
    static const double seconds = [&] {
        double least = 1e9;
        for (int run = 0; run < 3; ++run) {
            const std::string path = freshTable("yardstick.dbf");
            const double start = cpuSeconds();
            plainImport(state, path);
            least = std::min(least, cpuSeconds() - start);
        }
        return least;
    }();
    return seconds;
}

enum class Kind { kWithDuplicateCheck, kWithoutDuplicateCheck, kReplace };

void historyImport(benchmark::State& state, Kind kind) {
    const bool replace = kind == Kind::kReplace;
    const double plain = plainSeconds(state);
    double spent = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string path = freshTable("history.dbf");
        state.ResumeTiming();
        const double start = cpuSeconds();
        DBFObject table(path, "", true, !replace);
        std::string why;
        const auto shape = history::drawShapeOf(table, why);
        std::ostringstream err;
        const int fd = ::open(files().csv.c_str(), O_RDONLY);
        const history::DrawReplay replay = history::replayOfFile(fd, *shape, {});
        history::DrawIndex index(shape->highest);
        std::size_t read = 0;
        history::DrawFileParser parser(*shape, {}, err, [&](std::span<const int> draw, std::size_t line) {
            ++read;
            if (kind != Kind::kWithoutDuplicateCheck) index.addDraw(draw, line);
        });
        history::readTextLines(fd, [&](std::string_view line) { parser.feedLine(line); });
        parser.finish();
        const std::uint32_t readUpTo = replace ? 0 : index.addTable(table);
        history::FilePlan plan = index.plan(false);
        plan.draws = read;
        if (replace) {
            history::replaceWithFresh(table, plan, replay, false);
        } else {
            std::size_t appended = 0;
            history::appendFresh(table, readUpTo, plan, replay, false, true, appended);
            if (appended != kDraws) state.SkipWithError("not every draw went in");
        }
        ::close(fd);
        spent += cpuSeconds() - start;
    }
    state.counters["ratio"] = spent / static_cast<double>(state.iterations()) / plain;
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kDraws));
}

void plainProgram(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const std::string path = freshTable("plain.dbf");
        state.ResumeTiming();
        plainImport(state, path);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kDraws));
}

// `add`: the table's draws read as keys in one block scan, then one draw appended.
void addToLongTable(benchmark::State& state) {
    static const std::string path = [] {
        const std::string made = freshTable("long.dbf");
        testsupport::makeDrawTable(made, kKeno, kDraws, 7);
        return made;
    }();
    int n = 0;
    for (auto _ : state) {
        DBFObject table(path, "", true, true);
        std::vector<int> numbers(20);
        for (int i = 0; i < 20; ++i) numbers[i] = (i * 4 + n) % 80 + 1;  // seldom in the table
        ++n;
        const history::TableKeys known = history::tableKeysOf(table, 80, numbers);
        history::FilePlan plan;
        plan.highest = 80;
        plan.draws = 1;
        const history::DrawReplay one = [&](const history::DrawFileParser::DrawVisitor& visit) {
            visit(numbers, 1);
            return std::string();
        };
        std::size_t appended = 0;
        if (known.keys.find(numbers) == 0)
            history::appendFresh(table, known.readUpTo, plan, one, false, false, appended);
    }
}

BENCHMARK_CAPTURE(historyImport, with_duplicate_check, Kind::kWithDuplicateCheck)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(historyImport, without_duplicate_check, Kind::kWithoutDuplicateCheck)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(historyImport, replace, Kind::kReplace)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(plainProgram)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(addToLongTable)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
