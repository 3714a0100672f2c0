#include "model_gateway.h"

#include <cstddef>
#include <cstdint>

#include "gateway_checks.h"
#include "model_call.h"
#include "scratch_blocks.h"

namespace host {

void run_model_gateway(const models::ModelDescriptor& model, int nlhs, mxArray* plhs[], int nrhs,
                       const mxArray* prhs[]) {
    const arguments::ModelArguments& arguments = model.arguments;
    const char* name = arguments.function;
    check_arg_counts(arguments, nlhs, nrhs);
    check_argument_classes(arguments, prhs);

    // The order of these host calls is each gateway's own.
    const mxArray* traits_argument = prhs[arguments::argument_position(arguments, "traits")];
    const double* source = mxGetPr(traits_argument);
    size_t rows = 0;
    size_t cols = 0;
    if (model.columns_first) {
        cols = mxGetN(traits_argument);
        rows = mxGetM(traits_argument);
    } else {
        rows = mxGetM(traits_argument);
        cols = mxGetN(traits_argument);
    }
    const arguments::ArgumentValues values = checked_argument_values(arguments, prhs);

    models::ModelCall call = models::read_model_call(model, values);
    check_levels_and_steps(name, call.params.levels, call.steps);
    check_model_options(name, call);
    const int32_t sites = checked_site_count(name, arguments.lattice, rows, cols, call.params.levels, call.steps);
    models::set_call_shape(call, rows, cols, sites);
    check_initial_levels(name, source, sites, call.params.levels);
    warn_stream_period(name, sites, call.steps);

    check_call_memory(name, nlhs, call.rows, call.cols, call.steps, call.params.levels);
    double* mean_levels = nullptr;
    int32_t* levels = create_outputs(nlhs, plhs, call.rows, call.cols, call.steps, mean_levels);

    core::ModelState state{};
    start_run(state, call.seed, levels, sites, call.params.levels);
    model.set_up(state, call, source);
    model.run(state, call, call.steps, mean_levels);
    scratch_free(state);
}

}  // namespace host
