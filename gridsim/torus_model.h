// The torus model's step loop: focal draw, noisy observation of four or
// eight neighbours, imitation of the best level, mutation sweep.
#pragma once

#include <cstdint>

#include "model_state.h"
#include "site_arrays.h"
#include "torus_lattice.h"
#include "torus_scores.h"

namespace torus {

// Torus-specific parameters.
struct TorusParams {
    core::ModelParams model;      // parameters shared with the ring
    int32_t payoff_mode;    // 0: linear_score; otherwise quadrant_score
    int32_t neighbourhood;  // 0: observe the four orthogonal neighbours; otherwise all eight
};

// Truncates each source value toward zero into traits, in storage order;
// returns the sum of the levels. Every value must truncate into int32.
inline int64_t load_traits(int32_t* traits, const double* source, int32_t n_columns, int32_t m_rows) {
    return core::load_traits(traits, source, n_columns * m_rows);
}

// One step on an M x N torus (M, N >= 1) whose state holds current scores
// and level_sum. Returns the storage index of the focal site drawn.
int32_t torus_step(core::ModelState& state, int32_t n_columns, int32_t m_rows, const TorusParams& params);

// Runs steps steps, recording the mean level after each in mean_levels
// (size steps) unless it is null.
void torus_run(core::ModelState& state, int32_t n_columns, int32_t m_rows, const TorusParams& params, int32_t steps,
               double* mean_levels);

}  // namespace torus
