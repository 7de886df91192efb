// The benchmark programs' shared part: the ideal read, rates, the reporter that keeps every run's
// figures, the read benchmarks of Keno tables and the program frame.
#include "bench/bench_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <utility>
#include <vector>

#include "bench/one_read.h"
#include "tests/support/draw_table.h"

namespace bench {

std::string kenoCsv(std::size_t draws) {
    std::string text;
    std::uint64_t state = 20261208;
    std::vector<int> all(80);
    for (std::size_t n = 0; n < draws; ++n) {
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
    return text;
}

unsigned le16(const std::uint8_t* p) { return static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8; }

Tally idealRead(const std::string& path, int fields, std::vector<std::uint8_t>& buffer) {
    if (!oneread::readWhole(path.c_str(), buffer)) throw std::runtime_error("cannot read " + path);
    Tally t;
    oneread::eachVisibleRecord(buffer, [&](const std::uint8_t* record) {
        ++t.records;
        for (int f = 0; f < fields; ++f) {
            const std::uint8_t* field = record + 1 + 2 * f;
            const unsigned tens = field[0] == ' ' ? 0u : field[0] - '0';
            t.sum += tens * 10u + (field[1] - '0');
        }
    });
    return t;
}

void setRate(benchmark::State& state, std::uint64_t records) {
    const double done = static_cast<double>(records) * static_cast<double>(state.iterations());
    state.counters[kRecordRate] = benchmark::Counter(done, benchmark::Counter::kIsRate);
}

void setOperationRate(benchmark::State& state, std::uint64_t perIteration) {
    const double done = static_cast<double>(perIteration) * static_cast<double>(state.iterations());
    state.counters[kOperationRate] = benchmark::Counter(done, benchmark::Counter::kIsRate);
}

benchmark::internal::Benchmark* registerWallClock(const std::string& name, std::function<void(benchmark::State&)> body,
                                                  benchmark::TimeUnit unit) {
    return benchmark::RegisterBenchmark(name.c_str(), std::move(body))->Unit(unit)->UseRealTime();
}

RatioReporter::RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) {
            continue;
        }
        Figures figures;
        auto rate = run.counters.find(kRecordRate);
        if (rate == run.counters.end()) {
            rate = run.counters.find(kOperationRate);
        }
        if (rate != run.counters.end()) {
            figures.rate = rate->second.value;
        }
        figures.seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
        m_runs[run.run_name.function_name] = figures;
    }
}

double RatioReporter::rate(const std::string& name) const {
    const auto it = m_runs.find(name);
    return it == m_runs.end() ? 0.0 : it->second.rate;
}

double RatioReporter::seconds(const std::string& name) const {
    const auto it = m_runs.find(name);
    return it == m_runs.end() ? 0.0 : it->second.seconds;
}

