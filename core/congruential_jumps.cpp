#include "congruential_jumps.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
constexpr int32_t kMultiplier = 16807;
constexpr int32_t kLanes = 8;
}  // namespace

void congruential_jump_table(int32_t* jump, int32_t n) {
    // The first kLanes powers one after another, then kLanes independent
    // chains, each kLanes powers further per link.
    int32_t power = 1;
    for (int32_t k = 0; k < n && k < kLanes; ++k) {
        power = modular_product(power, kMultiplier);
        jump[k] = power;
    }
    for (int32_t k = kLanes; k < n; ++k) jump[k] = modular_product(jump[k - kLanes], jump[kLanes - 1]);
}

void congruential_jumps_portable(const int32_t* jump, int32_t from, int32_t* out, int32_t n) {
    for (int32_t k = 0; k < n; ++k) out[k] = modular_product(jump[k], from);
}

#if defined(__SSE2__)
void congruential_jumps(const int32_t* jump, int32_t from, int32_t* out, int32_t n) {
    // Four products per round: the even and the odd 32-bit lanes each give
    // two 64-bit products, folded as in modular_product; the conditional
    // subtraction compares unsigned values through the sign-flip trick,
    // as SSE2 compares signed lanes only.
    const __m128i state = _mm_set1_epi32(from);
    const __m128i low31 = _mm_set1_epi64x(0x7FFFFFFF);
    const __m128i low32 = _mm_set1_epi64x(0xFFFFFFFF);
    const __m128i modulus = _mm_set1_epi32(0x7FFFFFFF);
    const __m128i sign = _mm_set1_epi32(INT32_MIN);
    const __m128i below_modulus = _mm_set1_epi32(-2);  // (2^31 - 2) with the sign bit flipped
    int32_t k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(jump + k));
        const __m128i even = _mm_mul_epu32(a, state);
        const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), state);
        const __m128i even_folded = _mm_add_epi64(_mm_and_si128(even, low31), _mm_srli_epi64(even, 31));
        const __m128i odd_folded = _mm_add_epi64(_mm_and_si128(odd, low31), _mm_srli_epi64(odd, 31));
        __m128i folded = _mm_or_si128(_mm_and_si128(even_folded, low32), _mm_slli_epi64(odd_folded, 32));
        const __m128i too_big = _mm_cmpgt_epi32(_mm_xor_si128(folded, sign), below_modulus);
        folded = _mm_sub_epi32(folded, _mm_and_si128(too_big, modulus));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), folded);
    }
    congruential_jumps_portable(jump + k, from, out + k, n - k);
}
#else
void congruential_jumps(const int32_t* jump, int32_t from, int32_t* out, int32_t n) {
    congruential_jumps_portable(jump, from, out, n);
}
#endif
