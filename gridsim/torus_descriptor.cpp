#include "torus_descriptor.h"

#include "lane_run.h"
#include "torus_fast.h"
#include "torus_lane.h"

namespace models {

namespace {
torus::TorusParams torus_params(const ModelCall& call) { return {call.params, call.options[0], call.options[1]}; }

bool torus_option_rules(const ModelCall&, arguments::ArgumentFault&) {
    return true;
}  // every payoff_mode and neighbourhood

void torus_set_up(core::ModelState& state, const ModelCall& call, const double* initial) {
    state.level_sum = torus::load_traits(state.traits, initial, call.cols, call.rows);
    torus::torus_score_all_sites_fast(state.scores, state.traits, call.cols, call.rows, call.params.intercept,
                                      call.params.slope, call.options[0], torus::vector_width_available());
}

void torus_run(core::ModelState& state, const ModelCall& call, int32_t steps, double* mean_levels) {
    torus::torus_run_fast(state, call.cols, call.rows, torus_params(call), steps, mean_levels);
}

void torus_run_lane(const LaneCall* runs, int lane_runs) {
    torus::TorusLaneRun lane[core::kLaneRuns];
    for (int r = 0; r < lane_runs; ++r) {
        lane[r] = torus::TorusLaneRun{runs[r].state, torus_params(*runs[r].call), runs[r].call->steps,
                                      runs[r].mean_levels};
    }
    torus::torus_run_lane(lane, lane_runs, runs[0].call->cols, runs[0].call->rows);
}
}  // namespace

const ModelDescriptor kTorusModel{"torus",      arguments::kGridsimArguments, 2,         2, true, torus_option_rules,
                                  torus_set_up, torus_run,         torus_run_lane};

}  // namespace models
