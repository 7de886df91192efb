// Benchmarks of the table dataset on Keno tables: the exact RecordCount the grid and the analyses
// ask for, and the First/Next walk of an analysis reading all twenty numbers with AsInteger, each
// against the ideal of one read of the whole file tallied by hand. The closing table shows how
// many times slower than that ideal the dataset is.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "datawin/xbase_dataset.h"
#include "dbf/constants.h"
#include "platform/exception.h"
#include "tests/support/dbf_image.h"

namespace {

constexpr int kKenoFields = 20;
constexpr int kKenoNumbers = 80;
const std::vector<std::uint32_t> kSizes = {10000, 100000};

struct Tally {
    std::uint64_t records = 0;
    std::uint64_t sum = 0;
};

// (a) What the grid and the analyses ask before their loops.
Tally countThroughDataset(TXbaseDataSet& ds)
{
    return Tally{static_cast<std::uint64_t>(ds.RecordCount()), 0};
}

// (b) What an analysis does: first to last, every number by position as an integer.
Tally walkThroughDataset(TXbaseDataSet& ds)
{
    Tally t;
    ds.First();
    while (!ds.Eof()) {
        ++t.records;
        for (int f = 0; f < kKenoFields; ++f) {
            t.sum += static_cast<std::uint64_t>(ds.Fields(f).AsInteger());
        }
        ds.Next();
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

// A dataset as the Keno windows set one up: shared, exact count, code pages translated.
std::unique_ptr<TXbaseDataSet> openDataSet(const std::string& path)
{
    auto ds = std::make_unique<TXbaseDataSet>();
    ds->SetName("XbaseDataSet2");
    ds->SetTableName(path);
    ds->SetExactCount(true);
    ds->Open();
    return ds;
}

// Rates are taken over wall time (the benchmarks use real time): the engine's reads are system
// calls, and their cost is what the user waits for.
void setRate(benchmark::State& state, std::uint32_t records)
{
    const double done = static_cast<double>(records) * static_cast<double>(state.iterations());
    state.counters["records/s"] = benchmark::Counter(done, benchmark::Counter::kIsRate);
}

enum class Kind { Count, Walk, Ideal };

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
            const auto rate = run.counters.find("records/s");
            if (run.run_type != Run::RT_Iteration || run.error_occurred || it == m_names.end() ||
                rate == run.counters.end()) {
                continue;
            }
            m_rates[it->second] = rate->second.value;
        }
    }

    void printRatios() const
    {
        std::printf("\nTime through the dataset as a multiple of the ideal single read (lower is better),\n"
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
    }

private:
    double rate(Kind kind, std::uint32_t records) const
    {
        const auto it = m_rates.find({kind, records});
        return it == m_rates.end() ? 0.0 : it->second;
    }

    // Time ratio dataset/ideal is the inverse of the ratio of their rates.
    static std::string ratio(double idealRate, double datasetRate)
    {
        if (idealRate <= 0 || datasetRate <= 0) {
            return "-";
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", idealRate / datasetRate);
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
    const auto ds = openDataSet(path);
    const Tally walked = walkThroughDataset(*ds);
    const Tally counted = countThroughDataset(*ds);
    if (ideal.records != records || walked.records != records || counted.records != records ||
        ideal.sum != expected || walked.sum != expected) {
        std::fprintf(stderr,
                     "dataset: %s disagrees: records %u, ideal %llu, walk %llu, count %llu; "
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

            reporter.add("record_count" + suffix, Kind::Count, records);
            benchmark::RegisterBenchmark(("record_count" + suffix).c_str(), [path, records](benchmark::State& state) {
                const auto ds = openDataSet(path);
                for (auto _ : state) {
                    benchmark::DoNotOptimize(countThroughDataset(*ds));
                }
                setRate(state, records);
            })->Unit(benchmark::kMillisecond)->UseRealTime();

            reporter.add("walk_as_integer" + suffix, Kind::Walk, records);
            benchmark::RegisterBenchmark(("walk_as_integer" + suffix).c_str(), [path, records](benchmark::State& state) {
                const auto ds = openDataSet(path);
                for (auto _ : state) {
                    benchmark::DoNotOptimize(walkThroughDataset(*ds));
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

        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        reporter.printRatios();
    } catch (const Exception& e) {
        std::fprintf(stderr, "dataset: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dataset: %s\n", e.what());
        return 1;
    }
    return 0;
}
