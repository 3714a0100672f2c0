#include "scratch_blocks.h"

#include <cstddef>

#include "mex_host.h"

int32_t* create_outputs(int nlhs, mxArray* plhs[], int32_t rows, int32_t cols, int32_t steps,
                        double*& mean_levels) {
    const int dims[2] = {rows, cols};
    plhs[0] = mxCreateNumericArray_700(2, dims, mxINT32_CLASS, mxREAL);
    int32_t* traits = host_int32_data(plhs[0]);
    mean_levels = nullptr;
    if (nlhs >= 2) {
        plhs[1] = mxCreateDoubleMatrix_700(steps, 1, mxREAL);
        mean_levels = mxGetPr(plhs[1]);
    }
    return traits;
}

void start_run(ModelState& state, int32_t seed, int32_t* traits, int32_t sites, int32_t levels) {
    uniform_seed(state.rng, seed);
    state.gauss.has_spare = 0;
    scratch_allocate(state, sites, levels);
    state.traits = traits;
    state.best_level = 0;
}

void scratch_allocate(ModelState& state, int32_t sites, int32_t levels) {
    const size_t n = static_cast<size_t>(sites);
    const size_t l = static_cast<size_t>(levels);
    state.rng.table = static_cast<int32_t*>(mxMalloc(kRngTableSize * sizeof(int32_t)));
    state.scores = static_cast<double*>(mxMalloc(n * sizeof(double)));
    state.fitness = static_cast<double*>(mxMalloc(n * sizeof(double)));
    state.tally.obs_sum = static_cast<double*>(mxMalloc(l * sizeof(double)));
    state.tally.obs_count = static_cast<int32_t*>(mxMalloc(l * sizeof(int32_t)));
}

void scratch_free(ModelState& state) {
    mxFree(state.rng.table);
    mxFree(state.scores);
    mxFree(state.fitness);
    mxFree(state.tally.obs_sum);
    mxFree(state.tally.obs_count);
}
