#include "fast_uniform.h"

#include "congruential_jumps.h"

bool fast_uniform_can_take(const UniformRng& rng) {
    if (rng.state > 0 && rng.last != 0) {
        return rng.state < kRngModulus && rng.last > 0 && rng.last < kRngModulus;
    }
    // Not started: uniform_start restarts from -state, or from 1.
    const bool from_magnitude = rng.state < 0 && rng.state != INT32_MIN;
    return !(from_magnitude && rng.state == -kRngModulus);
}

void fast_uniform_begin(FastUniform& fast, UniformRng& rng) {
    uniform_start(rng);
    for (int32_t k = 0; k < kRngTableSize; ++k) {
        fast.slots[k].value = rng.table[k];
        fast.slots[k].next = &fast.slots[static_cast<uint32_t>(rng.table[k]) >> kSlotShift];
    }
    congruential_jump_table(fast.jump, kLookahead);
    fast.ahead_from = rng.state;
    congruential_jumps(fast.jump, rng.state, fast.ahead, kLookahead);
    fast.cursor.slot = &fast.slots[static_cast<uint32_t>(rng.last) >> kSlotShift];
    fast.cursor.ahead = fast.ahead;
    fast.cursor.last = rng.last;
}

void fast_uniform_end(const FastUniform& fast, UniformRng& rng) {
    for (int32_t k = 0; k < kRngTableSize; ++k) rng.table[k] = fast.slots[k].value;
    rng.state = fast.cursor.ahead == fast.ahead ? fast.ahead_from : fast.cursor.ahead[-1];
    rng.last = fast.cursor.last;
}

const int32_t* fast_uniform_refill(FastUniform& fast) {
    fast.ahead_from = fast.ahead[kLookahead - 1];
    congruential_jumps(fast.jump, fast.ahead_from, fast.ahead, kLookahead);
    return fast.ahead;
}
