#include <cstring>

#include "model_state.h"
#include "torus_vectors.h"
#include "torus_refresh_block.h"

#if defined(TORUS_FOUR_WIDE_VECTORS)
#include <immintrin.h>
#endif

namespace torus {
namespace {
// quadrant_scores for the sites in the elements of w[a][b], where w[a][b]
// holds the values at column offset a and row offset b of a block.
template <typename Values, int32_t kRows>
TORUS_VECTOR_INLINE void quadrant_scores_at(const Values (&w)[kBlock][kRows], int32_t a, int32_t b, Values& total) {
    const Values around[8] = {w[a][b - 1], w[a + 1][b - 1], w[a + 1][b], w[a + 1][b + 1],
                              w[a][b + 1], w[a - 1][b + 1], w[a - 1][b], w[a - 1][b - 1]};
    quadrant_scores(w[a][b], around, total);
}

// value[a][b] for the block's kBlock x kBlock sites; rows past kBlock
// (padding for a vector's last elements) are 0.
template <int32_t kRows>
void fill_block_values(double (&value)[kBlock][kRows], const int32_t* traits, const BlockIndex& at, double intercept,
                       double slope) {
    for (int32_t a = 0; a < kBlock; ++a) {
        const int32_t* column = traits + at.column_start[a];
        for (int32_t b = 0; b < kBlock; ++b) value[a][b] = core::level_value(intercept, slope, column[at.row[b]]);
        for (int32_t b = kBlock; b < kRows; ++b) value[a][b] = 0.0;
    }
}
}  // namespace

void refresh_quadrant_one_wide(double* scores, const int32_t* traits, const BlockIndex& at, double intercept,
                               double slope) {
    ValueBlock value;
    fill_block_values(value, traits, at, intercept, slope);
    for (int32_t a = 1; a <= 3; ++a) {
        for (int32_t b = 1; b <= 3; ++b) {
            double score;
            quadrant_scores_at(value, a, b, score);
            scores[at.column_start[a] + at.row[b]] = score;
        }
    }
}

#if defined(TORUS_TWO_WIDE_VECTORS)
namespace {
// The level values of the sites at `levels` and levels + 1.
Pair pair_values(const int32_t* levels, double intercept, double slope) {
    LevelPair pair;
    std::memcpy(&pair, levels, sizeof pair);
    return intercept + slope * __builtin_convertvector(pair, Pair);
}

// Per column a of w (values at row offsets b - 2 and b - 1 in w[a][b]),
// rows -1 and 0 in one pair and rows 0 and +1 in another; store(a, k, score)
// stores the score of row offset k.
template <typename Store>
void pair_refresh_columns(const Pair (&w)[kBlock][4], Store&& store) {
    for (int32_t a = 1; a <= 3; ++a) {
        Pair upper, lower;
        quadrant_scores_at(w, a, 1, upper);
        quadrant_scores_at(w, a, 2, lower);
        store(a, -1, upper[0]);
        store(a, 0, upper[1]);
        store(a, 1, lower[1]);
    }
}
}  // namespace

void refresh_quadrant_two_wide(double* scores, const int32_t* traits, const BlockIndex& at, double intercept,
                               double slope) {
    ValueBlock value;
    fill_block_values(value, traits, at, intercept, slope);
    Pair w[kBlock][4];
    for (int32_t a = 0; a < kBlock; ++a) {
        for (int32_t b = 0; b < 4; ++b) std::memcpy(&w[a][b], &value[a][b], sizeof w[a][b]);
    }
    pair_refresh_columns(w, [&](int32_t a, int32_t k, double score) {
        scores[at.column_start[a] + at.row[2 + k]] = score;
    });
}

// For an interior site the vectors come straight from the levels in memory,
// with no block in between (a block written value by value and read two at
// a time would stall the loads).
void refresh_quadrant_interior_two_wide(double* scores, const int32_t* traits, int32_t site, int32_t m_rows,
                                        double intercept, double slope) {
    Pair w[kBlock][4];
    for (int32_t a = 0; a < kBlock; ++a) {
        const int32_t* column = traits + site + (a - 2) * m_rows;
        for (int32_t b = 0; b < 4; ++b) w[a][b] = pair_values(column + b - 2, intercept, slope);
    }
    pair_refresh_columns(w, [&](int32_t a, int32_t k, double score) { scores[site + (a - 2) * m_rows + k] = score; });
}
#endif

#if defined(TORUS_FOUR_WIDE_VECTORS)
__attribute__((target("avx"))) void refresh_quadrant_four_wide(double* scores, const int32_t* traits,
                                                              const BlockIndex& at, double intercept, double slope) {
    double value[kBlock][kBlock + 1];  // a padding row for the fourth element's neighbours
    fill_block_values(value, traits, at, intercept, slope);
    Quad w[kBlock][3];
    for (int32_t a = 0; a < kBlock; ++a) {
        for (int32_t b = 0; b < 3; ++b) std::memcpy(&w[a][b], &value[a][b], sizeof w[a][b]);
    }
    for (int32_t a = 1; a <= 3; ++a) {
        Quad score;
        quadrant_scores_at(w, a, 1, score);
        double* column = scores + at.column_start[a];
        column[at.row[1]] = score[0];
        column[at.row[2]] = score[1];
        column[at.row[3]] = score[2];
    }
}

// As refresh_quadrant_interior_two_wide, four wide; the padding element
// reads one row further down, which must lie inside the lattice too. Its
// score is that site's own quadrant score from the current levels, so each
// column is stored whole: rewriting a score with its current value changes
// nothing.
__attribute__((target("avx"))) void refresh_quadrant_interior_four_wide(double* scores, const int32_t* traits,
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
        Quad score;
        quadrant_scores_at(w, a, 1, score);
        std::memcpy(scores + centre + (a - 2) * m_rows - 1, &score, sizeof score);
    }
}
#endif

}  // namespace torus
