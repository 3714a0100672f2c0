#include "fast_uniform.h"

namespace core {

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
    congruential_sequence(rng.state, fast.ahead, static_cast<int32_t>(kAhead));
    fast.jump = congruential_jump(static_cast<int32_t>(kAhead));
    fast.cursor.slot = &fast.slots[static_cast<uint32_t>(rng.last) >> kSlotShift];
    fast.cursor.ahead = 0;
    fast.cursor.last = rng.last;
}

void fast_uniform_end(const FastUniform& fast, UniformRng& rng) {
    for (int32_t k = 0; k < kRngTableSize; ++k) rng.table[k] = fast.slots[k].value;
    // The state of the last draw is the one before the next draw's state:
    // one step back, by the inverse of 16807 modulo the prime 2^31 - 1,
    // which is 16807^(2^31 - 3) (Fermat).
    const int32_t step_back = congruential_jump(kRngModulus - 2);
    rng.state = modular_product(step_back, fast.ahead[fast.cursor.ahead]);
    rng.last = fast.cursor.last;
}

}  // namespace core
