#include "mutation_draw.h"
#include "ring_model.h"

namespace ring {
namespace {
// Observes radius sites walking from the focal site in one direction; every
// visit, including wraps past the start, is a separate noisy observation.
void observe_walk(core::ModelState& state, int32_t focal, int32_t direction, int32_t count, const RingParams& params) {
    int32_t j = focal;
    for (int32_t k = 0; k < params.radius; ++k) {
        j = ring_neighbour(direction, j, count);
        const double observed = state.fitness[j] + params.model.noise * core::gaussian_next(state.gauss, state.rng);
        core::tally_add(state.tally, state.traits[j], observed);
    }
}
}  // namespace

int32_t ring_step(core::ModelState& state, int32_t count, const RingParams& params) {
    const core::ModelParams& m = params.model;
    compute_fitness(state.fitness, state.traits, state.scores, count, m.intercept, m.slope);
    core::tally_reset(state.tally, m.levels);

    const double u = core::uniform_next(state.rng);
    const int32_t focal = static_cast<int32_t>(u * static_cast<double>(count)) % count;
    const int32_t own = state.traits[focal];
    core::tally_add(state.tally, own, state.fitness[focal]);
    observe_walk(state, focal, kRingLeft, count, params);
    observe_walk(state, focal, kRingRight, count, params);

    core::tally_best(state.tally, m.levels, state.rng, state.best_level);
    if (state.best_level != own) {
        state.traits[focal] = state.best_level;
        state.level_sum += state.best_level - own;
        refresh_scores_around(state.scores, state.traits, focal, count, m.intercept, m.slope);
    }

    for (int32_t i = 0; i < count; ++i) {
        const int32_t d = core::mutation_draw(state.rng, m.mutation_rate, state.traits[i], m.levels);
        if (d == 0) continue;
        state.traits[i] += d;
        state.level_sum += d;
        refresh_scores_around(state.scores, state.traits, i, count, m.intercept, m.slope);
    }
    return focal;
}

void ring_run(core::ModelState& state, int32_t count, const RingParams& params, int32_t steps, double* mean_levels) {
    for (int32_t t = 0; t < steps; ++t) {
        ring_step(state, count, params);
        if (mean_levels != nullptr) mean_levels[t] = core::mean_level(state.level_sum, count);
    }
}

}  // namespace ring
