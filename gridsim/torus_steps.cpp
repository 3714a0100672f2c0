#include "mutation_draw.h"
#include "torus_model.h"

namespace torus {

int32_t torus_step(core::ModelState& state, int32_t n_columns, int32_t m_rows, const TorusParams& params) {
    const core::ModelParams& m = params.model;
    compute_fitness(state.fitness, state.traits, state.scores, n_columns, m_rows, m.intercept, m.slope);
    core::tally_reset(state.tally, m.levels);

    // Column first, scaled by the column count; then row, by the row count.
    const int32_t column =
        static_cast<int32_t>(core::uniform_next(state.rng) * static_cast<double>(n_columns)) % n_columns;
    const int32_t row = static_cast<int32_t>(core::uniform_next(state.rng) * static_cast<double>(m_rows)) % m_rows;
    const int32_t focal = column * m_rows + row;
    const int32_t own = state.traits[focal];
    core::tally_add(state.tally, own, state.fitness[focal]);

    const int32_t stride = params.neighbourhood != 0 ? 1 : 2;
    for (int32_t d = 0; d < 8; d += stride) {
        const int32_t j = neighbour_index(d, column, row, n_columns, m_rows);
        const double observed = state.fitness[j] + m.noise * core::gaussian_next(state.gauss, state.rng);
        core::tally_add(state.tally, state.traits[j], observed);
    }

    core::tally_best(state.tally, m.levels, state.rng, state.best_level);
    if (state.best_level != own) {
        state.traits[focal] = state.best_level;
        state.level_sum += state.best_level - own;
        refresh_scores_around(state.scores, state.traits, column, row, n_columns, m_rows, m.intercept, m.slope,
                              params.payoff_mode);
    }

    for (int32_t c = 0; c < n_columns; ++c) {
        for (int32_t r = 0; r < m_rows; ++r) {
            const int32_t i = c * m_rows + r;
            const int32_t d = core::mutation_draw(state.rng, m.mutation_rate, state.traits[i], m.levels);
            if (d == 0) continue;
            state.traits[i] += d;
            state.level_sum += d;
            refresh_scores_around(state.scores, state.traits, c, r, n_columns, m_rows, m.intercept, m.slope,
                                  params.payoff_mode);
        }
    }
    return focal;
}

void torus_run(core::ModelState& state, int32_t n_columns, int32_t m_rows, const TorusParams& params, int32_t steps,
               double* mean_levels) {
    const int32_t sites = n_columns * m_rows;
    for (int32_t s = 0; s < steps; ++s) {
        torus_step(state, n_columns, m_rows, params);
        if (mean_levels != nullptr) mean_levels[s] = core::mean_level(state.level_sum, sites);
    }
}

}  // namespace torus
