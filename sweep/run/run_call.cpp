#include "run/run_call.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "ring_fast.h"
#include "ring_lane.h"
#include "torus_fast.h"
#include "torus_lane.h"

namespace {
// The scratch blocks of one run, in the gateway's allocation order.
struct ScratchMemory {
    std::vector<int32_t> table;
    std::vector<double> scores;
    std::vector<double> fitness;
    std::vector<double> obs_sum;
    std::vector<int32_t> obs_count;

    ScratchMemory(ModelState& state, int32_t sites, int32_t levels)
        : table(kRngTableSize), scores(sites), fitness(sites), obs_sum(levels), obs_count(levels) {
        state.rng.table = table.data();
        state.scores = scores.data();
        state.fitness = fitness.data();
        state.tally.obs_sum = obs_sum.data();
        state.tally.obs_count = obs_count.data();
    }
};

// Seeds the stream, loads the levels into final_levels and scores them, as
// the gateway does.
void set_up_run(const CheckedRun& run, const double* initial, int32_t* final_levels, ModelState& state) {
    uniform_seed(state.rng, run.seed);
    state.gauss.has_spare = 0;
    state.traits = final_levels;
    if (run.model == Model::ring) {
        const ModelParams& m = run.ring.model;
        state.level_sum = ring::load_traits(final_levels, initial, run.sites);
        ring::ring_score_all_sites_fast(state.scores, final_levels, run.sites, m.intercept, m.slope);
    } else {
        const ModelParams& m = run.torus.model;
        state.level_sum = torus::load_traits(final_levels, initial, run.cols, run.rows);
        torus::torus_score_all_sites_fast(state.scores, final_levels, run.cols, run.rows, m.intercept, m.slope,
                                          run.torus.payoff_mode, torus::quadrant_lanes_available());
    }
    state.best_level = 0;
}
}  // namespace

void execute_run(const CheckedRun& run, const double* initial, int32_t* final_levels, double* mean_levels) {
    execute_run(run, initial, final_levels, mean_levels, nullptr, 0, nullptr);
}

void execute_run(const CheckedRun& run, const double* initial, int32_t* final_levels, double* mean_levels,
                 const int32_t* stops, size_t stop_count, int32_t* snapshots) {
    ModelState state{};
    ScratchMemory scratch(state, run.sites, run.levels());
    set_up_run(run, initial, final_levels, state);
    // Steps `from` .. `to` - 1 of the fast loop. The loop hands the whole
    // state back at its end (levels, scores, tally, stream, Gaussian spare),
    // so a run made in stretches is the same bits as a run made at once.
    const auto advance = [&](int32_t from, int32_t to) {
        if (run.model == Model::ring) {
            ring::ring_run_fast(state, run.sites, run.ring, to - from, mean_levels + from);
        } else {
            torus::torus_run_fast(state, run.cols, run.rows, run.torus, to - from, mean_levels + from);
        }
    };
    int32_t done = 0;
    for (size_t j = 0; j < stop_count; ++j) {
        advance(done, stops[j]);
        done = stops[j];
        std::copy(final_levels, final_levels + run.sites, snapshots + j * static_cast<size_t>(run.sites));
    }
    advance(done, run.steps);
}

bool same_lane(const CheckedRun& a, const CheckedRun& b) {
    return a.model == b.model && a.rows == b.rows && a.cols == b.cols;
}

void execute_lane(const CheckedRun* runs, const double* const* initial, int32_t* const* final_levels,
                  double* const* mean_levels, int count) {
    ModelState states[kLaneRuns]{};
    std::optional<ScratchMemory> scratch[kLaneRuns];
    ring::RingLaneRun rings[kLaneRuns];
    torus::TorusLaneRun tori[kLaneRuns];
    for (int r = 0; r < count; ++r) {
        scratch[r].emplace(states[r], runs[r].sites, runs[r].levels());
        set_up_run(runs[r], initial[r], final_levels[r], states[r]);
        rings[r] = ring::RingLaneRun{&states[r], runs[r].ring, runs[r].steps, mean_levels[r]};
        tori[r] = torus::TorusLaneRun{&states[r], runs[r].torus, runs[r].steps, mean_levels[r]};
    }
    if (runs[0].model == Model::ring) {
        ring::ring_run_lane(rings, count, runs[0].sites);
    } else {
        torus::torus_run_lane(tori, count, runs[0].cols, runs[0].rows);
    }
}
