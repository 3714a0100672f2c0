// Host entry of gridsim:
//   [final_traits, mean_levels] = gridsim(traits, intercept, slope, levels, payoff_mode,
//                                         neighbourhood, noise, mutation_rate, steps, seed)
// Reads and checks the arguments, creates the outputs, allocates the
// scratch blocks, runs the torus model and frees the blocks.
#include <cstdint>

#include "gateway_checks.h"
#include "mex_host.h"
#include "scratch_blocks.h"
#include "torus_model.h"

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

    TorusParams params{};
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

    const int dims[2] = {m_rows, n_columns};
    plhs[0] = mxCreateNumericArray_700(2, dims, mxINT32_CLASS, mxREAL);
    int32_t* traits = host_int32_data(plhs[0]);
    // A one-output call gives room for one slot only: the mean column is
    // neither created nor stored then.
    double* mean_levels = nullptr;
    if (nlhs >= 2) {
        plhs[1] = mxCreateDoubleMatrix_700(steps, 1, mxREAL);
        mean_levels = mxGetPr(plhs[1]);
    }

    ModelState state{};
    uniform_seed(state.rng, seed);
    state.gauss.has_spare = 0;
    scratch_allocate(state, sites, params.model.levels);
    state.traits = traits;
    state.level_sum = load_traits(traits, source, n_columns, m_rows);
    score_all_sites(state.scores, traits, n_columns, m_rows, params.model.intercept, params.model.slope,
                    params.payoff_mode);
    // Level 0 is valid for every accepted levels; it is adopted only if no
    // level scores above the floor in the first step (non-finite fitness).
    state.best_level = 0;

    torus_run(state, n_columns, m_rows, params, steps, mean_levels);
    scratch_free(state);
}
