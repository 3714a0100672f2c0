#include <type_traits>

#include "fast_draws.h"
#include "lane_sweep.h"
#include "ring_fast.h"
#include "ring_lane.h"

namespace ring {
namespace {
// ring_choose_fast on the runs active[0 .. N - 1], their draws and
// observations taken in turn so that the core overlaps the runs' Gaussian
// draws and tallies. Each run makes exactly its own steps in its own order:
// its left walk, then its right walk, then its choice.
template <int N>
void ring_choose_lane(const RingLaneRun* runs, const int (&active)[N], core::FastUniform* fast, int32_t count) {
    int32_t focal[N], own[N], left[N], right[N];
    int32_t walk = 0;  // the longest walk
    for (int k = 0; k < N; ++k) {
        core::ModelState& state = *runs[active[k]].state;
        const core::ModelParams& m = runs[active[k]].params.model;
        core::tally_reset(state.tally, m.levels);
        focal[k] = static_cast<int32_t>(core::fast_uniform_next(fast[active[k]]) * static_cast<double>(count)) % count;
        own[k] = state.traits[focal[k]];
        core::tally_add(state.tally, own[k], core::fitness_now(state, focal[k], m));
        left[k] = right[k] = focal[k];
        walk = runs[active[k]].params.radius > walk ? runs[active[k]].params.radius : walk;
    }
    const auto observe = [&](int k, int32_t& j, int32_t direction) {
        core::ModelState& state = *runs[active[k]].state;
        const core::ModelParams& m = runs[active[k]].params.model;
        j = ring_neighbour(direction, j, count);
        const double observed =
            core::fitness_now(state, j, m) + m.noise * core::fast_gaussian_next(state.gauss, fast[active[k]]);
        core::tally_add(state.tally, state.traits[j], observed);
    };
    for (int32_t s = 0; s < walk; ++s) {
        for (int k = 0; k < N; ++k) {
            if (s < runs[active[k]].params.radius) observe(k, left[k], kRingLeft);
        }
    }
    for (int32_t s = 0; s < walk; ++s) {
        for (int k = 0; k < N; ++k) {
            if (s < runs[active[k]].params.radius) observe(k, right[k], kRingRight);
        }
    }
    for (int k = 0; k < N; ++k) {
        core::ModelState& state = *runs[active[k]].state;
        const core::ModelParams& m = runs[active[k]].params.model;
        core::fast_tally_best(state.tally, m.levels, fast[active[k]], state.best_level);
        if (state.best_level != own[k]) {
            state.traits[focal[k]] = state.best_level;
            state.level_sum += state.best_level - own[k];
            ring_refresh_scores_fast(state.scores, state.traits, focal[k], count, m.intercept, m.slope);
        }
    }
}
}  // namespace

void ring_run_lane(const RingLaneRun* runs, int lane_runs, int32_t sites) {
    core::LaneRun frame[core::kLaneRuns];
    for (int r = 0; r < lane_runs; ++r) {
        frame[r] = core::LaneRun{runs[r].state, runs[r].params.model.mutation_rate, runs[r].steps, runs[r].mean_levels};
    }
    const auto plain_step = [&](int r) { ring_step(*runs[r].state, sites, runs[r].params); };
    const auto lane_step = [&](const auto& active, core::FastUniform* fast, const uint32_t* attempt_below) {
        constexpr int N = std::extent_v<std::remove_reference_t<decltype(active)>>;
        ring_choose_lane<N>(runs, active, fast, sites);
        core::LaneSweep sweeps[N];
        for (int k = 0; k < N; ++k) {
            const int r = active[k];
            core::ModelState& s = *runs[r].state;
            sweeps[k] = core::LaneSweep{&fast[r], core::SweepLattice{s.traits, s.scores, sites, 2},
                                        runs[r].params.model.levels, attempt_below[r], &s.level_sum};
        }
        core::lane_mutation_sweeps(sweeps, [&](int k, int32_t i) {
            const RingLaneRun& run = runs[active[k]];
            ring_refresh_scores_fast(run.state->scores, run.state->traits, i, sites, run.params.model.intercept,
                                     run.params.model.slope);
        });
    };
    core::run_lane_fast(frame, lane_runs, sites, plain_step, lane_step);
}

}  // namespace ring
