// Host entry of ringsim, whose arguments kRingsimArguments in host/model_arguments.h
// describes.
// Reads and checks the arguments, warns when the run outlasts its random
// stream, makes sure the host has the memory the call needs, creates the
// outputs, allocates the scratch blocks, runs the ring model and frees the
// blocks.
#include <cstdint>

#include "gateway_checks.h"
#include "mex_host.h"
#include "model_arguments.h"
#include "ring_fast.h"
#include "scratch_blocks.h"

namespace {
constexpr const ModelArguments& kArguments = kRingsimArguments;
constexpr const char* kName = kArguments.function;
constexpr int kTraits = argument_position(kArguments, "traits");
constexpr int kRadius = argument_position(kArguments, "radius");
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    check_arg_counts(kArguments, nlhs, nrhs);
    check_argument_classes(kArguments, prhs);

    const double* source = mxGetPr(prhs[kTraits]);
    const size_t rows = mxGetM(prhs[kTraits]);
    const size_t cols = mxGetN(prhs[kTraits]);
    const ArgumentValues arg = checked_argument_values(kArguments, prhs);

    ring::RingParams params{};
    const SharedArguments shared = shared_arguments(kArguments, arg);
    params.model = shared.model;
    params.radius = arg.whole[kRadius];
    const int32_t steps = shared.steps;
    const int32_t seed = shared.seed;
    check_levels_and_steps(kName, params.model.levels, steps);
    check_radius(kName, params.radius);
    const int32_t count = checked_site_count(kName, kArguments.lattice, rows, cols, params.model.levels, steps);
    check_initial_levels(kName, source, count, params.model.levels);
    warn_stream_period(kName, count, steps);

    check_call_memory(kName, nlhs, count, 1, steps, params.model.levels);
    double* mean_levels = nullptr;
    int32_t* traits = create_outputs(nlhs, plhs, count, 1, steps, mean_levels);

    ModelState state{};
    start_run(state, seed, traits, count, params.model.levels);
    state.level_sum = ring::load_traits(traits, source, count);
    ring::ring_score_all_sites_fast(state.scores, traits, count, params.model.intercept, params.model.slope);

    ring::ring_run_fast(state, count, params, steps, mean_levels);
    scratch_free(state);
}
