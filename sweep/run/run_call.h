// Making a checked run of either model exactly as the gateway does, alone
// (with snapshots if asked) or stepped together with runs of its shape.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plan/model_call.h"

// Runs a checked call exactly as the gateway does, with scratch memory of
// its own. initial holds the sites' levels (all valid), final_levels
// receives the sites' final levels and mean_levels the steps' means.
void execute_run(const CheckedRun& run, const double* initial, int32_t* final_levels, double* mean_levels);

// As execute_run, and keeps the levels after each of the stop_count steps in
// stops (increasing, none past run.steps; 0 keeps the initial levels) in
// snapshots, one lattice after another: each is the first output of the
// same call with steps set to its stop.
void execute_run(const CheckedRun& run, const double* initial, int32_t* final_levels, double* mean_levels,
                 const int32_t* stops, size_t stop_count, int32_t* snapshots);

// Whether two runs can share a lane: one model, one shape.
bool same_lane(const CheckedRun& a, const CheckedRun& b);

// As execute_run (without snapshots) on each of count (1 .. kLaneRuns)
// runs that can share a lane, stepped together in one thread.
void execute_lane(const CheckedRun* runs, const double* const* initial, int32_t* const* final_levels,
                  double* const* mean_levels, int count);
