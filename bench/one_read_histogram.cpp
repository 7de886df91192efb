// The yardstick of the whole-process benchmark: the Keno histogram of a draw table as a small
// program would compute it with no engine at all: the whole file in one read, the header's
// lengths, each visible record's K1..K20 parsed in place and counted. Prints what
// `sharometr-cli analyze keno histogram --values` prints, so the two can be compared.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bench/one_read.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: one_read_histogram kenobase.dbf\n");
        return 2;
    }
    std::vector<std::uint8_t> file;
    if (!oneread::readWhole(argv[1], file)) {
        std::perror(argv[1]);
        return 1;
    }
    if (file.size() < 32) return 1;
    // K1..K20 are the first twenty fields; their offsets follow from the descriptors' lengths.
    const oneread::FieldPlaces fields = oneread::fieldPlacesOf(file, 20);
    std::int64_t counts[81] = {};
    oneread::eachVisibleRecord(file, [&](const std::uint8_t* record) {
        for (std::size_t f = 0; f < fields.offsets.size(); ++f)
            if (const int value = oneread::numberAt(record, fields.offsets[f], fields.lengths[f]);
                value >= 1 && value <= 80)
                ++counts[value];
    });
    for (int number = 1; number <= 80; ++number)
        std::printf("%d\t%lld\n", number, static_cast<long long>(counts[number]));
    return 0;
}
