#include "fast_draws.h"
#include "fast_run.h"
#include "fast_sweep.h"
#include "torus_fast.h"

namespace torus {
namespace {
void torus_step_fast(core::ModelState& state, core::FastUniform& fast, int32_t n_columns, int32_t m_rows,
                     const TorusParams& params, uint32_t attempt_below, VectorWidth width) {
    torus_choose_fast(state, fast, n_columns, m_rows, params, width);
    const core::ModelParams& m = params.model;
    const core::SweepLattice lattice = torus_sweep_lattice(state, n_columns, m_rows);
    AscendingSite at{};
    core::fast_mutation_sweep(fast, lattice, m.levels, attempt_below, state.level_sum, [&](int32_t i) {
        advance_to(at, i, m_rows);
        torus_refresh_scores_fast(state.scores, state.traits, at.column, at.row, n_columns, m_rows, m.intercept,
                                  m.slope, params.payoff_mode, width);
    });
}
}  // namespace

void torus_choose_fast(core::ModelState& state, core::FastUniform& fast, int32_t n_columns, int32_t m_rows,
                       const TorusParams& params, VectorWidth width) {
    const core::ModelParams& m = params.model;
    core::tally_reset(state.tally, m.levels);
    const int32_t column =
        static_cast<int32_t>(core::fast_uniform_next(fast) * static_cast<double>(n_columns)) % n_columns;
    const int32_t row = static_cast<int32_t>(core::fast_uniform_next(fast) * static_cast<double>(m_rows)) % m_rows;
    const int32_t focal = column * m_rows + row;
    const int32_t own = state.traits[focal];
    core::tally_add(state.tally, own, core::fitness_now(state, focal, m));

    const int32_t stride = params.neighbourhood != 0 ? 1 : 2;
    for (int32_t d = 0; d < 8; d += stride) {
        const int32_t j = neighbour_index(d, column, row, n_columns, m_rows);
        const double observed = core::fitness_now(state, j, m) + m.noise * core::fast_gaussian_next(state.gauss, fast);
        core::tally_add(state.tally, state.traits[j], observed);
    }

    core::fast_tally_best(state.tally, m.levels, fast, state.best_level);
    if (state.best_level != own) {
        state.traits[focal] = state.best_level;
        state.level_sum += state.best_level - own;
        torus_refresh_scores_fast(state.scores, state.traits, column, row, n_columns, m_rows, m.intercept, m.slope,
                                  params.payoff_mode, width);
    }
}

void torus_run_fast(core::ModelState& state, int32_t n_columns, int32_t m_rows, const TorusParams& params,
                    int32_t steps, double* mean_levels) {
    const VectorWidth width = vector_width_available();
    core::run_steps_fast(
        state, n_columns * m_rows, params.model.mutation_rate, steps, mean_levels,
        [&] { torus_step(state, n_columns, m_rows, params); },
        [&](core::FastUniform& fast, uint32_t attempt_below) {
            torus_step_fast(state, fast, n_columns, m_rows, params, attempt_below, width);
        });
}

}  // namespace torus
