// Benchmarks of the table dataset on Keno tables: the exact RecordCount the grid and the analyses
// ask for, and the First/Next walk of an analysis reading all twenty numbers with AsInteger, each
// against the ideal of one read of the whole file tallied by hand. The closing table shows how
// many times slower than that ideal the dataset is.

#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "dataset/xbase_dataset.h"

namespace {

const std::vector<std::uint32_t> kSizes = {10000, 100000};
const bench::ReadNames kNames{"record_count", "walk_as_integer"};

// A dataset as the Keno windows set one up: shared, exact count, code pages translated.
class DatasetReader : public bench::TableReader {
public:
    explicit DatasetReader(const std::string& path) {
        m_ds.SetName("XbaseDataSet2");
        m_ds.SetTableName(path);
        m_ds.SetExactCount(true);
        m_ds.Open();
    }

    // (a) What the grid and the analyses ask before their loops.
    bench::Tally count() override { return bench::Tally{static_cast<std::uint64_t>(m_ds.RecordCount()), 0}; }

    // (b) What an analysis does: first to last, every number by position as an integer.
    bench::Tally walk() override {
        bench::Tally t;
        m_ds.First();
        while (!m_ds.Eof()) {
            ++t.records;
            for (int f = 0; f < bench::kKenoFields; ++f) {
                t.sum += static_cast<std::uint64_t>(m_ds.Fields(f).AsInteger());
            }
            m_ds.Next();
        }
        return t;
    }

private:
    TXbaseDataSet m_ds;
};

}  // namespace

int main(int argc, char** argv) {
    return bench::runProgram(
        argc, argv, "dataset",
        [](const testsupport::TempDir& dir) {
            // (c), the ideal, comes with the reads.
            return bench::registerReads("dataset", dir, kSizes, kNames,
                                        [](const std::string& path) { return std::make_unique<DatasetReader>(path); });
        },
        [](const bench::RatioReporter& reporter) { bench::printReadRatios(reporter, "the dataset", kSizes, kNames); });
}
