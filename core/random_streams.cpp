#include "random_streams.h"

#include "exact_fp_guard.h"
#include "polar_gaussian.h"

namespace core {

namespace {
constexpr int32_t kSchrageQuotient = kRngModulus / kRngMultiplier;   // 127773
constexpr int32_t kSchrageRemainder = kRngModulus % kRngMultiplier;  // 2836
constexpr int32_t kSlotDivisor = 67108864;     // 2^26: table value -> slot 0 .. 31
constexpr int32_t kWarmUpSteps = 40;
}  // namespace

void uniform_start(UniformRng& rng) {
    if (rng.state > 0 && rng.last != 0) return;
    // -state would overflow for the most negative value; that state, like
    // zero and any positive state, restarts from 1.
    if (rng.state < 0 && rng.state != INT32_MIN) {
        rng.state = -rng.state;
    } else {
        rng.state = 1;
    }
    for (int32_t counter = kWarmUpSteps - 1; counter >= 0; --counter) {
        rng.state = congruential_step(rng.state);
        if (counter < kRngTableSize) rng.table[counter] = rng.state;
    }
    rng.last = rng.table[0];
}

void uniform_seed(UniformRng& rng, int32_t seed) {
    // -|seed| without calling a magnitude function: negating a non-negative
    // int32 is always defined, and a negative seed already is -|seed| (the
    // most negative value being its own wrapped magnitude).
    rng.state = seed < 0 ? seed : -seed;
    rng.last = 0;
}

int32_t congruential_step(int32_t state) {
    const int32_t k = state / kSchrageQuotient;
    int32_t next = kRngMultiplier * (state - k * kSchrageQuotient) - kSchrageRemainder * k;
    if (next < 0) next += kRngModulus;
    return next;
}

double uniform_next(UniformRng& rng) {
    uniform_start(rng);
    rng.state = congruential_step(rng.state);
    const int32_t slot = rng.last / kSlotDivisor;
    rng.last = rng.table[slot];
    rng.table[slot] = rng.state;
    return static_cast<double>(rng.last) * kRngScale;
}

double gaussian_next(GaussianRng& gauss, UniformRng& rng) {
    if (rng.state < 0) gauss.has_spare = 0;  // a freshly seeded stream drops the old spare
    return polar_gaussian(gauss, [&rng] { return uniform_next(rng); });
}

}  // namespace core
