// The draws of a game's table as lists of numbers, oldest first: what the filters on past draws,
// hot numbers and long absent ones read.
#pragma once

#include <vector>

#include "analysis/draw_reader.h"
#include "analysis/game.h"

namespace wheel {

std::vector<std::vector<int>> PastDraws(const Game& game, TDataSet& dataset, const HistoryWindow& window = {});

}  // namespace wheel
