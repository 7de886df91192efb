// Benchmarks of the storage engine on Keno tables of growing length: the exact count and a walk
// that reads every number, both through the engine, against the ideal of one read of the whole
// file tallied by hand; Keno draws appended through the engine against plain positioned writes
// of the same record bytes; and record lock and unlock pairs against the bare fcntl calls. The
// closing tables show how many times slower than those ideals the engine's paths are.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dbf/constants.h"
#include "dbf/table_handler.h"
#include "platform/exception.h"
#include "tests/support/dbf_image.h"

namespace {

constexpr int kKenoFields = 20;
constexpr int kKenoNumbers = 80;
const std::vector<std::uint32_t> kSizes = {1000, 10000, 100000};
// Draws appended per timed run, each run into a fresh empty table.
constexpr std::uint32_t kAppendBatch = 1000;

struct Tally {
    std::uint64_t records = 0;
    std::uint64_t sum = 0;
};

// (a) The count the data windows ask for: every visible record read once, deleted ones hidden.
Tally countThroughEngine(DBFObject& table)
{
    return Tally{table.exactCount(), 0};
}

// (b) What an analysis does: first to last, every number field read as a number.
Tally walkThroughEngine(DBFObject& table)
{
    Tally t;
    table.readRecord(xb::req::kFirst);
    while (!table.eof()) {
        ++t.records;
        for (int f = 1; f <= kKenoFields; ++f) {
            t.sum += static_cast<std::uint64_t>(table.getNumber(f));
        }
        table.readRecord(xb::req::kNext);
    }
    return t;
}

unsigned le16(const std::uint8_t* p)
{
    return static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8;
}

// (c) The ideal: the whole file in one read, live records counted and their numbers summed from
// the bytes. `buffer` is kept between runs so that only the read and the tally are timed.
Tally idealRead(const std::string& path, std::vector<std::uint8_t>& buffer)
{
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + path);
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        close(fd);
        throw std::runtime_error("cannot stat " + path);
    }
    buffer.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = read(fd, buffer.data() + done, buffer.size() - done);
        if (n <= 0) {
            close(fd);
            throw std::runtime_error("cannot read " + path);
        }
        done += static_cast<std::size_t>(n);
    }
    close(fd);

    Tally t;
    const std::size_t headerLength = le16(buffer.data() + 8);
    const std::size_t recordLength = le16(buffer.data() + 10);
    for (std::size_t at = headerLength; at + recordLength <= buffer.size(); at += recordLength) {
        const std::uint8_t* record = buffer.data() + at;
        if (record[0] == xb::kDeletedFlag) {
            continue;
        }
        ++t.records;
        for (int f = 0; f < kKenoFields; ++f) {
            const std::uint8_t* field = record + 1 + 2 * f;
            const unsigned tens = field[0] == ' ' ? 0u : field[0] - '0';
            t.sum += tens * 10u + (field[1] - '0');
        }
    }
    return t;
}

std::unique_ptr<DBFObject> openTable(const std::string& path)
{
    auto table = std::make_unique<DBFObject>(path, "", false, true);
    table->setUseDeleted(false);
    return table;
}

// Rates are taken over wall time (the benchmarks use real time): the engine's reads are system
// calls, and their cost is what the user waits for.
void setRate(benchmark::State& state, std::uint32_t records)
{
    const double done = static_cast<double>(records) * static_cast<double>(state.iterations());
    state.counters["records/s"] = benchmark::Counter(done, benchmark::Counter::kIsRate);
}

// The rate counter of the append and lock benchmarks: operations, not records read.
constexpr const char* kOperationRate = "ops/s";

void setOperationRate(benchmark::State& state, std::uint64_t perIteration)
{
    const double done = static_cast<double>(perIteration) * static_cast<double>(state.iterations());
    state.counters[kOperationRate] = benchmark::Counter(done, benchmark::Counter::kIsRate);
}

// The draws the append benchmarks write: their numbers as text, and the record bytes another
// writer (the tests' table maker) stores for them, which the plain writes copy.
struct AppendLoad {
    std::string emptyTable;  // header, descriptors and end-of-file byte of an empty Keno table
    std::uint32_t headerLength = 0;
    std::uint32_t recordLength = 0;
    std::vector<std::vector<std::string>> numbers;
    std::string records;
};

