// Seeded random streams: a shuffled minimal-standard uniform generator and a
// polar-method Gaussian generator that draws from it.
//
// All state lives in records the caller owns; nothing is global. A stream is
// fully determined by its seed and the sequence of calls made on it.
#pragma once

#include <cstdint>

namespace core {

// Uniform generator state.
struct UniformRng {
    int32_t state;   // congruential state; <= 0 means "not started", running: 1 .. 2147483646
    int32_t last;    // value last taken out of the table, selects the next slot; 0 means "not started"
    int32_t* table;  // shuffle table, 32 entries owned by the caller; filled by the warm-up
};

// Gaussian generator cache.
struct GaussianRng {
    int32_t has_spare;  // 1 while spare holds a deviate not yet returned
    double spare;       // second deviate of the last accepted pair
};

constexpr int32_t kRngTableSize = 32;
constexpr int32_t kRngMultiplier = 16807;              // of the congruential generator
constexpr int32_t kRngModulus = 2147483647;            // 2^31 - 1
constexpr double kRngScale = 4.656612875245797e-10;   // 1 / (2^31 - 1) as a double

// Puts the stream in the not-started state with state = -|seed|. The
// magnitude wraps as in 32-bit two's complement, so seed -2147483648 leaves
// state at -2147483648. The table is not touched.
void uniform_seed(UniformRng& rng, int32_t seed);

// One step of the congruential generator: (16807 * state) mod (2^31 - 1),
// by Schrage's factorisation so that nothing leaves 32 bits. State 0 and the
// modulus itself both map to 0.
int32_t congruential_step(int32_t state);

// Warms up a stream that is not started (state <= 0 or last == 0): 40
// congruential steps, the last 32 filling the table, then last = table[0].
// Leaves a running stream alone. Every uniform_next begins with it.
void uniform_start(UniformRng& rng);

// Next uniform deviate in (0, 1). The first draw after seeding warms the
// stream up (40 congruential steps, the last 32 filling the table); every
// later draw costs one congruential step and one table exchange.
double uniform_next(UniformRng& rng);

// Next standard normal deviate (polar Box-Muller). Each accepted pair yields
// two deviates: the one from the second uniform is returned at once, the one
// from the first is cached and returned by the next call. A freshly seeded
// stream (negative state) discards the cache.
double gaussian_next(GaussianRng& gauss, UniformRng& rng);

}  // namespace core
