// Host entry of ringsim:
//   [final_traits, mean_levels] = ringsim(traits, intercept, slope, levels,
//                                         radius, noise, mutation_rate, steps, seed)
// Reads and checks the arguments, makes sure the host has the memory the
// call needs, creates the outputs, allocates the scratch blocks, runs the
// ring model and frees the blocks.
#include <cstdint>

#include "gateway_checks.h"
#include "mex_host.h"
#include "ring_fast.h"
#include "scratch_blocks.h"

namespace {
constexpr const char* kName = "ringsim";
constexpr const char* kUsage =
    "[final_traits, mean_levels] = ringsim(traits, intercept, slope, levels, radius, noise, mutation_rate, "
    "steps, seed)";
constexpr const char* kArgNames[] = {"traits", "intercept", "slope", "levels", "radius",
                                     "noise",  "mutation_rate", "steps", "seed"};
constexpr int kInputs = 9;
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    check_arg_counts(kName, nlhs, 2, nrhs, kInputs, kUsage);
    check_real_double_array(kName, prhs[0], kArgNames[0], 0);
    for (int k = 1; k < kInputs; ++k) check_real_scalar(kName, prhs[k], kArgNames[k]);

    const double* source = mxGetPr(prhs[0]);
    const size_t rows = mxGetM(prhs[0]);
    const size_t cols = mxGetN(prhs[0]);
    double arg[kInputs];
    for (int k = 1; k < kInputs; ++k) arg[k] = mxGetScalar(prhs[k]);

    ring::RingParams params{};
    params.model.intercept = arg[1];
    params.model.slope = arg[2];
    params.model.levels = checked_int32(kName, arg[3], kArgNames[3]);
    params.radius = checked_int32(kName, arg[4], kArgNames[4]);
    params.model.noise = arg[5];
    params.model.mutation_rate = arg[6];  // any value is meaningful: <= 0 or NaN never mutates, >= 1 always tries
    const int32_t steps = checked_int32(kName, arg[7], kArgNames[7]);
    const int32_t seed = checked_int32(kName, arg[8], kArgNames[8]);
    check_finite(kName, params.model.intercept, kArgNames[1]);
    check_finite(kName, params.model.slope, kArgNames[2]);
    check_finite(kName, params.model.noise, kArgNames[5]);
    check_levels_and_steps(kName, params.model.levels, steps);
    check_radius(kName, params.radius);
    const int32_t count = checked_site_count(kName, "ring", rows, cols, params.model.levels, steps);
    check_initial_levels(kName, source, count, params.model.levels);

    check_call_memory(kName, nlhs, count, 1, steps, params.model.levels);
    double* mean_levels = nullptr;
    int32_t* traits = create_outputs(nlhs, plhs, count, 1, steps, mean_levels);

    ModelState state{};
    start_run(state, seed, traits, count, params.model.levels);
    state.level_sum = ring::load_traits(traits, source, count);
    ring::score_all_sites(state.scores, traits, count, params.model.intercept, params.model.slope);

    ring::ring_run_fast(state, count, params, steps, mean_levels);
    scratch_free(state);
}
