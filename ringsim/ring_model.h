// The ring: sites in storage order joined end to start, each scored against
// its left and right neighbours, and the imitation-with-mutation step loop.
#pragma once

#include <cstdint>

#include "model_state.h"
#include "site_arrays.h"

namespace ring {

constexpr int32_t kRingLeft = 0;
constexpr int32_t kRingRight = 1;

// Index of the site next to index in the given direction (0 left, 1 right).
inline int32_t ring_neighbour(int32_t direction, int32_t index, int32_t count) {
    if (direction == kRingLeft) return index == 0 ? count - 1 : index - 1;
    return index == count - 1 ? 0 : index + 1;
}

// The ring's sites are its storage order: load_traits(traits, source, count)
// and compute_fitness(fitness, traits, scores, count, intercept, slope) are
// the shared passes of site_arrays.h.
using core::compute_fitness;
using core::load_traits;

// ((left - own) + 1) / 2 + ((right - own) + 1) / 2 over level values; not
// clamped, so it may be zero or negative.
double site_score(const int32_t* traits, int32_t index, int32_t count, double intercept, double slope);

void score_all_sites(double* scores, const int32_t* traits, int32_t count, double intercept, double slope);

// Recomputes the three scores a change of index can affect: the site, then
// its left neighbour, then its right neighbour.
void refresh_scores_around(double* scores, const int32_t* traits, int32_t index, int32_t count,
                           double intercept, double slope);

// Ring-specific parameters.
struct RingParams {
    core::ModelParams model;  // parameters shared with the torus
    int32_t radius;     // sites observed on each side of the focal site; <= 0 observes none
};

// One step on a ring of count >= 1 sites whose state holds current scores
// and level_sum. Returns the focal site drawn.
int32_t ring_step(core::ModelState& state, int32_t count, const RingParams& params);

// Runs steps steps, recording the mean level after each in mean_levels
// (size steps) unless it is null.
void ring_run(core::ModelState& state, int32_t count, const RingParams& params, int32_t steps, double* mean_levels);

}  // namespace ring
