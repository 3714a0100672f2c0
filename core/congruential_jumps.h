// The congruential generator without Schrage's division: the product
// folded modulo 2^31 - 1, and jumps far ahead with a single product (the
// state k steps after s is (16807^k mod (2^31 - 1)) * s mod (2^31 - 1)).
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace core {

// (a * s) mod (2^31 - 1), exact for a and s in 0 .. 2^31 - 1: the product
// fits 62 bits; since 2^31 is 1 modulo the modulus, folding it at bit 31
// (low 31 bits plus the rest) leaves a value below 2^32 with the same
// residue, and one conditional subtraction finishes. The modulus itself
// maps to 0, as in congruential_step.
inline int32_t modular_product(int32_t a, int32_t s) {
    constexpr uint32_t kModulus = 2147483647u;
    const uint64_t product = static_cast<uint64_t>(static_cast<uint32_t>(a)) * static_cast<uint32_t>(s);
    const uint32_t folded = static_cast<uint32_t>(product & kModulus) + static_cast<uint32_t>(product >> 31);
    // A mask, not a conditional: whether folded reaches the modulus is a
    // coin flip, and compilers may turn "?:" into a mispredicted branch.
    const uint32_t subtract = kModulus & (0u - static_cast<uint32_t>(folded >= kModulus));
    return static_cast<int32_t>(folded - subtract);
}

// 16807^steps mod (2^31 - 1): the multiplier that jumps `steps` steps ahead.
int32_t congruential_jump(int32_t steps);

// out[k] = the state k + 1 steps after from, for k = 0 .. n - 1; from in
// 0 .. 2^31 - 1. Eight interleaved chains, each jumping eight steps.
void congruential_sequence(int32_t from, int32_t* out, int32_t n);

// states[k] = (jump * states[k]) mod (2^31 - 1) for k = 0 .. 3, all in
// 0 .. 2^31 - 1: modular_product four times, with SSE2 where the build has
// it (identical results either way).
inline void jump_four_states(int32_t* states, int32_t jump) {
#if defined(__SSE2__)
    // The even and the odd 32-bit elements each give two 64-bit products,
    // folded as in modular_product. SSE2 compares signed elements only, so
    // "folded >= modulus" is tested with the sign bits flipped.
    const __m128i multiplier = _mm_set1_epi32(jump);
    const __m128i low31 = _mm_set1_epi64x(0x7FFFFFFF);
    const __m128i low32 = _mm_set1_epi64x(0xFFFFFFFF);
    const __m128i modulus = _mm_set1_epi32(0x7FFFFFFF);
    const __m128i sign = _mm_set1_epi32(INT32_MIN);
    const __m128i below_modulus = _mm_set1_epi32(-2);  // 2^31 - 2 with its sign bit flipped
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(states));
    const __m128i even = _mm_mul_epu32(s, multiplier);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(s, 32), multiplier);
    const __m128i even_folded = _mm_add_epi64(_mm_and_si128(even, low31), _mm_srli_epi64(even, 31));
    const __m128i odd_folded = _mm_add_epi64(_mm_and_si128(odd, low31), _mm_srli_epi64(odd, 31));
    const __m128i folded = _mm_or_si128(_mm_and_si128(even_folded, low32), _mm_slli_epi64(odd_folded, 32));
    const __m128i too_big = _mm_cmpgt_epi32(_mm_xor_si128(folded, sign), below_modulus);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(states), _mm_sub_epi32(folded, _mm_and_si128(too_big, modulus)));
#else
    for (int32_t k = 0; k < 4; ++k) states[k] = modular_product(jump, states[k]);
#endif
}

}  // namespace core
