// Writes the two sample draw tables, samples/lotobase.dbf (SuperLoto, 6 of 49) and
// samples/kenobase.dbf (Keno, 20 of 80), byte by byte. The draws are synthetic: a fixed seed and
// our own generator make every run on every machine write the same bytes, so the committed files
// can be checked against a fresh run.
// Usage: make_samples OUTDIR
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <numeric>
#include <string>
#include <vector>

namespace {

// splitmix64: tiny, well mixed, and defined here so no library version can change the draws.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, bound): values from the incomplete last block are drawn again.
    std::uint32_t below(std::uint32_t bound)
    {
        const std::uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
        std::uint64_t value = 0;
        do {
            value = next();
        } while (value >= limit);
        return static_cast<std::uint32_t>(value % bound);
    }

private:
    std::uint64_t m_state;
};

struct Lottery {
    const char* fileName;
    char fieldLetter;  // fields are named <letter>1 .. <letter><picks>
    int picks;
    int highest;
};

constexpr Lottery kSuperLoto{"lotobase.dbf", 'C', 6, 49};
constexpr Lottery kKeno{"kenobase.dbf", 'K', 20, 80};
constexpr int kDraws = 300;
constexpr int kFieldWidth = 2;
constexpr std::uint64_t kSeed = 20261201;
// The header's date of last update: 2026-12-01, year stored modulo 100.
constexpr std::array<std::uint8_t, 3> kUpdateDate{26, 12, 1};
// Language driver mark of the DOS Russian code page (866), the table text's code page.
constexpr std::uint8_t kCodePageMark = 0x65;

void putLe16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void putLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// One draw: `picks` distinct numbers of 1..highest by a partial Fisher-Yates shuffle, in
// ascending order as draw results are listed.
std::vector<int> drawNumbers(SplitMix64& random, const Lottery& lottery)
{
    std::vector<int> pool(static_cast<std::size_t>(lottery.highest));
    std::iota(pool.begin(), pool.end(), 1);
    for (int i = 0; i < lottery.picks; ++i) {
        const auto remaining = static_cast<std::uint32_t>(lottery.highest - i);
        std::swap(pool[static_cast<std::size_t>(i)], pool[i + random.below(remaining)]);
    }
    std::vector<int> drawn(pool.begin(), pool.begin() + lottery.picks);
    std::sort(drawn.begin(), drawn.end());
    return drawn;
}

std::vector<std::uint8_t> tableImage(SplitMix64& random, const Lottery& lottery)
{
    const std::size_t headerLength = 32 + 32 * static_cast<std::size_t>(lottery.picks) + 1;
    const std::size_t recordLength = 1 + kFieldWidth * static_cast<std::size_t>(lottery.picks);
    std::vector<std::uint8_t> bytes(headerLength, 0);

    bytes[0] = 0x03;  // dBase III, no memo
    std::copy(kUpdateDate.begin(), kUpdateDate.end(), bytes.begin() + 1);
    putLe32(bytes, 4, kDraws);
    putLe16(bytes, 8, static_cast<std::uint16_t>(headerLength));
    putLe16(bytes, 10, static_cast<std::uint16_t>(recordLength));
    bytes[29] = kCodePageMark;

    for (int field = 0; field < lottery.picks; ++field) {
        const std::size_t at = 32 + 32 * static_cast<std::size_t>(field);
        const std::string name = lottery.fieldLetter + std::to_string(field + 1);
        std::copy(name.begin(), name.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        bytes[at + 11] = 'N';
        bytes[at + 16] = kFieldWidth;
        bytes[at + 17] = 0;  // decimals
    }
    bytes[headerLength - 1] = 0x0D;

    for (int draw = 0; draw < kDraws; ++draw) {
        bytes.push_back(' ');  // live record
        for (int number : drawNumbers(random, lottery)) {
            char text[kFieldWidth + 1];
            std::snprintf(text, sizeof text, "%*d", kFieldWidth, number);
            bytes.insert(bytes.end(), text, text + kFieldWidth);
        }
    }
    bytes.push_back(0x1A);
    return bytes;
}

bool writeTable(const std::string& directory, SplitMix64& random, const Lottery& lottery)
{
    const std::string path = directory + "/" + lottery.fileName;
    const std::vector<std::uint8_t> bytes = tableImage(random, lottery);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "make_samples: cannot write " << path << '\n';
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_samples OUTDIR\n";
        return 2;
    }
    // One stream for both tables, SuperLoto first: the order is part of what the seed fixes.
    SplitMix64 random(kSeed);
    const std::string directory = argv[1];
    if (!writeTable(directory, random, kSuperLoto) || !writeTable(directory, random, kKeno))
        return 1;
    return 0;
}
