// Importing a long Keno history: 1,000,000 draws of a CSV file read and appended through the draw
// history (duplicates looked for under the append lock, batches of whole records), against a
// plain program that parses the same file and appends the records with plain writes; and `add`
// of one draw to the 1,000,000-draw table (its draws read as keys, then one batch appended).
//   build-bench/bench/import --benchmark_repetitions=3
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/game.h"
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
        std::string text;
        std::uint64_t state = 20261208;
        std::vector<int> all(80);
        for (std::size_t n = 0; n < kDraws; ++n) {
            for (int i = 0; i < 80; ++i) all[i] = i + 1;
            // A partial Fisher-Yates shuffle by splitmix64: twenty distinct numbers.
            for (int i = 0; i < 20; ++i) {
                state += 0x9E3779B97F4A7C15ull;
                std::uint64_t z = state;
                z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
                z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
                z ^= z >> 31;
                std::swap(all[i], all[i + static_cast<int>(z % static_cast<std::uint64_t>(80 - i))]);
                text += std::to_string(all[i]);
                text += i < 19 ? ',' : '\n';
            }
        }
        testsupport::writeFile(csv, text);
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

void historyImport(benchmark::State& state, bool replace) {
    for (auto _ : state) {
        state.PauseTiming();
        const std::string path = freshTable("history.dbf");
        state.ResumeTiming();
        DBFObject table(path, "", true, !replace);
        std::string why;
        const auto shape = history::drawShapeOf(table, why);
        std::ostringstream err;
        history::DrawFileParser parser(*shape, {}, err);
        const int fd = ::open(files().csv.c_str(), O_RDONLY);
        history::readTextLines(fd, [&](std::string_view line) { parser.feedLine(line); });
        ::close(fd);
        parser.finish();
        history::TableKeys known = replace ? history::TableKeys{history::DrawKeys(shape->highest), 0}
                                           : history::tableKeysOf(table, shape->highest);
        const auto plan = history::planImport(known.keys, parser.draws(), shape->highest);
        if (replace) {
            history::replaceDraws(table, plan.fresh);
        } else {
            std::size_t appended = 0;
            history::appendDraws(table, known, plan.fresh, true, appended);
            if (appended != kDraws) state.SkipWithError("not every draw went in");
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kDraws));
}

// The yardstick: the same file parsed by hand and its records written with plain writes.
void plainProgram(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const std::string path = freshTable("plain.dbf");
        state.ResumeTiming();
        std::FILE* in = std::fopen(files().csv.c_str(), "rb");
        const int out = ::open(path.c_str(), O_WRONLY);
        std::vector<char> header(32);
        ::pread(out, header.data(), 32, 0);
        const unsigned headerLength = static_cast<unsigned char>(header[8]) | static_cast<unsigned char>(header[9])
                                                                                  << 8;
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
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kDraws));
}

// `add`: the table's draws read as keys in one block scan, then one draw appended.
void addToLongTable(benchmark::State& state) {
    static const std::string path = [] {
        const std::string made = freshTable("long.dbf");
        DBFObject table(made, "", true, true);
        std::ostringstream err;
        std::string why;
        history::DrawFileParser parser(*history::drawShapeOf(table, why), {}, err);
        const int fd = ::open(files().csv.c_str(), O_RDONLY);
        history::readTextLines(fd, [&](std::string_view line) { parser.feedLine(line); });
        ::close(fd);
        parser.finish();
        history::TableKeys known{history::DrawKeys(80), 0};
        const auto plan = history::planImport(known.keys, parser.draws(), 80);
        std::size_t appended = 0;
        history::appendDraws(table, known, plan.fresh, false, appended);
        return made;
    }();
    int n = 0;
    for (auto _ : state) {
        DBFObject table(path, "", true, true);
        std::vector<int> numbers(20);
        for (int i = 0; i < 20; ++i) numbers[i] = (i * 4 + n) % 80 + 1;  // seldom in the table
        ++n;
        history::TableKeys known = history::tableKeysOf(table, 80, numbers);
        const history::Draw draw{numbers, 0};
        const history::Draw* const draws[] = {&draw};
        std::size_t appended = 0;
        if (known.keys.find(numbers) == 0) history::appendDraws(table, known, draws, false, appended);
    }
}

BENCHMARK_CAPTURE(historyImport, with_duplicates, false)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_CAPTURE(historyImport, replace_without_table_keys, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(plainProgram)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(addToLongTable)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
