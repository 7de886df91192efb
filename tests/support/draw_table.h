// The one maker of draw tables for the tests and the benchmarks: a game's number fields (numeric,
// width 2, named as the game names them), one record per draw, written byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/game.h"

namespace testsupport {

using Draws = std::vector<std::vector<int>>;

// A number written as this is left blank in its field; it reads as 0.
inline constexpr int kBlankNumber = -1000;

struct DrawTableLayout {
    std::vector<int> deleted;  // 1-based positions of the records marked deleted
    int fieldCount = 0;        // only the first so many number fields; 0: all of the game's
};

// Writes `draws` as a table of the game's number fields, in the order given.
void writeDrawTable(const std::string& path, const Game& game, const Draws& draws, const DrawTableLayout& layout = {});

// Writes `records` draws of distinct numbers of the game, in the order drawn, from a generator
// seeded with `seed`. Returns the draws as written.
Draws makeDrawTable(const std::string& path, const Game& game, std::size_t records, std::uint32_t seed);

}  // namespace testsupport
