// The synthetic draws of sample tables, as the companion's `create --sample` appends them: the
// draw history's, under the companion's names.
#pragma once

#include "history/synthetic_draws.h"

namespace cli {

using history::SplitMix64;
using history::SyntheticDraws;

}  // namespace cli
