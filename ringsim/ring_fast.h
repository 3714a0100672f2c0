// The ring's fast step loop: the run of ring_run, bit for bit, close to the
// speed of the random stream itself.
#pragma once

#include <cstdint>

#include "fast_uniform.h"
#include "ring_model.h"

namespace ring {

// As refresh_scores_around, reading each of the five levels around index once.
void ring_refresh_scores_fast(double* scores, const int32_t* traits, int32_t index, int32_t count, double intercept,
                              double slope);

// As score_all_sites, the sites that do not wrap in a plain loop the
// compiler can vectorise.
void ring_score_all_sites_fast(double* scores, const int32_t* traits, int32_t count, double intercept, double slope);

// The part of a fast step before the mutation sweep: the focal draw, the
// observations, the best level and its adoption (with its refresh).
void ring_choose_fast(core::ModelState& state, core::FastUniform& fast, int32_t count, const RingParams& params);

// As ring_run: the same levels, scores, level_sum, best_level, tally, stream
// and means. Fitness is computed only for the observed sites, when observed
// (nothing changes between the start of a step and its observations), so
// state.fitness is left untouched.
void ring_run_fast(core::ModelState& state, int32_t count, const RingParams& params, int32_t steps,
                   double* mean_levels);

}  // namespace ring
