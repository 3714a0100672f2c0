// The congruential states far ahead of a given state, computed directly:
// the state k steps after s is (16807^k mod (2^31 - 1)) * s mod (2^31 - 1),
// so a block of coming states is a set of independent products, not a
// chain of dependent steps.
#pragma once

#include <cstdint>

// (a * s) mod (2^31 - 1), exact for a and s in 0 .. 2^31 - 1: the product
// fits 62 bits; since 2^31 is 1 modulo the modulus, folding it at bit 31
// (low 31 bits plus the rest) leaves a value below 2^32 with the same
// residue, and one conditional subtraction finishes. The modulus itself
// maps to 0, as in congruential_step.
inline int32_t modular_product(int32_t a, int32_t s) {
    constexpr uint32_t kModulus = 2147483647u;
    const uint64_t product = static_cast<uint64_t>(static_cast<uint32_t>(a)) * static_cast<uint32_t>(s);
    const uint32_t folded = static_cast<uint32_t>(product & kModulus) + static_cast<uint32_t>(product >> 31);
    return static_cast<int32_t>(folded >= kModulus ? folded - kModulus : folded);
}

// jump[k] = 16807^(k + 1) mod (2^31 - 1) for k = 0 .. n - 1.
void congruential_jump_table(int32_t* jump, int32_t n);

// out[k] = the state k + 1 steps after from, for k = 0 .. n - 1, given
// jump from congruential_jump_table. from must lie in 0 .. 2^31 - 1.
// Uses SSE2 where the build has it; the result never depends on that.
void congruential_jumps(const int32_t* jump, int32_t from, int32_t* out, int32_t n);

// The same, one product at a time (what congruential_jumps falls back to).
void congruential_jumps_portable(const int32_t* jump, int32_t from, int32_t* out, int32_t n);
