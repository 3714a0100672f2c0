#include "fast_draws.h"
#include "fast_run.h"
#include "fast_sweep.h"
#include "ring_fast.h"

namespace ring {
namespace {
// site_score from the level values of a site and of its left and right
// neighbours.
inline double score_between(double left, double own, double right) {
    const double left_term = ((left - own) + 1.0) / 2.0;
    const double right_term = ((right - own) + 1.0) / 2.0;
    return left_term + right_term;
}

void observe_walk(core::ModelState& state, core::FastUniform& fast, int32_t focal, int32_t direction, int32_t count,
                  const RingParams& params) {
    int32_t j = focal;
    for (int32_t k = 0; k < params.radius; ++k) {
        j = ring_neighbour(direction, j, count);
        const double observed = core::fitness_now(state, j, params.model) +
                                params.model.noise * core::fast_gaussian_next(state.gauss, fast);
        core::tally_add(state.tally, state.traits[j], observed);
    }
}

void ring_step_fast(core::ModelState& state, core::FastUniform& fast, int32_t count, const RingParams& params,
                    uint32_t attempt_below) {
    ring_choose_fast(state, fast, count, params);
    const core::ModelParams& m = params.model;
    const core::SweepLattice lattice{state.traits, state.scores, count, 2};
    core::fast_mutation_sweep(fast, lattice, m.levels, attempt_below, state.level_sum, [&](int32_t i) {
        ring_refresh_scores_fast(state.scores, state.traits, i, count, m.intercept, m.slope);
    });
}
}  // namespace

void ring_choose_fast(core::ModelState& state, core::FastUniform& fast, int32_t count, const RingParams& params) {
    const core::ModelParams& m = params.model;
    core::tally_reset(state.tally, m.levels);
    const int32_t focal = static_cast<int32_t>(core::fast_uniform_next(fast) * static_cast<double>(count)) % count;
    const int32_t own = state.traits[focal];
    core::tally_add(state.tally, own, core::fitness_now(state, focal, m));
    observe_walk(state, fast, focal, kRingLeft, count, params);
    observe_walk(state, fast, focal, kRingRight, count, params);

    core::fast_tally_best(state.tally, m.levels, fast, state.best_level);
    if (state.best_level != own) {
        state.traits[focal] = state.best_level;
        state.level_sum += state.best_level - own;
        ring_refresh_scores_fast(state.scores, state.traits, focal, count, m.intercept, m.slope);
    }
}

void ring_refresh_scores_fast(double* scores, const int32_t* traits, int32_t index, int32_t count, double intercept,
                              double slope) {
    // The scores of index and its two neighbours read the sites index - 2 .. index + 2.
    int32_t site[5];
    site[2] = index;
    site[1] = ring_neighbour(kRingLeft, index, count);
    site[0] = ring_neighbour(kRingLeft, site[1], count);
    site[3] = ring_neighbour(kRingRight, index, count);
    site[4] = ring_neighbour(kRingRight, site[3], count);
    double value[5];
    for (int32_t k = 0; k < 5; ++k) value[k] = core::level_value(intercept, slope, traits[site[k]]);
    for (int32_t k = 1; k <= 3; ++k) scores[site[k]] = score_between(value[k - 1], value[k], value[k + 1]);
}

void ring_score_all_sites_fast(double* scores, const int32_t* traits, int32_t count, double intercept, double slope) {
    if (count < 3) {
        score_all_sites(scores, traits, count, intercept, slope);
        return;
    }
    scores[0] = site_score(traits, 0, count, intercept, slope);
    const auto value = [&](int32_t i) { return core::level_value(intercept, slope, traits[i]); };
    for (int32_t i = 1; i < count - 1; ++i) scores[i] = score_between(value(i - 1), value(i), value(i + 1));
    scores[count - 1] = site_score(traits, count - 1, count, intercept, slope);
}

void ring_run_fast(core::ModelState& state, int32_t count, const RingParams& params, int32_t steps,
                   double* mean_levels) {
    core::run_steps_fast(
        state, count, params.model.mutation_rate, steps, mean_levels, [&] { ring_step(state, count, params); },
        [&](core::FastUniform& fast, uint32_t attempt_below) {
            ring_step_fast(state, fast, count, params, attempt_below);
        });
}

}  // namespace ring
