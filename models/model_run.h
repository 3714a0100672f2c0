// A checked call run without any host, exactly as the gateway runs it:
// the stream seeded, the scratch blocks of the call's sizes, the model's
// set-up and its step loop. The sweep and the Python binding run calls here.
#pragma once

#include <cstdint>
#include <vector>

#include "model_descriptor.h"

namespace models {

// The scratch blocks of one run, in the gateway's allocation order; they
// are tied to state for as long as this lives. Throws std::bad_alloc.
struct RunScratch {
    std::vector<int32_t> table;
    std::vector<double> scores;
    std::vector<double> fitness;
    std::vector<double> obs_sum;
    std::vector<int32_t> obs_count;

    RunScratch(core::ModelState& state, int32_t sites, int32_t levels);
};

// Seeds the stream, loads the initial levels into final_levels and scores
// them, as the gateway does.
void set_up_run(const ModelCall& call, const double* initial, int32_t* final_levels, core::ModelState& state);

// The whole run of a checked call: final_levels receives call.sites levels,
// mean_levels (null: not recorded) call.steps means.
void run_model_call(const ModelCall& call, const double* initial, int32_t* final_levels, double* mean_levels);

}  // namespace models
