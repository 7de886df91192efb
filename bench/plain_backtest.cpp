// The yardstick of bench/guard.sh's back-test: the "hot" method walked forward over a Keno table
// as a small program would do it with no engine: the file in one read, and for every draw from
// the FROM-th on, the K numbers that fell most often in the draws before it (ties to the lower
// number, kept in order as the counts grow) searched for in it. Prints the hits summed over the tested draws, which
// `sharometr-cli backtest keno hot` must count the same.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/one_read.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: plain_backtest kenobase.dbf K FROM\n");
        return 2;
    }
    std::vector<std::uint8_t> file;
    if (!oneread::readWhole(argv[1], file) || file.size() < 32) {
        std::perror(argv[1]);
        return 1;
    }
    const int k = std::atoi(argv[2]);
    const long from = std::atol(argv[3]);
    const oneread::FieldPlaces fields = oneread::fieldPlacesOf(file, 20);
    // The numbers ordered by their count, the higher first and the lower number first among
    // equals, and each number's place in that order: a draw moves each of its numbers up past
    // those it now outranks, so the k first are always the picks.
    std::array<std::int64_t, 81> counts{};
    std::array<int, 80> order{};
    std::array<int, 81> place{};
    for (int n = 1; n <= 80; ++n) {
        order[n - 1] = n;
        place[n] = n - 1;
    }
    long draw = 0;
    std::int64_t hits = 0;
    oneread::eachVisibleRecord(file, [&](const std::uint8_t* record) {
        std::array<int, 20> numbers{};
        for (std::size_t f = 0; f < fields.offsets.size(); ++f)
            numbers[f] = oneread::numberAt(record, fields.offsets[f], fields.lengths[f]) % 81;
        if (++draw >= from)
            for (const int n : numbers) hits += n != 0 && place[n] < k;
        for (const int n : numbers) {
            if (n == 0) continue;
            ++counts[n];
            for (int at = place[n]; at > 0; --at) {
                const int above = order[at - 1];
                if (counts[above] > counts[n] || (counts[above] == counts[n] && above < n)) break;
                order[at] = above;
                place[above] = at;
                order[at - 1] = n;
                place[n] = at - 1;
            }
        }
    });
    std::printf("%lld\n", static_cast<long long>(hits));
    return 0;
}
