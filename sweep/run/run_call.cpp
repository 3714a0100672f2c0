#include "run/run_call.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "lane_run.h"

namespace sweep {

namespace {
// The scratch blocks of one run, in the gateway's allocation order.
struct ScratchMemory {
    std::vector<int32_t> table;
    std::vector<double> scores;
    std::vector<double> fitness;
    std::vector<double> obs_sum;
    std::vector<int32_t> obs_count;

    ScratchMemory(core::ModelState& state, int32_t sites, int32_t levels)
        : table(core::kRngTableSize), scores(sites), fitness(sites), obs_sum(levels), obs_count(levels) {
        state.rng.table = table.data();
        state.scores = scores.data();
        state.fitness = fitness.data();
        state.tally.obs_sum = obs_sum.data();
        state.tally.obs_count = obs_count.data();
    }
};

// Seeds the stream, loads the levels into final_levels and scores them, as
// the gateway does.
void set_up_run(const models::ModelCall& call, const double* initial, int32_t* final_levels, core::ModelState& state) {
    core::uniform_seed(state.rng, call.seed);
    state.gauss.has_spare = 0;
    state.traits = final_levels;
    call.model->set_up(state, call, initial);
    state.best_level = 0;
}
}  // namespace

void execute_run(const models::ModelCall& call, const double* initial, int32_t* final_levels, double* mean_levels) {
    execute_run(call, initial, final_levels, mean_levels, nullptr, 0, nullptr);
}

void execute_run(const models::ModelCall& call, const double* initial, int32_t* final_levels, double* mean_levels,
                 const int32_t* stops, size_t stop_count, int32_t* snapshots) {
    core::ModelState state{};
    ScratchMemory scratch(state, call.sites, call.params.levels);
    set_up_run(call, initial, final_levels, state);
    // Steps `from` .. `to` - 1 of the step loop. The loop hands the whole
    // state back at its end (levels, scores, tally, stream, Gaussian spare),
    // so a run made in stretches is the same bits as a run made at once.
    const auto advance = [&](int32_t from, int32_t to) {
        call.model->run(state, call, to - from, mean_levels + from);
    };
    int32_t done = 0;
    for (size_t j = 0; j < stop_count; ++j) {
        advance(done, stops[j]);
        done = stops[j];
        std::copy(final_levels, final_levels + call.sites, snapshots + j * static_cast<size_t>(call.sites));
    }
    advance(done, call.steps);
}

bool same_lane(const models::ModelCall& a, const models::ModelCall& b) {
    return a.model == b.model && a.rows == b.rows && a.cols == b.cols;
}

void execute_lane(const models::ModelCall* calls, const double* const* initial, int32_t* const* final_levels,
                  double* const* mean_levels, int lane_runs) {
    core::ModelState states[core::kLaneRuns]{};
    std::optional<ScratchMemory> scratch[core::kLaneRuns];
    models::LaneCall lane[core::kLaneRuns];
    for (int r = 0; r < lane_runs; ++r) {
        scratch[r].emplace(states[r], calls[r].sites, calls[r].params.levels);
        set_up_run(calls[r], initial[r], final_levels[r], states[r]);
        lane[r] = models::LaneCall{&calls[r], &states[r], mean_levels[r]};
    }
    calls[0].model->run_lane(lane, lane_runs);
}

}  // namespace sweep