AppendLoad makeAppendLoad(const testsupport::TempDir& dir)
{
    AppendLoad load;
    const std::string emptyPath = dir.file("keno_empty.dbf");
    testsupport::makeDrawTable(emptyPath, kKenoFields, kKenoNumbers, 0, 1);
    load.emptyTable = testsupport::readFile(emptyPath);
    const auto* header = reinterpret_cast<const std::uint8_t*>(load.emptyTable.data());
    load.headerLength = le16(header + 8);
    load.recordLength = le16(header + 10);

    const std::string drawsPath = dir.file("keno_draws.dbf");
    for (const auto& draw : testsupport::makeDrawTable(drawsPath, kKenoFields, kKenoNumbers, kAppendBatch, 7)) {
        std::vector<std::string> texts;
        for (const int n : draw) {
            texts.push_back(std::to_string(n));
        }
        load.numbers.push_back(std::move(texts));
    }
    const std::string full = testsupport::readFile(drawsPath);
    load.records = full.substr(load.headerLength, static_cast<std::size_t>(kAppendBatch) * load.recordLength);
    return load;
}

// (d) What an import does for each draw: blank record, every number put as text, append (which
// takes and releases the append lock byte and rewrites the header).
void appendThroughEngine(DBFObject& table, const AppendLoad& load)
{
    for (const auto& draw : load.numbers) {
        table.blankRecord();
        for (std::size_t f = 0; f < draw.size(); ++f) {
            table.putValueText(static_cast<int>(f) + 1, draw[f]);
        }
        table.appendRecord();
    }
}

// (e) The ideal: each record and the end-of-file byte written where it belongs, nothing else.
// `scratch` is kept between runs so that only the writes are timed.
void appendPlain(int fd, const AppendLoad& load, std::string& scratch)
{
    scratch.resize(load.recordLength + 1u);
    for (std::uint32_t i = 0; i < kAppendBatch; ++i) {
        std::memcpy(scratch.data(), load.records.data() + static_cast<std::size_t>(i) * load.recordLength,
                    load.recordLength);
        scratch[load.recordLength] = static_cast<char>(xb::kEofByte);
        const off_t at = static_cast<off_t>(load.headerLength) + static_cast<off_t>(i) * load.recordLength;
        if (pwrite(fd, scratch.data(), scratch.size(), at) != static_cast<ssize_t>(scratch.size())) {
            throw std::runtime_error("cannot write the plain appends");
        }
    }
}

// A fresh empty table at `path`, written with plain calls.
void resetTable(const std::string& path, const AppendLoad& load)
{
    testsupport::writeFile(path, load.emptyTable);
}

// Both ways of appending must leave the same records before their speeds are worth comparing.
bool appendsAgree(const std::string& path, const AppendLoad& load)
{
    resetTable(path, load);
    {
        DBFObject table(path, "", true, true);
        appendThroughEngine(table, load);
    }
    const std::string written = testsupport::readFile(path);
    const std::size_t end = load.headerLength + load.records.size();
    if (written.size() != end + 1 || written.compare(load.headerLength, load.records.size(), load.records) != 0 ||
        written.back() != static_cast<char>(xb::kEofByte)) {
        std::fprintf(stderr, "engine: the engine's appends to %s differ from the plain records\n", path.c_str());
        return false;
    }
    return true;
}

bool fcntlLock(int fd, short type, std::uint32_t offset)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

enum class Kind { Count, Walk, Ideal, Append, RawAppend, LockPair, RawLockPair };

