// The ring's lane loop: up to kLaneRuns independent ring runs of one site
// count stepped together in one thread, each bit for bit as ring_run_fast
// would run it alone.
#pragma once

#include <cstdint>

#include "lane_run.h"
#include "ring_model.h"

namespace ring {

// One ring run of a lane, set up as for ring_run_fast.
struct RingLaneRun {
    core::ModelState* state;
    RingParams params;
    int32_t steps;
    double* mean_levels;  // null: not recorded
};

// As ring_run_fast on each of runs[0 .. lane_runs - 1] (lane_runs 1 .. kLaneRuns),
// every run on `sites` sites.
void ring_run_lane(const RingLaneRun* runs, int lane_runs, int32_t sites);

}  // namespace ring
