#include <type_traits>

#include "lane_sweep.h"
#include "ring_fast.h"
#include "ring_lane.h"

namespace ring {

void ring_run_lane(const RingLaneRun* runs, int count, int32_t sites) {
    LaneRun frame[kLaneRuns];
    for (int r = 0; r < count; ++r) {
        frame[r] = LaneRun{runs[r].state, runs[r].params.model.mutation_rate, runs[r].steps, runs[r].mean_levels};
    }
    const auto plain_step = [&](int r) { ring_step(*runs[r].state, sites, runs[r].params); };
    const auto lane_step = [&](const auto& active, FastUniform* fast, const uint32_t* attempt_below) {
        constexpr int N = std::extent_v<std::remove_reference_t<decltype(active)>>;
        for (int k = 0; k < N; ++k) {
            ring_choose_fast(*runs[active[k]].state, fast[active[k]], sites, runs[active[k]].params);
        }
        LaneSweep sweeps[N];
        for (int k = 0; k < N; ++k) {
            const int r = active[k];
            ModelState& s = *runs[r].state;
            sweeps[k] = LaneSweep{&fast[r], SweepLattice{s.traits, s.scores, sites, 2}, runs[r].params.model.levels,
                                  attempt_below[r], &s.level_sum};
        }
        lane_mutation_sweeps(sweeps, [&](int k, int32_t i) {
            const RingLaneRun& run = runs[active[k]];
            ring_refresh_scores_fast(run.state->scores, run.state->traits, i, sites, run.params.model.intercept,
                                     run.params.model.slope);
        });
    };
    run_lane_fast(frame, count, sites, plain_step, lane_step);
}

}  // namespace ring
