// Benchmarks of the storage engine on Keno tables of growing length: the exact count and a walk
// that reads every number, both through the engine, against the ideal of one read of the whole
// file tallied by hand; Keno draws appended through the engine against plain positioned writes
// of the same record bytes; and record lock and unlock pairs against the bare fcntl calls. The
// closing tables show how many times slower than those ideals the engine's paths are.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "dbf/constants.h"
#include "dbf/table_handler.h"
#include "tests/support/draw_table.h"

namespace {

const std::vector<std::uint32_t> kSizes = {1000, 10000, 100000};
const bench::ReadNames kNames{"exact_count", "walk_numbers"};
// Draws appended per timed run, each run into a fresh empty table.
constexpr std::uint32_t kAppendBatch = 1000;

class EngineReader : public bench::TableReader {
public:
    explicit EngineReader(const std::string& path) : m_table(path, "", false, true) { m_table.setUseDeleted(false); }

    // (a) The count the data windows ask for: every visible record read once, deleted ones hidden.
    bench::Tally count() override { return bench::Tally{m_table.exactCount(), 0}; }

    // (b) What an analysis does: first to last, every number field read as a number.
    bench::Tally walk() override {
        bench::Tally t;
        m_table.readRecord(xb::req::kFirst);
        while (!m_table.eof()) {
            ++t.records;
            for (int f = 1; f <= bench::kKenoFields; ++f) {
                t.sum += static_cast<std::uint64_t>(m_table.getNumber(f));
            }
            m_table.readRecord(xb::req::kNext);
        }
        return t;
    }

private:
    DBFObject m_table;
};

// The draws the append benchmarks write: their numbers as text, and the record bytes another
// writer (the tests' table maker) stores for them, which the plain writes copy.
struct AppendLoad {
    std::string emptyTable;  // header, descriptors and end-of-file byte of an empty Keno table
    std::uint32_t headerLength = 0;
    std::uint32_t recordLength = 0;
    std::vector<std::vector<std::string>> numbers;
    std::string records;
};

AppendLoad makeAppendLoad(const testsupport::TempDir& dir) {
    AppendLoad load;
    const std::string emptyPath = dir.file("keno_empty.dbf");
    testsupport::makeDrawTable(emptyPath, kKeno, 0, 1);
    load.emptyTable = testsupport::readFile(emptyPath);
    const auto* header = reinterpret_cast<const std::uint8_t*>(load.emptyTable.data());
    load.headerLength = bench::le16(header + 8);
    load.recordLength = bench::le16(header + 10);

    const std::string drawsPath = dir.file("keno_draws.dbf");
    const auto draws = testsupport::makeDrawTable(drawsPath, kKeno, kAppendBatch, 7);
    for (const auto& draw : draws) {
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
void appendThroughEngine(DBFObject& table, const AppendLoad& load) {
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
void appendPlain(int fd, const AppendLoad& load, std::string& scratch) {
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
void resetTable(const std::string& path, const AppendLoad& load) { testsupport::writeFile(path, load.emptyTable); }

// Both ways of appending must leave the same records before their speeds are worth comparing.
bool appendsAgree(const std::string& path, const AppendLoad& load) {
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

bool fcntlLock(int fd, short type, std::uint32_t offset) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

void printRatios(const bench::RatioReporter& reporter) {
    bench::printReadRatios(reporter, "the engine", kSizes, kNames);

    std::printf(
        "\nAppending Keno draws (blank record, 20 numbers put as text, append under the append\n"
        "lock) as a multiple of the time of plain positioned writes of the same record bytes,\n"
        "and record lock + unlock pairs against the bare fcntl pair; rates in thousands per second\n");
    std::printf("%-22s  %12s  %10s  %10s\n", "operation", "engine/plain", "engine k/s", "plain k/s");
    const std::string batch = "/" + std::to_string(kAppendBatch);
    const double appends = reporter.rate("append_draws" + batch);
    const double rawAppends = reporter.rate("plain_append" + batch);
    std::printf("%-22s  %12s  %10s  %10s\n", "append", bench::rateRatio(rawAppends, appends).c_str(),
                bench::thousands(appends).c_str(), bench::thousands(rawAppends).c_str());
    const double pairs = reporter.rate("record_lock_unlock");
    const double rawPairs = reporter.rate("plain_fcntl_lock_unlock");
    std::printf("%-22s  %12s  %10s  %10s\n", "record lock + unlock", bench::rateRatio(rawPairs, pairs).c_str(),
                bench::thousands(pairs).c_str(), bench::thousands(rawPairs).c_str());
}

bool registerAll(const testsupport::TempDir& dir) {
    if (!bench::registerReads("engine", dir, kSizes, kNames,
                              [](const std::string& path) { return std::make_unique<EngineReader>(path); })) {
        return false;
    }

    // Appends, each run into a fresh empty table; the table is made and opened untimed.
    const auto load = std::make_shared<const AppendLoad>(makeAppendLoad(dir));
    const std::string appendPath = dir.file("keno_append.dbf");
    if (!appendsAgree(appendPath, *load)) {
        return false;
    }
    const std::string batch = "/" + std::to_string(kAppendBatch);
    bench::registerWallClock("append_draws" + batch, [load, appendPath](benchmark::State& state) {
        for (auto _ : state) {
            state.PauseTiming();
            resetTable(appendPath, *load);
            auto table = std::make_unique<DBFObject>(appendPath, "", true, true);
            state.ResumeTiming();
            appendThroughEngine(*table, *load);
            state.PauseTiming();
            table.reset();
            state.ResumeTiming();
        }
        bench::setOperationRate(state, kAppendBatch);
    });

    bench::registerWallClock("plain_append" + batch, [load, appendPath](benchmark::State& state) {
        std::string scratch;
        for (auto _ : state) {
            state.PauseTiming();
            resetTable(appendPath, *load);
            const int fd = open(appendPath.c_str(), O_RDWR);
            state.ResumeTiming();
            if (fd < 0) {
                state.SkipWithError("cannot open the table");
                break;
            }
            appendPlain(fd, *load, scratch);
            state.PauseTiming();
            close(fd);
            state.ResumeTiming();
        }
        bench::setOperationRate(state, kAppendBatch);
    });

    // Lock and unlock of one record of a shared table, as an edit in a data window takes it.
    const std::string lockPath = dir.file("keno_" + std::to_string(kSizes.front()) + ".dbf");
    bench::registerWallClock(
        "record_lock_unlock",
        [lockPath](benchmark::State& state) {
            DBFObject table(lockPath, "", true, true);
            table.readRecord(table.recordCount() / 2);
            for (auto _ : state) {
                if (!table.lockCurrentRecord() || !table.unlock()) {
                    state.SkipWithError("the record lock was refused");
                    break;
                }
            }
            bench::setOperationRate(state, 1);
        },
        benchmark::kNanosecond);

    bench::registerWallClock(
        "plain_fcntl_lock_unlock",
        [lockPath](benchmark::State& state) {
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
            bench::setOperationRate(state, 1);
        },
        benchmark::kNanosecond);
    return true;
}

}  // namespace

int main(int argc, char** argv) { return bench::runProgram(argc, argv, "engine", registerAll, printRatios); }
