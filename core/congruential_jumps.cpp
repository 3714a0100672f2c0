#include "congruential_jumps.h"

#include "random_streams.h"

namespace core {

namespace {
constexpr int32_t kChains = 8;
}  // namespace

int32_t congruential_jump(int32_t steps) {
    int32_t result = 1, power = kRngMultiplier;
    for (; steps > 0; steps >>= 1) {
        if (steps & 1) result = modular_product(result, power);
        power = modular_product(power, power);
    }
    return result;
}

void congruential_sequence(int32_t from, int32_t* out, int32_t n) {
    int32_t state = from;
    for (int32_t k = 0; k < n && k < kChains; ++k) {
        state = modular_product(kRngMultiplier, state);
        out[k] = state;
    }
    const int32_t jump = congruential_jump(kChains);
    for (int32_t k = kChains; k < n; ++k) out[k] = modular_product(jump, out[k - kChains]);
}

}  // namespace core
