// Long work over the draws as the window runs it: read on the GUI thread, then fed to an
// accumulator on a worker with progress and a cancel.
#pragma once

#include <functional>
#include <string>

#include "analysis/analyses.h"
#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "toolkit/dataset.h"

// The draws of `game` within `window` are read from `dataset` on this thread under the wait
// cursor, then fed to `accumulator` on a worker thread in runs, with a progress dialog titled
// `label(draws)` and a cancel; the caller reads the accumulator back on this thread. False when
// the user cancelled.
bool FeedDrawsWithProgress(const Game& game, TDataSet& dataset, const HistoryWindow& window,
                           DrawAccumulator& accumulator, const std::function<std::string(int draws)>& label);
