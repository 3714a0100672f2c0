// Making a checked call of any model exactly as its gateway does, alone
// (with snapshots if asked) or stepped together with calls of its shape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "model_call.h"

namespace sweep {

// Runs a checked call exactly as the gateway does, with scratch memory of
// its own. initial holds the sites' levels (all valid), final_levels
// receives the sites' final levels and mean_levels the steps' means.
void execute_run(const models::ModelCall& call, const double* initial, int32_t* final_levels, double* mean_levels);

// As execute_run, and keeps the levels after each of the stop_count steps in
// stops (increasing, none past call.steps; 0 keeps the initial levels) in
// snapshots, one lattice after another: each is the first output of the
// same call with steps set to its stop.
void execute_run(const models::ModelCall& call, const double* initial, int32_t* final_levels, double* mean_levels,
                 const int32_t* stops, size_t stop_count, int32_t* snapshots);

// As execute_run, and calls at_stop(j, levels) with the sites' levels after
// each of the stop_count steps in stops (as above).
void execute_run(const models::ModelCall& call, const double* initial, int32_t* final_levels, double* mean_levels,
                 const int32_t* stops, size_t stop_count,
                 const std::function<void(size_t stop, const int32_t* levels)>& at_stop);

// Whether two calls can share a lane: one model, one shape.
bool same_lane(const models::ModelCall& a, const models::ModelCall& b);

// As execute_run (without snapshots) on each of lane_runs (1 .. kLaneRuns)
// calls that can share a lane, stepped together in one thread.
void execute_lane(const models::ModelCall* calls, const double* const* initial, int32_t* const* final_levels,
                  double* const* mean_levels, int lane_runs);

}  // namespace sweep
