// The yardstick of bench/tickets.sh: the check of a tickets table against a Keno draw table as a
// small program would do it with no engine at all: both files in one read each, every visible
// draw's K1..K20 parsed in place into a table of the numbers drawn, and each ticket's numbers
// looked up in it. Prints, per ticket, the draws by hits as `sharometr-cli tickets keno check`
// counts them (its observed_h columns), so the two can be compared.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bench/one_read.h"

namespace {

bool readTable(const char* path, std::vector<std::uint8_t>& file) {
    if (!oneread::readWhole(path, file)) {
        std::perror(path);
        return false;
    }
    return file.size() >= 32;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: plain_tickets kenobase.dbf kenotick.dbf\n");
        return 2;
    }
    std::vector<std::uint8_t> draws, ticketFile;
    if (!readTable(argv[1], draws) || !readTable(argv[2], ticketFile)) return 1;
    std::vector<std::vector<int>> tickets;
    const oneread::FieldPlaces ticketFields = oneread::fieldPlacesOf(ticketFile);
    oneread::eachVisibleRecord(ticketFile, [&](const std::uint8_t* record) {
        std::vector<int> numbers;
        for (std::size_t f = 1; f < ticketFields.offsets.size(); ++f)  // NAME first
            if (const int n = oneread::numberAt(record, ticketFields.offsets[f], ticketFields.lengths[f]);
                n >= 1 && n <= 80)
                numbers.push_back(n);
        tickets.push_back(numbers);
    });
    std::vector<std::int64_t> counts(tickets.size() * 11);
    const oneread::FieldPlaces drawFields = oneread::fieldPlacesOf(draws, 20);
    oneread::eachVisibleRecord(draws, [&](const std::uint8_t* record) {
        bool drawn[81] = {};
        for (std::size_t f = 0; f < drawFields.offsets.size(); ++f)
            drawn[oneread::numberAt(record, drawFields.offsets[f], drawFields.lengths[f]) % 81] = true;
        drawn[0] = false;
        for (std::size_t t = 0; t < tickets.size(); ++t) {
            int hits = 0;
            for (const int n : tickets[t]) hits += drawn[n];
            ++counts[t * 11 + static_cast<std::size_t>(hits)];
        }
    });
    for (std::size_t t = 0; t < tickets.size(); ++t) {
        std::printf("%zu", t + 1);
        for (std::size_t h = 0; h <= tickets[t].size(); ++h)
            std::printf("\t%lld", static_cast<long long>(counts[t * 11 + h]));
        std::printf("\n");
    }
    return 0;
}
