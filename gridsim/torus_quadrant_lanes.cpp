#include <cstring>

#include "model_state.h"
#include "torus_refresh_block.h"

#if defined(TORUS_QUADRANT_FOUR_LANES)
#include <immintrin.h>
#endif

namespace torus {
namespace {
// quadrant_score of the block site (a, b), one score at a time.
double block_quadrant_score(const ValueBlock& value, int32_t a, int32_t b) {
    const double own = value[a][b];
    const double around[8] = {value[a][b - 1],     value[a + 1][b - 1], value[a + 1][b], value[a + 1][b + 1],
                              value[a][b + 1],     value[a - 1][b + 1], value[a - 1][b], value[a - 1][b - 1]};
    double t[8];
    for (int32_t d = 0; d < 8; d += 2) {
        t[d] = ((around[d] - own) + 1.0) / 2.0;
        t[d + 1] = ((around[d + 1] - own) + 2.0) / 2.0;
    }
    double total = 0.0;
    for (int32_t k = 0; k < 8; k += 2) {
        const int32_t next = (k + 2) % 8;
        total = total + t[k] * t[next];
        const double e = (t[k] - t[k + 1]) + t[next];
        if (e > 0.0) total = total - e * e / 2.0;
    }
    return total;
}
}  // namespace

void refresh_quadrant_one_lane(double* scores, const int32_t* traits, const BlockIndex& at, double intercept,
                               double slope) {
    ValueBlock value;
    for (int32_t a = 0; a < kBlock; ++a) {
        const int32_t* column = traits + at.column_start[a];
        for (int32_t b = 0; b < kBlock; ++b) value[a][b] = level_value(intercept, slope, column[at.row[b]]);
    }
    for (int32_t a = 1; a <= 3; ++a) {
        for (int32_t b = 1; b <= 3; ++b) scores[at.column_start[a] + at.row[b]] = block_quadrant_score(value, a, b);
    }
}

#if defined(TORUS_QUADRANT_TWO_LANES)
namespace {
// Two sites' values side by side: the vector extension of GCC and clang
// (SSE2 on x86). Each lane gets exactly the IEEE operations that the
// scalar formula gives it.
using Pair = double __attribute__((vector_size(16)));
using PairMask = long long __attribute__((vector_size(16)));

Pair pair_at(const ValueBlock& value, int32_t a, int32_t b) {
    Pair pair;
    std::memcpy(&pair, &value[a][b], sizeof pair);
    return pair;
}

// quadrant_score of two sites, one per lane, from their own level values
// and those of their neighbours in directions 0 .. 7. Multiplying by 0.5
// is exactly dividing by 2.
Pair pair_quadrant_scores(const Pair& own, const Pair (&around)[8]) {
    Pair t[8];
    for (int32_t d = 0; d < 8; d += 2) {
        t[d] = ((around[d] - own) + 1.0) * 0.5;
        t[d + 1] = ((around[d + 1] - own) + 2.0) * 0.5;
    }
    const Pair zero = {0.0, 0.0};
    Pair total = zero;
    for (int32_t k = 0; k < 8; k += 2) {
        const int32_t next = (k + 2) % 8;
        total = total + t[k] * t[next];
        const Pair e = (t[k] - t[k + 1]) + t[next];
        // The corner only where e > 0; elsewhere +0, whose subtraction
        // leaves every value (-0 and NaN included) as it is. No branch:
        // the sign of e is a coin flip.
        const PairMask positive = e > zero;
        const Pair cut = reinterpret_cast<Pair>(reinterpret_cast<PairMask>(e * e * 0.5) & positive);
        total = total - cut;
    }
    return total;
}

// The same for the block sites (a, b) and (a, b + 1).
Pair block_pair_quadrant_scores(const ValueBlock& value, int32_t a, int32_t b) {
    const Pair around[8] = {pair_at(value, a, b - 1),     pair_at(value, a + 1, b - 1), pair_at(value, a + 1, b),
                            pair_at(value, a + 1, b + 1), pair_at(value, a, b + 1),     pair_at(value, a - 1, b + 1),
                            pair_at(value, a - 1, b),     pair_at(value, a - 1, b - 1)};
    return pair_quadrant_scores(pair_at(value, a, b), around);
}

}  // namespace

void refresh_quadrant_two_lanes(double* scores, const int32_t* traits, const BlockIndex& at, double intercept,
                                double slope) {
    ValueBlock value;
    for (int32_t a = 0; a < kBlock; ++a) {
        const int32_t* column = traits + at.column_start[a];
        for (int32_t b = 0; b < kBlock; ++b) value[a][b] = level_value(intercept, slope, column[at.row[b]]);
    }
    // Per column, rows 1 and 2 in one pair and rows 2 and 3 in another.
    for (int32_t a = 1; a <= 3; ++a) {
        double* column = scores + at.column_start[a];
        const Pair upper = block_pair_quadrant_scores(value, a, 1);
        const Pair lower = block_pair_quadrant_scores(value, a, 2);
        column[at.row[1]] = upper[0];
        column[at.row[2]] = upper[1];
        column[at.row[3]] = lower[1];
    }
}

namespace {
using LevelPair = int32_t __attribute__((vector_size(8)));

// The level values of the sites at `levels` and levels + 1.
Pair pair_values(const int32_t* levels, double intercept, double slope) {
    LevelPair pair;
    std::memcpy(&pair, levels, sizeof pair);
    return intercept + slope * __builtin_convertvector(pair, Pair);
}

// refresh_quadrant_two_lanes for an interior site: the vectors come straight from
// the levels in memory, with no block in between (a block written value by
// value and read two at a time would stall the loads).
}  // namespace

void refresh_quadrant_interior_two_lanes(double* scores, const int32_t* traits, int32_t site, int32_t m_rows,
                                         double intercept, double slope) {
    // w[a][b]: values of the sites at column offset a - 2 and row offsets
    // b - 2 and b - 1.
    Pair w[kBlock][4];
    for (int32_t a = 0; a < kBlock; ++a) {
        const int32_t* column = traits + site + (a - 2) * m_rows;
        for (int32_t b = 0; b < 4; ++b) w[a][b] = pair_values(column + b - 2, intercept, slope);
    }
    for (int32_t a = 1; a <= 3; ++a) {
        double* column = scores + site + (a - 2) * m_rows;
        for (int32_t b = 1; b <= 2; ++b) {  // rows -1 and 0, then rows 0 and +1
            const Pair around[8] = {w[a][b - 1],     w[a + 1][b - 1], w[a + 1][b], w[a + 1][b + 1],
                                    w[a][b + 1],     w[a - 1][b + 1], w[a - 1][b], w[a - 1][b - 1]};
            const Pair score = pair_quadrant_scores(w[a][b], around);
            if (b == 1) column[-1] = score[0];
            column[b - 1] = score[1];
        }
    }
}

#endif

#if defined(TORUS_QUADRANT_FOUR_LANES)
namespace {
// The same with four lanes: AVX, chosen at run time. One vector holds four
// consecutive rows of one column (the fourth lane is padding, never
// stored), so three vectors cover the nine scores. Each lane again gets
// exactly the operations of the scalar formula, in the same order.
using Quad = double __attribute__((vector_size(32)));
using QuadMask = long long __attribute__((vector_size(32)));

__attribute__((target("avx"))) inline Quad quad_quadrant_scores(const Quad& own, const Quad (&around)[8]) {
    Quad t[8];
    for (int32_t d = 0; d < 8; d += 2) {
        t[d] = ((around[d] - own) + 1.0) * 0.5;
        t[d + 1] = ((around[d + 1] - own) + 2.0) * 0.5;
    }
    const Quad zero = {0.0, 0.0, 0.0, 0.0};
    Quad total = zero;
    for (int32_t k = 0; k < 8; k += 2) {
        const int32_t next = (k + 2) % 8;
        total = total + t[k] * t[next];
        const Quad e = (t[k] - t[k + 1]) + t[next];
        const QuadMask positive = e > zero;
        const Quad cut = reinterpret_cast<Quad>(reinterpret_cast<QuadMask>(e * e * 0.5) & positive);
        total = total - cut;
    }
    return total;
}

// w[a][b]: values of the sites at column offset a - 2 and row offsets
// b - 2 .. b + 1; stores the scores of the 3 x 3 sites around the centre.
__attribute__((target("avx"))) inline void store_quad_scores(double* scores, const int32_t (&column_start)[kBlock],
                                                             const int32_t (&row)[kBlock], const Quad (&w)[kBlock][3]) {
    for (int32_t a = 1; a <= 3; ++a) {
        const Quad around[8] = {w[a][0], w[a + 1][0], w[a + 1][1], w[a + 1][2],
                                w[a][2], w[a - 1][2], w[a - 1][1], w[a - 1][0]};
        const Quad score = quad_quadrant_scores(w[a][1], around);
        double* column = scores + column_start[a];
        column[row[1]] = score[0];
        column[row[2]] = score[1];
        column[row[3]] = score[2];
    }
}

}  // namespace

__attribute__((target("avx"))) void refresh_quadrant_four_lanes(double* scores, const int32_t* traits,
                                                               const BlockIndex& at, double intercept,
                                                               double slope) {
    constexpr int32_t kRows = kBlock + 1;  // a padding row for the fourth lane's neighbours
    double value[kBlock][kRows];
    for (int32_t a = 0; a < kBlock; ++a) {
        const int32_t* column = traits + at.column_start[a];
        for (int32_t b = 0; b < kBlock; ++b) value[a][b] = level_value(intercept, slope, column[at.row[b]]);
        value[a][kBlock] = 0.0;
    }
    Quad w[kBlock][3];
    for (int32_t a = 0; a < kBlock; ++a) {
        for (int32_t b = 0; b < 3; ++b) std::memcpy(&w[a][b], &value[a][b], sizeof w[a][b]);
    }
    store_quad_scores(scores, at.column_start, at.row, w);
}

// As refresh_quadrant_interior, four lanes; the padding lane reads one row
// further down, which must lie inside the lattice too. Its score is that
// site's own quadrant score from the current levels, so each column is
// stored whole: rewriting a score with its current value changes nothing.
__attribute__((target("avx"))) void refresh_quadrant_interior_four_lanes(double* scores, const int32_t* traits,
                                                                        int32_t column, int32_t row, int32_t m_rows,
                                                                        double intercept, double slope) {
    const int32_t centre = column * m_rows + row;
    Quad w[kBlock][3];
    for (int32_t a = 0; a < kBlock; ++a) {
        for (int32_t b = 0; b < 3; ++b) {
            const int32_t* levels = traits + centre + (a - 2) * m_rows + b - 2;
            w[a][b] = intercept + slope * _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(levels)));
        }
    }
    for (int32_t a = 1; a <= 3; ++a) {
        const Quad around[8] = {w[a][0], w[a + 1][0], w[a + 1][1], w[a + 1][2],
                                w[a][2], w[a - 1][2], w[a - 1][1], w[a - 1][0]};
        const Quad score = quad_quadrant_scores(w[a][1], around);
        std::memcpy(scores + centre + (a - 2) * m_rows - 1, &score, sizeof score);
    }
}
#endif

}  // namespace torus
