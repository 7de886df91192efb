// Synthetic draws for sample tables: distinct numbers from a fixed seed, the same on every machine
// and every run, so that a table made from them can be checked byte for byte. They are not real
// lottery results. The program's "Новая таблица" and the companion's create both draw them.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/game.h"

// splitmix64: tiny, well mixed, and defined here so that no library version can change the draws.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t state) : m_state(state) {}

    std::uint64_t next();
    // Uniform in [0, bound): values from the incomplete last block are drawn again.
    std::uint64_t below(std::uint64_t bound);

private:
    std::uint64_t m_state;
};

// The draws of one game, from its own fixed starting point.
class SyntheticDraws {
public:
    explicit SyntheticDraws(const Game& game);

    // The next draw: `picks` distinct numbers of 1..highest, in ascending order as draw results
    // are listed.
    std::vector<int> next();

private:
    const Game& m_game;
    SplitMix64 m_random;
};
