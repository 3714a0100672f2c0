// Host entry of gridsim:
//   [final_traits, mean_levels] = gridsim(traits, intercept, slope, levels, payoff_mode,
//                                         neighbourhood, noise, mutation_rate, steps, seed)
// Reads and checks the arguments, makes sure the host has the memory the
// call needs, creates the outputs, allocates the scratch blocks, runs the
// torus model and frees the blocks.
#include <cstdint>

#include "gateway_checks.h"
#include "mex_host.h"
#include "scratch_blocks.h"
#include "torus_fast.h"

namespace {
constexpr const char* kName = "gridsim";
constexpr const char* kUsage =
    "[final_traits, mean_levels] = gridsim(traits, intercept, slope, levels, payoff_mode, neighbourhood, noise, "
    "mutation_rate, steps, seed)";
constexpr const char* kArgNames[] = {"traits",        "intercept", "slope", "levels", "payoff_mode", "neighbourhood",
                                     "noise",         "mutation_rate", "steps", "seed"};
constexpr int kInputs = 10;
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    check_arg_counts(kName, nlhs, 2, nrhs, kInputs, kUsage);
    check_real_double_array(kName, prhs[0], kArgNames[0], 2);
    for (int k = 1; k < kInputs; ++k) check_real_scalar(kName, prhs[k], kArgNames[k]);

    const double* source = mxGetPr(prhs[0]);
    const size_t cols = mxGetN(prhs[0]);
    const size_t rows = mxGetM(prhs[0]);
    double arg[kInputs];
    for (int k = 1; k < kInputs; ++k) arg[k] = mxGetScalar(prhs[k]);

    torus::TorusParams params{};
    params.model.intercept = arg[1];
    params.model.slope = arg[2];
    params.model.levels = checked_int32(kName, arg[3], kArgNames[3]);
    params.payoff_mode = checked_int32(kName, arg[4], kArgNames[4]);
    params.neighbourhood = checked_int32(kName, arg[5], kArgNames[5]);
    params.model.noise = arg[6];
    params.model.mutation_rate = arg[7];  // any value is meaningful: <= 0 or NaN never mutates, >= 1 always tries
    const int32_t steps = checked_int32(kName, arg[8], kArgNames[8]);
    const int32_t seed = checked_int32(kName, arg[9], kArgNames[9]);
    check_finite(kName, params.model.intercept, kArgNames[1]);
    check_finite(kName, params.model.slope, kArgNames[2]);
    check_finite(kName, params.model.noise, kArgNames[6]);
    check_levels_and_steps(kName, params.model.levels, steps);
    const int32_t sites = checked_site_count(kName, "torus", rows, cols, params.model.levels, steps);
    check_initial_levels(kName, source, sites, params.model.levels);
    const auto m_rows = static_cast<int32_t>(rows);
    const auto n_columns = static_cast<int32_t>(cols);

    check_call_memory(kName, nlhs, m_rows, n_columns, steps, params.model.levels);
    double* mean_levels = nullptr;
    int32_t* traits = create_outputs(nlhs, plhs, m_rows, n_columns, steps, mean_levels);

    ModelState state{};
    start_run(state, seed, traits, sites, params.model.levels);
    state.level_sum = torus::load_traits(traits, source, n_columns, m_rows);
    torus::score_all_sites(state.scores, traits, n_columns, m_rows, params.model.intercept, params.model.slope,
                           params.payoff_mode);

    torus::torus_run_fast(state, n_columns, m_rows, params, steps, mean_levels);
    scratch_free(state);
}
