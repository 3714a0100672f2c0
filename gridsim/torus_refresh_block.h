// The 5 x 5 block of sites around a changed site, which the fast score
// refresh reads, and the refresh's quadrant part (torus_quadrant_vectors.cpp).
// Internal to the torus's fast step loop.
#pragma once

#include <cstdint>

// Vector extensions (GCC, clang) give vectors two wide; AVX, on x86 and
// chosen at run time, four wide. Other compilers compute one score at a time.
#if defined(__GNUC__)
#define TORUS_TWO_WIDE_VECTORS 1
#if defined(__x86_64__) || defined(__i386__)
#define TORUS_FOUR_WIDE_VECTORS 1
#endif
#endif

namespace torus {

constexpr int32_t kBlock = 5;  // the block spans offsets -2 .. +2 in both coordinates

// value[a][b]: level value of the site at column offset a - 2 and row
// offset b - 2 from the changed site, wrapped around the torus.
using ValueBlock = double[kBlock][kBlock];

// Where the block's sites lie: the storage index of block site (a, b) is
// column_start[a] + row[b].
struct BlockIndex {
    int32_t column_start[kBlock];
    int32_t row[kBlock];
};

BlockIndex block_index(int32_t column, int32_t row, int32_t n_columns, int32_t m_rows);

// Whether the block around (column, row), plus `extra_rows` rows below it,
// lies inside the lattice without wrapping.
inline bool block_is_interior(int32_t column, int32_t row, int32_t n_columns, int32_t m_rows, int32_t extra_rows) {
    // Differences, not sums: a single column may hold up to INT32_MAX rows.
    return column >= 2 && n_columns - column > 2 && row >= 2 && m_rows - row > 2 + extra_rows;
}

// The nine quadrant scores of the site and its neighbours, one at a time.
void refresh_quadrant_one_wide(double* scores, const int32_t* traits, const BlockIndex& at, double intercept,
                               double slope);

#if defined(TORUS_TWO_WIDE_VECTORS)
// The same two at a time: from the wrapped block, or for an interior site
// straight from the levels.
void refresh_quadrant_two_wide(double* scores, const int32_t* traits, const BlockIndex& at, double intercept,
                               double slope);
void refresh_quadrant_interior_two_wide(double* scores, const int32_t* traits, int32_t site, int32_t m_rows,
                                        double intercept, double slope);
#endif

#if defined(TORUS_FOUR_WIDE_VECTORS)
// The same four at a time; the processor must run AVX. The interior one
// needs one more row inside the lattice below the block.
void refresh_quadrant_four_wide(double* scores, const int32_t* traits, const BlockIndex& at, double intercept,
                                double slope);
void refresh_quadrant_interior_four_wide(double* scores, const int32_t* traits, int32_t column, int32_t row,
                                         int32_t m_rows, double intercept, double slope);
#endif

}  // namespace torus
