// Per-level pooling of one step's observations and the choice of the level
// with the highest mean observation.
#pragma once

#include <cstdint>

#include "random_streams.h"

namespace core {

// Observations of the current step, per level. Storage belongs to the caller.
struct LevelTally {
    double* obs_sum;     // sum of the values added under each level (size levels)
    int32_t* obs_count;  // number of values added under each level (size levels)
};

// Score of a level with no observations; also the running maximum's start.
constexpr double kEmptyLevelScore = -1.7976931348623157e308;

// Multiplies the uniform added to each non-empty level's mean.
constexpr double kTallyJitterScale = 1e-10;

// Clears levels 0 .. levels - 1; does nothing when levels <= 0.
void tally_reset(LevelTally& tally, int32_t levels);

// Adds one complete observation (fitness plus noise already formed) under a
// level, which must lie in 0 .. levels - 1.
void tally_add(LevelTally& tally, int32_t level, double value);

// Overwrites best_level with the level whose mean plus a jitter in (0, 1e-10)
// is highest; the jitter orders exactly equal means at random. Draws one
// uniform per non-empty level, in ascending order. Leaves best_level as it
// was when no level scores above kEmptyLevelScore (all empty, or NaN and
// -inf means only).
void tally_best(const LevelTally& tally, int32_t levels, UniformRng& rng, int32_t& best_level);

// tally_best with the uniforms from draw_uniform(): shared by the plain and
// the fast streams.
template <typename DrawUniform>
void tally_best_drawing(const LevelTally& tally, int32_t levels, DrawUniform&& draw_uniform, int32_t& best_level) {
    double top = kEmptyLevelScore;
    for (int32_t l = 0; l < levels; ++l) {
        if (tally.obs_count[l] < 1) continue;  // empty: scores kEmptyLevelScore, never beats top
        const double u = draw_uniform();
        const double mean = tally.obs_sum[l] / static_cast<double>(tally.obs_count[l]);
        const double score = mean + kTallyJitterScale * u;
        if (top < score) {  // strict: ties keep the lower level, NaN never wins
            best_level = l;
            top = score;
        }
    }
}

}  // namespace core
