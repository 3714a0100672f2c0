// gaussian_next and tally_best on a FastUniform, and the mutation draw's
// move: the same draws in the same order, the same arithmetic, the same
// results. The mutation draws themselves run in fast_mutation_sweep.
#pragma once

#include <cstdint>

#include "fast_uniform.h"
#include "level_tally.h"
#include "mutation_threshold.h"
#include "random_streams.h"

namespace core {

// As gaussian_next. A FastUniform's stream is running (state > 0), so the
// cache is never discarded here.
double fast_gaussian_next(GaussianRng& gauss, FastUniform& fast);

// As tally_best.
void fast_tally_best(const LevelTally& tally, int32_t levels, FastUniform& fast, int32_t& best_level);

// The change that a move down (down = 1) or up (down = 0) makes to a site
// at `level`: -1, 0 or +1, the bounds applied without a branch (a branch on
// the coin flip would be mispredicted half the time).
inline int32_t mutation_move(int32_t down, int32_t level, int32_t levels) {
    const int32_t free = (down & (level > 0)) | ((down ^ 1) & (level < levels - 1));
    return free * (1 - 2 * down);
}

}  // namespace core