namespace {

std::string formatted(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The three ways must agree on every table before their speeds are worth comparing.
bool agree(const char* program, const std::string& path, std::uint32_t records,
           const std::vector<std::vector<int>>& draws, TableReader& reader) {
    std::uint64_t expected = 0;
    for (const auto& draw : draws) {
        for (const int n : draw) {
            expected += static_cast<std::uint64_t>(n);
        }
    }
    std::vector<std::uint8_t> buffer;
    const Tally ideal = idealRead(path, kKenoFields, buffer);
    const Tally walked = reader.walk();
    const Tally counted = reader.count();
    if (ideal.records != records || walked.records != records || counted.records != records || ideal.sum != expected ||
        walked.sum != expected) {
        std::fprintf(stderr,
                     "%s: %s disagrees: records %u, ideal %llu, walk %llu, count %llu; "
                     "sum %llu, ideal %llu, walk %llu\n",
                     program, path.c_str(), records, static_cast<unsigned long long>(ideal.records),
                     static_cast<unsigned long long>(walked.records), static_cast<unsigned long long>(counted.records),
                     static_cast<unsigned long long>(expected), static_cast<unsigned long long>(ideal.sum),
                     static_cast<unsigned long long>(walked.sum));
        return false;
    }
    return true;
}

}  // namespace

std::string rateRatio(double fasterRate, double slowerRate) {
    if (fasterRate <= 0 || slowerRate <= 0) {
        return "-";
    }
    return formatted("%.1f", fasterRate / slowerRate);
}

std::string timeRatio(double fasterSeconds, double slowerSeconds) {
    if (fasterSeconds <= 0 || slowerSeconds <= 0) {
        return "-";
    }
    return formatted("%.1f", slowerSeconds / fasterSeconds);
}

std::string millions(double perSecond) { return perSecond <= 0 ? "-" : formatted("%.2f", perSecond / 1e6); }

std::string thousands(double perSecond) { return perSecond <= 0 ? "-" : formatted("%.1f", perSecond / 1e3); }

bool registerReads(const char* program, const testsupport::TempDir& dir, const std::vector<std::uint32_t>& sizes,
                   const ReadNames& names, const ReaderFactory& open) {
    for (const std::uint32_t records : sizes) {
        const std::string path = dir.file("keno_" + std::to_string(records) + ".dbf");
        const auto draws = testsupport::makeDrawTable(path, kKeno, records, records);
        if (!agree(program, path, records, draws, *open(path))) {
            return false;
        }
        const std::string suffix = "/" + std::to_string(records);

        registerWallClock(names.count + suffix, [path, records, open](benchmark::State& state) {
            const auto reader = open(path);
            for (auto _ : state) {
                benchmark::DoNotOptimize(reader->count());
            }
            setRate(state, records);
        });
        registerWallClock(names.walk + suffix, [path, records, open](benchmark::State& state) {
            const auto reader = open(path);
            for (auto _ : state) {
                benchmark::DoNotOptimize(reader->walk());
            }
            setRate(state, records);
        });
        registerWallClock("ideal_read" + suffix, [path, records](benchmark::State& state) {
            std::vector<std::uint8_t> buffer;
            for (auto _ : state) {
                benchmark::DoNotOptimize(idealRead(path, kKenoFields, buffer));
            }
            setRate(state, records);
        });
    }
    return true;
}

void printReadRatios(const RatioReporter& reporter, const char* through, const std::vector<std::uint32_t>& sizes,
                     const ReadNames& names) {
    std::printf(
        "\nTime through %s as a multiple of the ideal single read (lower is better),\n"
        "and the rates in millions of records per second\n",
        through);
    std::printf("%9s  %11s  %10s  %9s  %9s  %9s\n", "records", "count/ideal", "walk/ideal", "count M/s", "walk M/s",
                "ideal M/s");
    for (const std::uint32_t records : sizes) {
        const std::string suffix = "/" + std::to_string(records);
        const double ideal = reporter.rate("ideal_read" + suffix);
        const double count = reporter.rate(names.count + suffix);
        const double walk = reporter.rate(names.walk + suffix);
        std::printf("%9u  %11s  %10s  %9s  %9s  %9s\n", records, rateRatio(ideal, count).c_str(),
                    rateRatio(ideal, walk).c_str(), millions(count).c_str(), millions(walk).c_str(),
                    millions(ideal).c_str());
    }
}

int runProgram(int argc, char** argv, const char* program,
               const std::function<bool(const testsupport::TempDir&)>& setup,
               const std::function<void(const RatioReporter&)>& report) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    try {
        testsupport::TempDir dir;
        RatioReporter reporter;
        if (!setup(dir)) {
            return 1;
        }
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        report(reporter);
    } catch (const std::exception& e) {
        // The engine's and the dataset's failures (Exception) among them.
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        return 1;
    }
    return 0;
}

std::string tableFolder(const testsupport::TempDir& dir, const std::string& name) {
    const std::string folder = dir.file(name);
    if (::mkdir(folder.c_str(), 0700) != 0) throw std::runtime_error("cannot make " + folder);
    return folder;
}

InFolder::InFolder(const std::string& folder) {
    m_entered = ::getcwd(m_previous, sizeof m_previous) != nullptr && ::chdir(folder.c_str()) == 0;
}

InFolder::~InFolder() {
    if (m_entered && !leave()) std::perror("chdir");
}

bool InFolder::leave() {
    m_entered = false;
    return ::chdir(m_previous) == 0;
}

}  // namespace bench
