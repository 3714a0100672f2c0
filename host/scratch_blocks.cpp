#include "scratch_blocks.h"

#include <cstddef>

#include "mex_host.h"

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
