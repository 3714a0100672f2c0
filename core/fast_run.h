// The frame of both models' fast step loops: plain steps while a
// FastUniform cannot take the stream over, then fast steps on one, and the
// stream handed back at the end.
#pragma once

#include <cstdint>

#include "fast_uniform.h"
#include "model_state.h"
#include "mutation_threshold.h"

namespace core {

// Runs steps steps on a lattice of `sites` sites, recording the mean level
// after each in mean_levels (size steps) unless it is null. plain_step()
// runs one step of the model's plain loop, fast_step(fast, attempt_below)
// one of its fast loop.
template <typename PlainStep, typename FastStep>
void run_steps_fast(ModelState& state, int32_t sites, double mutation_rate, int32_t steps, double* mean_levels,
                    PlainStep&& plain_step, FastStep&& fast_step) {
    int32_t t = 0;
    // Only the seeds +-(2^31 - 1) land here: their first draw is exactly 0
    // and restarts the stream, which one plain step gets past.
    for (; t < steps && !fast_uniform_can_take(state.rng); ++t) {
        plain_step();
        if (mean_levels != nullptr) mean_levels[t] = mean_level(state.level_sum, sites);
    }
    if (t >= steps) return;

    FastUniform fast;
    fast_uniform_begin(fast, state.rng);
    const uint32_t attempt_below = mutation_threshold(mutation_rate);
    for (; t < steps; ++t) {
        fast_step(fast, attempt_below);
        if (mean_levels != nullptr) mean_levels[t] = mean_level(state.level_sum, sites);
    }
    fast_uniform_end(fast, state.rng);
}

}  // namespace core
