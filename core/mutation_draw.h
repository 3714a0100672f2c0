// The per-site mutation decision of the sweep.
#pragma once

#include <cstdint>

#include "random_streams.h"

namespace core {

// Returns the change to a site's level: -1, 0 or +1, with the bounds 0 and
// levels - 1 already applied. Draws one uniform, and a second one (the
// direction) when the first lies strictly below mutation_rate; a move blocked
// by a bound still consumes both. A rate <= 0 or NaN never attempts, a rate
// >= 1 always does.
int32_t mutation_draw(UniformRng& rng, double mutation_rate, int32_t level, int32_t levels);

}  // namespace core