// Remembers the rate of every finished run, so that main can print the ratios after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void add(const std::string& name, Kind kind, std::uint32_t records) { m_names[name] = {kind, records}; }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = m_names.find(run.run_name.function_name);
            auto rate = run.counters.find("records/s");
            if (rate == run.counters.end()) {
                rate = run.counters.find(kOperationRate);
            }
            if (run.run_type != Run::RT_Iteration || run.error_occurred || it == m_names.end() ||
                rate == run.counters.end()) {
                continue;
            }
            m_rates[it->second] = rate->second.value;
        }
    }

    void printRatios() const
    {
        std::printf("\nTime through the engine as a multiple of the ideal single read (lower is better),\n"
                    "and the rates in millions of records per second\n");
        std::printf("%9s  %11s  %10s  %9s  %9s  %9s\n", "records", "count/ideal", "walk/ideal", "count M/s",
                    "walk M/s", "ideal M/s");
        for (const std::uint32_t records : kSizes) {
            const double ideal = rate(Kind::Ideal, records);
            const double count = rate(Kind::Count, records);
            const double walk = rate(Kind::Walk, records);
            std::printf("%9u  %11s  %10s  %9s  %9s  %9s\n", records, ratio(ideal, count).c_str(),
                        ratio(ideal, walk).c_str(), millions(count).c_str(), millions(walk).c_str(),
                        millions(ideal).c_str());
        }

        std::printf("\nAppending Keno draws (blank record, 20 numbers put as text, append under the append\n"
                    "lock) as a multiple of the time of plain positioned writes of the same record bytes,\n"
                    "and record lock + unlock pairs against the bare fcntl pair; rates in thousands per second\n");
        std::printf("%-22s  %12s  %10s  %10s\n", "operation", "engine/plain", "engine k/s", "plain k/s");
        const double appends = rate(Kind::Append, kAppendBatch);
        const double rawAppends = rate(Kind::RawAppend, kAppendBatch);
        std::printf("%-22s  %12s  %10s  %10s\n", "append", ratio(rawAppends, appends).c_str(),
                    thousands(appends).c_str(), thousands(rawAppends).c_str());
        const double pairs = rate(Kind::LockPair, 1);
        const double rawPairs = rate(Kind::RawLockPair, 1);
        std::printf("%-22s  %12s  %10s  %10s\n", "record lock + unlock", ratio(rawPairs, pairs).c_str(),
                    thousands(pairs).c_str(), thousands(rawPairs).c_str());
    }

