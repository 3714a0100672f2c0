#include "run/run_call.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "lane_run.h"
#include "model_run.h"

namespace sweep {

void execute_run(const models::ModelCall& call, const double* initial, int32_t* final_levels, double* mean_levels) {
    execute_run(call, initial, final_levels, mean_levels, nullptr, 0, nullptr);
}

void execute_run(const models::ModelCall& call, const double* initial, int32_t* final_levels, double* mean_levels,
                 const int32_t* stops, size_t stop_count, int32_t* snapshots) {
    const auto sites = static_cast<size_t>(call.sites);
    execute_run(call, initial, final_levels, mean_levels, stops, stop_count,
                [&](size_t j, const int32_t* levels) { std::copy(levels, levels + sites, snapshots + j * sites); });
}

void execute_run(const models::ModelCall& call, const double* initial, int32_t* final_levels, double* mean_levels,
                 const int32_t* stops, size_t stop_count,
                 const std::function<void(size_t stop, const int32_t* levels)>& at_stop) {
    core::ModelState state{};
    models::RunScratch scratch(state, call.sites, call.params.levels);
    models::set_up_run(call, initial, final_levels, state);
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
        at_stop(j, final_levels);
    }
    advance(done, call.steps);
}

bool same_lane(const models::ModelCall& a, const models::ModelCall& b) {
    return a.model == b.model && a.rows == b.rows && a.cols == b.cols;
}

void execute_lane(const models::ModelCall* calls, const double* const* initial, int32_t* const* final_levels,
                  double* const* mean_levels, int lane_runs) {
    core::ModelState states[core::kLaneRuns]{};
    std::optional<models::RunScratch> scratch[core::kLaneRuns];
    models::LaneCall lane[core::kLaneRuns];
    for (int r = 0; r < lane_runs; ++r) {
        scratch[r].emplace(states[r], calls[r].sites, calls[r].params.levels);
        models::set_up_run(calls[r], initial[r], final_levels[r], states[r]);
        lane[r] = models::LaneCall{&calls[r], &states[r], mean_levels[r]};
    }
    calls[0].model->run_lane(lane, lane_runs);
}

}  // namespace sweep
