// The draw generator of the sample tables.
#include "analysis/synthetic_draws.h"

#include <algorithm>
#include <numeric>
#include <utility>

std::uint64_t SplitMix64::next() {
    std::uint64_t z = (m_state += kGoldenGamma);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t SplitMix64::below(std::uint64_t bound) {
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
    std::uint64_t value = 0;
    do {
        value = next();
    } while (value >= limit);
    return value % bound;
}

SyntheticDraws::SyntheticDraws(const Game& game) : m_game(game), m_random(game.syntheticSeed) {}

std::vector<int> SyntheticDraws::next() {
    // A partial Fisher-Yates shuffle: the first `picks` places of the pool are the draw.
    std::vector<int> pool(static_cast<std::size_t>(m_game.numbers));
    std::iota(pool.begin(), pool.end(), 1);
    for (int i = 0; i < m_game.fieldsPerDraw; ++i) {
        const auto remaining = static_cast<std::uint32_t>(m_game.numbers - i);
        std::swap(pool[static_cast<std::size_t>(i)], pool[i + m_random.below(remaining)]);
    }
    std::vector<int> drawn(pool.begin(), pool.begin() + m_game.fieldsPerDraw);
    std::sort(drawn.begin(), drawn.end());
    return drawn;
}
