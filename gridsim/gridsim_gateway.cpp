// Host entry of gridsim, whose arguments kGridsimArguments in host/model_arguments.h
// describes.
// Reads and checks the arguments, warns when the run outlasts its random
// stream, makes sure the host has the memory the call needs, creates the
// outputs, allocates the scratch blocks, runs the torus model and frees the
// blocks.
#include <cstdint>

#include "gateway_checks.h"
#include "mex_host.h"
#include "model_arguments.h"
#include "scratch_blocks.h"
#include "torus_fast.h"

namespace {
constexpr const ModelArguments& kArguments = kGridsimArguments;
constexpr const char* kName = kArguments.function;
constexpr int kTraits = argument_position(kArguments, "traits");
constexpr int kPayoffMode = argument_position(kArguments, "payoff_mode");
constexpr int kNeighbourhood = argument_position(kArguments, "neighbourhood");
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    check_arg_counts(kArguments, nlhs, nrhs);
    check_argument_classes(kArguments, prhs);

    const double* source = mxGetPr(prhs[kTraits]);
    const size_t cols = mxGetN(prhs[kTraits]);
    const size_t rows = mxGetM(prhs[kTraits]);
    const ArgumentValues arg = checked_argument_values(kArguments, prhs);

    torus::TorusParams params{};
    const SharedArguments shared = shared_arguments(kArguments, arg);
    params.model = shared.model;
    params.payoff_mode = arg.whole[kPayoffMode];
    params.neighbourhood = arg.whole[kNeighbourhood];
    const int32_t steps = shared.steps;
    const int32_t seed = shared.seed;
    check_levels_and_steps(kName, params.model.levels, steps);
    const int32_t sites = checked_site_count(kName, kArguments.lattice, rows, cols, params.model.levels, steps);
    check_initial_levels(kName, source, sites, params.model.levels);
    warn_stream_period(kName, sites, steps);
    const auto m_rows = static_cast<int32_t>(rows);
    const auto n_columns = static_cast<int32_t>(cols);

    check_call_memory(kName, nlhs, m_rows, n_columns, steps, params.model.levels);
    double* mean_levels = nullptr;
    int32_t* traits = create_outputs(nlhs, plhs, m_rows, n_columns, steps, mean_levels);

    ModelState state{};
    start_run(state, seed, traits, sites, params.model.levels);
    state.level_sum = torus::load_traits(traits, source, n_columns, m_rows);
    torus::torus_score_all_sites_fast(state.scores, traits, n_columns, m_rows, params.model.intercept,
                                      params.model.slope, params.payoff_mode, torus::vector_width_available());

    torus::torus_run_fast(state, n_columns, m_rows, params, steps, mean_levels);
    scratch_free(state);
}
