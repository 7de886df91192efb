// The synthetic draws of the sample tables, as the companion's commands name them.
#pragma once

#include "analysis/synthetic_draws.h"

namespace cli {

using ::SplitMix64;
using ::SyntheticDraws;

}  // namespace cli
