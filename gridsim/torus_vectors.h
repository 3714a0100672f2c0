// The score rules written once over the vector width, for the refreshes
// (torus_fast_scores.cpp, torus_quadrant_vectors.cpp) and the scoring of a
// whole lattice (torus_setup_scores.cpp): Values is double for one score at
// a time, or a vector of two or four doubles, one site per element. Each
// element gets exactly the IEEE operations of linear_score and
// quadrant_score, in the same order. Internal to the torus's fast paths.
#pragma once

#include <cstdint>
#include <cstring>

#include "torus_refresh_block.h"

#if defined(__GNUC__)
#define TORUS_VECTOR_INLINE inline __attribute__((always_inline))
#else
#define TORUS_VECTOR_INLINE inline
#endif

namespace torus {

// The two operations that differ between one double and vectors: halving,
// and taking the corner e * e / 2 off the total where e > 0 (NaN leaves the
// quadrant uncorrected). One double divides and branches as quadrant_score
// does (these overloads win over the vector templates below). Values are
// passed by reference throughout: a vector of four must not cross a call
// boundary outside the AVX functions that inline these.
TORUS_VECTOR_INLINE void halve(double& x) { x = x / 2.0; }

TORUS_VECTOR_INLINE void take_corner(double& total, const double& e) {
    if (e > 0.0) {
        double cut = e * e;
        halve(cut);
        total = total - cut;
    }
}

#if defined(TORUS_TWO_WIDE_VECTORS)
// Vectors of sites side by side: the vector extension of GCC and clang.
// Two wide (SSE2 on x86), or four (AVX, chosen at run time): a Quad holds
// four consecutive rows of one column, the fourth element padding, so three
// of them cover the nine scores.
using Pair = double __attribute__((vector_size(16)));
using LevelPair = int32_t __attribute__((vector_size(8)));
#if defined(TORUS_FOUR_WIDE_VECTORS)
using Quad = double __attribute__((vector_size(32)));
#endif

// Multiplying by 0.5 is exactly dividing by 2.
template <typename Vector>
TORUS_VECTOR_INLINE void halve(Vector& x) {
    x = x * 0.5;
}

// The corner only where e > 0; elsewhere +0, whose subtraction leaves every
// value (-0 and NaN included) as it is. No branch: the sign of e is a coin
// flip.
template <typename Vector>
TORUS_VECTOR_INLINE void take_corner(Vector& total, const Vector& e) {
    using Mask = decltype(e > e);  // all ones in the elements where the comparison holds
    Vector cut = e * e;
    halve(cut);
    const Mask positive = e > Vector{};
    total = total - reinterpret_cast<Vector>(reinterpret_cast<Mask>(cut) & positive);
}
#endif

// total = quadrant_score of the sites in own's elements, from their own
// level values and those of their neighbours in directions 0 .. 7. Values{}
// is zero in every element.
template <typename Values>
TORUS_VECTOR_INLINE void quadrant_scores(const Values& own, const Values (&around)[8], Values& total) {
    Values t[8];
    for (int32_t d = 0; d < 8; d += 2) {
        // Diagonal borders sit at x + y = 1 between equal values, hence + 2.
        t[d] = (around[d] - own) + 1.0;
        halve(t[d]);
        t[d + 1] = (around[d + 1] - own) + 2.0;
        halve(t[d + 1]);
    }
    total = Values{};
    for (int32_t k = 0; k < 8; k += 2) {
        const int32_t next = (k + 2) % 8;
        total = total + t[k] * t[next];
        const Values e = (t[k] - t[k + 1]) + t[next];
        take_corner(total, e);
    }
}

// total = linear_score of the sites in own's elements, from their own level
// values and those of their neighbours in directions 0, 2, 4 and 6.
template <typename Values>
TORUS_VECTOR_INLINE void linear_scores(const Values& own, const Values& above, const Values& right,
                                       const Values& below, const Values& left, Values& total) {
    const Values* const around[4] = {&above, &right, &below, &left};
    total = Values{};
    for (const Values* v : around) {
        Values term = (*v - own) + 1.0;
        halve(term);
        total = total + term;
    }
}

// The level values of consecutive sites from `levels` on, one per element:
// intercept + slope * level, as level_value.
TORUS_VECTOR_INLINE void load_values(double& out, const int32_t* levels, double intercept, double slope) {
    out = intercept + slope * static_cast<double>(*levels);
}

#if defined(TORUS_TWO_WIDE_VECTORS)
// The levels that fill a vector of values.
template <typename Vector>
struct LevelsFor;
template <>
struct LevelsFor<Pair> {
    using type = LevelPair;
};
#if defined(TORUS_FOUR_WIDE_VECTORS)
template <>
struct LevelsFor<Quad> {
    using type = int32_t __attribute__((vector_size(16)));
};
#endif

template <typename Vector>
TORUS_VECTOR_INLINE void load_values(Vector& out, const int32_t* levels, double intercept, double slope) {
    typename LevelsFor<Vector>::type whole;
    std::memcpy(&whole, levels, sizeof whole);
    out = intercept + slope * __builtin_convertvector(whole, Vector);
}
#endif

}  // namespace torus
