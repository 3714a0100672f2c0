// The outputs and the five scratch blocks of one gateway call. Scratch is
// taken from the host allocator before the first step and given back in
// allocation order.
#pragma once

#include <cstdint>

#include "mex_host.h"
#include "model_state.h"

namespace host {

// Raises <function>:outOfMemory, before anything is created, unless the host
// can hold the call's outputs and scratch blocks at once (and, on a host
// that copies the outputs when the call returns, the copies too). The
// message names the array that does not fit and its byte count. mean_levels
// counts only when two outputs are asked for.
void check_call_memory(const char* function, int nlhs, int32_t rows, int32_t cols, int32_t steps, int32_t levels);

// Creates final_traits, a rows x cols int32 array, in plhs[0] and returns
// its data. Creates mean_levels, a steps x 1 double column, in plhs[1] only
// when two outputs are asked for (a one-output call has room for one slot);
// mean_levels is null otherwise.
int32_t* create_outputs(int nlhs, mxArray* plhs[], int32_t rows, int32_t cols, int32_t steps,
                        double*& mean_levels);

// Seeds the stream, empties the Gaussian cache, allocates the scratch
// blocks and points state at traits. best_level starts at level 0, valid for
// every accepted levels; it is adopted only if no level scores above the
// floor in the first step (non-finite fitness).
void start_run(core::ModelState& state, int32_t seed, int32_t* traits, int32_t sites, int32_t levels);

// Allocates the shuffle table, scores, fitness and the tally's sums and
// counts, in that order, and points state at them.
void scratch_allocate(core::ModelState& state, int32_t sites, int32_t levels);

// Frees the five blocks in the order they were allocated.
void scratch_free(core::ModelState& state);

}  // namespace host
