// The five scratch blocks of one gateway call, taken from the host
// allocator before the first step and given back in allocation order.
#pragma once

#include <cstdint>

#include "model_state.h"

// Allocates the shuffle table, scores, fitness and the tally's sums and
// counts, in that order, and points state at them.
void scratch_allocate(ModelState& state, int32_t sites, int32_t levels);

// Frees the five blocks in the order they were allocated.
void scratch_free(ModelState& state);
