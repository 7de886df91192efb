// What the benchmark programs share: Keno draw tables read three ways (counted and walked through
// the code under test, and the ideal single read of the whole file, taken as the yardsticks take
// it: one_read.h), the rate counters, a reporter that keeps every run's figures for the closing
// tables, the ratio formatting, the program's frame (options, failures, the tables after the
// runs), and the folders the window benchmarks run in (offscreen_program.h frames those).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/dbf_image.h"

namespace bench {

inline constexpr int kKenoFields = 20;

struct Tally {
    std::uint64_t records = 0;
    std::uint64_t sum = 0;
};

unsigned le16(const std::uint8_t* p);

// The import benchmarks' draw file: `draws` lines of twenty distinct Keno numbers between commas,
// the same on every run (a fixed seed).
std::string kenoCsv(std::size_t draws);

// The ideal: the whole file in one read, live records counted and the first `fields` two-digit
// numbers of each summed from the bytes. `buffer` is kept between runs so that only the read and
// the tally are timed.
Tally idealRead(const std::string& path, int fields, std::vector<std::uint8_t>& buffer);

// The rate counters the closing tables read: records read, or operations done, per second of
// wall time (the benchmarks use real time: the engine's reads are system calls, and their cost
// is what the user waits for).
inline constexpr const char* kRecordRate = "records/s";
inline constexpr const char* kOperationRate = "ops/s";
void setRate(benchmark::State& state, std::uint64_t records);
void setOperationRate(benchmark::State& state, std::uint64_t perIteration);

// Registers a benchmark timed on the wall clock.
benchmark::internal::Benchmark* registerWallClock(const std::string& name, std::function<void(benchmark::State&)> body,
                                                  benchmark::TimeUnit unit = benchmark::kMillisecond);

// Remembers every finished run by its name, so that the closing tables can set runs side by side.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter();

    void ReportRuns(const std::vector<Run>& runs) override;

    // The run's records/s or ops/s counter; 0 when the run did not finish.
    double rate(const std::string& name) const;
    // Wall seconds of one iteration; 0 when the run did not finish.
    double seconds(const std::string& name) const;

private:
    struct Figures {
        double rate = 0;
        double seconds = 0;
    };
    std::map<std::string, Figures> m_runs;
};

// How many times slower the second is than the first, from their rates ("-" when one is missing).
std::string rateRatio(double fasterRate, double slowerRate);
// How many times longer the second takes than the first ("-" when one is missing).
std::string timeRatio(double fasterSeconds, double slowerSeconds);
std::string millions(double perSecond);
std::string thousands(double perSecond);

// The code under test reading one table, opened once per benchmark run: the exact record count,
// and a walk from first to last reading every number.
class TableReader {
public:
    virtual ~TableReader() = default;
    virtual Tally count() = 0;
    virtual Tally walk() = 0;
};
using ReaderFactory = std::function<std::unique_ptr<TableReader>(const std::string& path)>;

// The names of the read benchmarks of each table size: COUNT/size, WALK/size and ideal_read/size.
struct ReadNames {
    std::string count;
    std::string walk;
};

// Makes a Keno table of each size in `dir`, checks that the reader and the ideal read agree on
// its records and numbers, and registers the three read benchmarks of it. False (having said why
// on standard error, after "PROGRAM: ") when they disagree.
bool registerReads(const char* program, const testsupport::TempDir& dir, const std::vector<std::uint32_t>& sizes,
                   const ReadNames& names, const ReaderFactory& open);

// The closing table of the reads: count and walk through `through` against the ideal read.
void printReadRatios(const RatioReporter& reporter, const char* through, const std::vector<std::uint32_t>& sizes,
                     const ReadNames& names);

// A folder of its own named `name` in `dir`, for a table that a window finds in its current
// folder; raises when it cannot be made.
std::string tableFolder(const testsupport::TempDir& dir, const std::string& name);

// The current folder is `folder` while this lives (the windows find their tables there), if it
// could be entered; the one before comes back at leave() or at the end.
class InFolder {
public:
    explicit InFolder(const std::string& folder);
    ~InFolder();
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

    bool entered() const { return m_entered; }
    // Back to the folder before; false when it cannot be entered again.
    bool leave();

private:
    char m_previous[4096];
    bool m_entered = false;
};

// A benchmark program: Google Benchmark's options, then `setup` registers the benchmarks (false
// ends the program with status 1), the runs, and `report` prints the closing tables. A failure
// is printed after "PROGRAM: " and ends the program with status 1.
int runProgram(int argc, char** argv, const char* program,
               const std::function<bool(const testsupport::TempDir&)>& setup,
               const std::function<void(const RatioReporter&)>& report);

}  // namespace bench
