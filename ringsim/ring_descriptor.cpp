#include "ring_descriptor.h"

#include "lane_run.h"
#include "ring_fast.h"
#include "ring_lane.h"

namespace models {

namespace {
ring::RingParams ring_params(const ModelCall& call) { return {call.params, call.options[0]}; }

bool ring_option_rules(const ModelCall& call, arguments::ArgumentFault& fault) {
    return arguments::radius_rule(call.options[0], fault);
}

void ring_set_up(core::ModelState& state, const ModelCall& call, const double* initial) {
    state.level_sum = ring::load_traits(state.traits, initial, call.sites);
    ring::ring_score_all_sites_fast(state.scores, state.traits, call.sites, call.params.intercept, call.params.slope);
}

void ring_run(core::ModelState& state, const ModelCall& call, int32_t steps, double* mean_levels) {
    ring::ring_run_fast(state, call.sites, ring_params(call), steps, mean_levels);
}

void ring_run_lane(const LaneCall* runs, int lane_runs) {
    ring::RingLaneRun lane[core::kLaneRuns];
    for (int r = 0; r < lane_runs; ++r) {
        lane[r] = ring::RingLaneRun{runs[r].state, ring_params(*runs[r].call), runs[r].call->steps,
                                    runs[r].mean_levels};
    }
    ring::ring_run_lane(lane, lane_runs, runs[0].call->sites);
}
}  // namespace

const ModelDescriptor kRingModel{"ring",    arguments::kRingsimArguments, 1,           1, false, ring_option_rules,
                                 ring_set_up, ring_run,          ring_run_lane};

}  // namespace models
