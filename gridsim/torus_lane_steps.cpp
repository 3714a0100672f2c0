#include <type_traits>

#include "lane_sweep.h"
#include "torus_fast.h"
#include "torus_lane.h"

namespace torus {

void torus_run_lane(const TorusLaneRun* runs, int lane_runs, int32_t n_columns, int32_t m_rows) {
    const VectorWidth width = vector_width_available();
    core::LaneRun frame[core::kLaneRuns];
    for (int r = 0; r < lane_runs; ++r) {
        frame[r] = core::LaneRun{runs[r].state, runs[r].params.model.mutation_rate, runs[r].steps, runs[r].mean_levels};
    }
    const auto plain_step = [&](int r) { torus_step(*runs[r].state, n_columns, m_rows, runs[r].params); };
    const auto lane_step = [&](const auto& active, core::FastUniform* fast, const uint32_t* attempt_below) {
        constexpr int N = std::extent_v<std::remove_reference_t<decltype(active)>>;
        for (int k = 0; k < N; ++k) {
            torus_choose_fast(*runs[active[k]].state, fast[active[k]], n_columns, m_rows, runs[active[k]].params,
                              width);
        }
        core::LaneSweep sweeps[N];
        AscendingSite at[N] = {};
        for (int k = 0; k < N; ++k) {
            const int r = active[k];
            core::ModelState& s = *runs[r].state;
            sweeps[k] = core::LaneSweep{&fast[r], torus_sweep_lattice(s, n_columns, m_rows),
                                        runs[r].params.model.levels, attempt_below[r], &s.level_sum};
        }
        core::lane_mutation_sweeps(sweeps, [&](int k, int32_t i) {
            const TorusLaneRun& run = runs[active[k]];
            const core::ModelParams& m = run.params.model;
            advance_to(at[k], i, m_rows);
            torus_refresh_scores_fast(run.state->scores, run.state->traits, at[k].column, at[k].row, n_columns,
                                      m_rows, m.intercept, m.slope, run.params.payoff_mode, width);
        });
    };
    core::run_lane_fast(frame, lane_runs, n_columns * m_rows, plain_step, lane_step);
}

}  // namespace torus