private:
    double rate(Kind kind, std::uint32_t records) const
    {
        const auto it = m_rates.find({kind, records});
        return it == m_rates.end() ? 0.0 : it->second;
    }

    // Time ratio engine/ideal is the inverse of the ratio of their rates.
    static std::string ratio(double idealRate, double engineRate)
    {
        if (idealRate <= 0 || engineRate <= 0) {
            return "-";
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", idealRate / engineRate);
        return text;
    }

    static std::string thousands(double perSecond)
    {
        if (perSecond <= 0) {
            return "-";
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", perSecond / 1e3);
        return text;
    }

    static std::string millions(double perSecond)
    {
        if (perSecond <= 0) {
            return "-";
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", perSecond / 1e6);
        return text;
    }

    std::map<std::string, std::pair<Kind, std::uint32_t>> m_names;
    std::map<std::pair<Kind, std::uint32_t>, double> m_rates;
};

// The three ways must agree on every table before their speeds are worth comparing.
bool agree(const std::string& path, std::uint32_t records, const std::vector<std::vector<int>>& draws)
{
    std::uint64_t expected = 0;
    for (const auto& draw : draws) {
        for (const int n : draw) {
            expected += static_cast<std::uint64_t>(n);
        }
    }
    std::vector<std::uint8_t> buffer;
    const Tally ideal = idealRead(path, buffer);
    const auto table = openTable(path);
    const Tally walked = walkThroughEngine(*table);
    const Tally counted = countThroughEngine(*table);
    if (ideal.records != records || walked.records != records || counted.records != records ||
        ideal.sum != expected || walked.sum != expected) {
        std::fprintf(stderr,
                     "engine: %s disagrees: records %u, ideal %llu, walk %llu, count %llu; "
                     "sum %llu, ideal %llu, walk %llu\n",
                     path.c_str(), records, static_cast<unsigned long long>(ideal.records),
                     static_cast<unsigned long long>(walked.records),
                     static_cast<unsigned long long>(counted.records), static_cast<unsigned long long>(expected),
                     static_cast<unsigned long long>(ideal.sum), static_cast<unsigned long long>(walked.sum));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }

    try {
        testsupport::TempDir dir;
        RatioReporter reporter;
        for (const std::uint32_t records : kSizes) {
            const std::string path = dir.file("keno_" + std::to_string(records) + ".dbf");
            const auto draws = testsupport::makeDrawTable(path, kKenoFields, kKenoNumbers, records, records);
            if (!agree(path, records, draws)) {
                return 1;
            }
            std::string suffix = "/";
            suffix += std::to_string(records);

            reporter.add("exact_count" + suffix, Kind::Count, records);
            benchmark::RegisterBenchmark(("exact_count" + suffix).c_str(), [path, records](benchmark::State& state) {
                const auto table = openTable(path);
                for (auto _ : state) {
                    benchmark::DoNotOptimize(countThroughEngine(*table));
                }
                setRate(state, records);
            })->Unit(benchmark::kMillisecond)->UseRealTime();

            reporter.add("walk_numbers" + suffix, Kind::Walk, records);
            benchmark::RegisterBenchmark(("walk_numbers" + suffix).c_str(), [path, records](benchmark::State& state) {
                const auto table = openTable(path);
                for (auto _ : state) {
                    benchmark::DoNotOptimize(walkThroughEngine(*table));
                }
                setRate(state, records);
            })->Unit(benchmark::kMillisecond)->UseRealTime();

            reporter.add("ideal_read" + suffix, Kind::Ideal, records);
            benchmark::RegisterBenchmark(("ideal_read" + suffix).c_str(), [path, records](benchmark::State& state) {
                std::vector<std::uint8_t> buffer;
                for (auto _ : state) {
                    benchmark::DoNotOptimize(idealRead(path, buffer));
                }
                setRate(state, records);
            })->Unit(benchmark::kMillisecond)->UseRealTime();
        }

        // Appends, each run into a fresh empty table; the table is made and opened untimed.
        const AppendLoad load = makeAppendLoad(dir);
        const std::string appendPath = dir.file("keno_append.dbf");
        if (!appendsAgree(appendPath, load)) {
            return 1;
        }
        const std::string batch = "/" + std::to_string(kAppendBatch);
        reporter.add("append_draws" + batch, Kind::Append, kAppendBatch);
        benchmark::RegisterBenchmark(("append_draws" + batch).c_str(), [&load, appendPath](benchmark::State& state) {
            for (auto _ : state) {
                state.PauseTiming();
                resetTable(appendPath, load);
                auto table = std::make_unique<DBFObject>(appendPath, "", true, true);
                state.ResumeTiming();
                appendThroughEngine(*table, load);
                state.PauseTiming();
                table.reset();
                state.ResumeTiming();
            }
            setOperationRate(state, kAppendBatch);
        })->Unit(benchmark::kMillisecond)->UseRealTime();

        reporter.add("plain_append" + batch, Kind::RawAppend, kAppendBatch);
        benchmark::RegisterBenchmark(("plain_append" + batch).c_str(), [&load, appendPath](benchmark::State& state) {
            std::string scratch;
            for (auto _ : state) {
                state.PauseTiming();
                resetTable(appendPath, load);
                const int fd = open(appendPath.c_str(), O_RDWR);
                state.ResumeTiming();
                if (fd < 0) {
                    state.SkipWithError("cannot open the table");
                    break;
                }
                appendPlain(fd, load, scratch);
                state.PauseTiming();
                close(fd);
                state.ResumeTiming();
            }
            setOperationRate(state, kAppendBatch);
        })->Unit(benchmark::kMillisecond)->UseRealTime();

        // Lock and unlock of one record of a shared table, as an edit in a data window takes it.
        const std::string lockPath = dir.file("keno_" + std::to_string(kSizes.front()) + ".dbf");
        reporter.add("record_lock_unlock", Kind::LockPair, 1);
        benchmark::RegisterBenchmark("record_lock_unlock", [lockPath](benchmark::State& state) {
            DBFObject table(lockPath, "", true, true);
            table.readRecord(table.recordCount() / 2);
            for (auto _ : state) {
                if (!table.lockCurrentRecord() || !table.unlock()) {
                    state.SkipWithError("the record lock was refused");
                    break;
                }
            }
            setOperationRate(state, 1);
        })->UseRealTime();

        reporter.add("plain_fcntl_lock_unlock", Kind::RawLockPair, 1);
        benchmark::RegisterBenchmark("plain_fcntl_lock_unlock", [lockPath](benchmark::State& state) {
            std::uint32_t offset = 0;
            {
                DBFObject table(lockPath, "", false, true);
                table.recordLockOffset(table.recordCount() / 2, offset);
            }
            const int fd = open(lockPath.c_str(), O_RDWR);
            for (auto _ : state) {
                if (fd < 0 || !fcntlLock(fd, F_WRLCK, offset) || !fcntlLock(fd, F_UNLCK, offset)) {
                    state.SkipWithError("the fcntl lock was refused");
                    break;
                }
            }
            if (fd >= 0) {
                close(fd);
            }
            setOperationRate(state, 1);
        })->UseRealTime();

        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        reporter.printRatios();
    } catch (const Exception& e) {
        std::fprintf(stderr, "engine: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "engine: %s\n", e.what());
        return 1;
    }
    return 0;
}
