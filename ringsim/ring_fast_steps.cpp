#include "fast_draws.h"
#include "fast_sweep.h"
#include "ring_fast.h"

namespace {
int32_t left_of(int32_t index, int32_t count) { return index == 0 ? count - 1 : index - 1; }
int32_t right_of(int32_t index, int32_t count) { return index == count - 1 ? 0 : index + 1; }

// The fitness that compute_fitness would have stored at the start of the step.
double fitness_now(const ModelState& state, int32_t site, const ModelParams& m) {
    return level_value(m.intercept, m.slope, state.traits[site]) * state.scores[site];
}

void observe_walk(ModelState& state, FastUniform& fast, int32_t focal, int32_t direction, int32_t count,
                  const RingParams& params) {
    int32_t j = focal;
    for (int32_t k = 0; k < params.radius; ++k) {
        j = direction == kRingLeft ? left_of(j, count) : right_of(j, count);
        const double observed =
            fitness_now(state, j, params.model) + params.model.noise * fast_gaussian_next(state.gauss, fast);
        tally_add(state.tally, state.traits[j], observed);
    }
}

void ring_step_fast(ModelState& state, FastUniform& fast, int32_t count, const RingParams& params,
                    uint32_t attempt_below) {
    const ModelParams& m = params.model;
    tally_reset(state.tally, m.levels);
    const int32_t focal = static_cast<int32_t>(fast_uniform_next(fast) * static_cast<double>(count)) % count;
    const int32_t own = state.traits[focal];
    tally_add(state.tally, own, fitness_now(state, focal, m));
    observe_walk(state, fast, focal, kRingLeft, count, params);
    observe_walk(state, fast, focal, kRingRight, count, params);

    fast_tally_best(state.tally, m.levels, fast, state.best_level);
    if (state.best_level != own) {
        state.traits[focal] = state.best_level;
        state.level_sum += state.best_level - own;
        ring_refresh_scores_fast(state.scores, state.traits, focal, count, m.intercept, m.slope);
    }
    const SweepLattice lattice{state.traits, state.scores, count, 2};
    fast_mutation_sweep(fast, lattice, m.levels, attempt_below, state.level_sum, [&](int32_t i) {
        ring_refresh_scores_fast(state.scores, state.traits, i, count, m.intercept, m.slope);
    });
}
}  // namespace

void ring_refresh_scores_fast(double* scores, const int32_t* traits, int32_t index, int32_t count, double intercept,
                              double slope) {
    // The scores of index and its two neighbours read the sites index - 2 .. index + 2.
    int32_t site[5];
    site[2] = index;
    site[1] = left_of(index, count);
    site[0] = left_of(site[1], count);
    site[3] = right_of(index, count);
    site[4] = right_of(site[3], count);
    double value[5];
    for (int32_t k = 0; k < 5; ++k) value[k] = level_value(intercept, slope, traits[site[k]]);
    for (int32_t k = 1; k <= 3; ++k) {
        const double left_term = ((value[k - 1] - value[k]) + 1.0) / 2.0;
        const double right_term = ((value[k + 1] - value[k]) + 1.0) / 2.0;
        scores[site[k]] = left_term + right_term;
    }
}

void ring_run_fast(ModelState& state, int32_t count, const RingParams& params, int32_t steps, double* mean_levels) {
    int32_t t = 0;
    // Only the seeds +-(2^31 - 1) land here: their first draw is exactly 0
    // and restarts the stream, which one plain step gets past.
    for (; t < steps && !fast_uniform_can_take(state.rng); ++t) {
        ring_step(state, count, params);
        if (mean_levels != nullptr) mean_levels[t] = mean_level(state.level_sum, count);
    }
    if (t >= steps) return;

    FastUniform fast;
    fast_uniform_begin(fast, state.rng);
    const uint32_t attempt_below = mutation_threshold(params.model.mutation_rate);
    for (; t < steps; ++t) {
        ring_step_fast(state, fast, count, params, attempt_below);
        if (mean_levels != nullptr) mean_levels[t] = mean_level(state.level_sum, count);
    }
    fast_uniform_end(fast, state.rng);
}
