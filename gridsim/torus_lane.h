// The torus's lane loop: up to kLaneRuns independent torus runs of one
// shape stepped together in one thread, each bit for bit as torus_run_fast
// would run it alone.
#pragma once

#include <cstdint>

#include "lane_run.h"
#include "torus_model.h"

namespace torus {

// One torus run of a lane, set up as for torus_run_fast.
struct TorusLaneRun {
    core::ModelState* state;
    TorusParams params;
    int32_t steps;
    double* mean_levels;  // null: not recorded
};

// As torus_run_fast on each of runs[0 .. lane_runs - 1] (lane_runs 1 .. kLaneRuns),
// every run on an m_rows x n_columns torus.
void torus_run_lane(const TorusLaneRun* runs, int lane_runs, int32_t n_columns, int32_t m_rows);

}  // namespace torus
