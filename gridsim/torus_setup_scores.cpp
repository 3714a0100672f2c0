// The scores of a whole lattice, a column at a time: the rows that do not
// wrap go through the refresh's vectors, straight from the levels in
// memory; the two wrapping rows, and the rows a column's last vector would
// overrun, one at a time.
#include "torus_fast.h"
#include "torus_vectors.h"

namespace torus {
namespace {
// Column c and its neighbours on either side, wrapped as neighbour_column
// wraps them (so on one or two columns they repeat).
struct ColumnTriple {
    const int32_t* left;
    const int32_t* mid;
    const int32_t* right;
};

// The scores of the rows in the elements of Values from `row` on, whose
// neighbours lie `up` rows above and `down` rows below (1, or a wrap across
// the column).
template <typename Values, bool kQuadrant>
TORUS_VECTOR_INLINE void score_rows(double* out, const ColumnTriple& at, int32_t row, int32_t up, int32_t down,
                                    double intercept, double slope) {
    const int32_t above = row - up, below = row + down;
    Values own, north, east, south, west;
    load_values(own, at.mid + row, intercept, slope);
    load_values(north, at.mid + above, intercept, slope);
    load_values(east, at.right + row, intercept, slope);
    load_values(south, at.mid + below, intercept, slope);
    load_values(west, at.left + row, intercept, slope);
    Values total;
    if (kQuadrant) {
        Values north_east, south_east, south_west, north_west;
        load_values(north_east, at.right + above, intercept, slope);
        load_values(south_east, at.right + below, intercept, slope);
        load_values(south_west, at.left + below, intercept, slope);
        load_values(north_west, at.left + above, intercept, slope);
        const Values around[8] = {north, north_east, east, south_east, south, south_west, west, north_west};
        quadrant_scores(own, around, total);
    } else {
        linear_scores(own, north, east, south, west, total);
    }
    std::memcpy(out + row, &total, sizeof total);
}

// One column: rows 1 .. m_rows - 2 kWidth at a time as far as they go,
// the rest one at a time.
template <typename Values, bool kQuadrant>
TORUS_VECTOR_INLINE void score_column(double* out, const ColumnTriple& at, int32_t m_rows, double intercept,
                                      double slope) {
    constexpr int32_t kWidth = sizeof(Values) / sizeof(double);
    int32_t row = 1;
    for (; m_rows - 1 - row >= kWidth; row += kWidth) {
        score_rows<Values, kQuadrant>(out, at, row, 1, 1, intercept, slope);
    }
    for (; row < m_rows - 1; ++row) score_rows<double, kQuadrant>(out, at, row, 1, 1, intercept, slope);
    // Row 0 wraps to the last row above it; the last row to row 0 below it.
    const int32_t last = m_rows - 1;
    score_rows<double, kQuadrant>(out, at, 0, -last, last == 0 ? 0 : 1, intercept, slope);
    if (last > 0) score_rows<double, kQuadrant>(out, at, last, 1, -last, intercept, slope);
}

template <typename Values, bool kQuadrant>
TORUS_VECTOR_INLINE void score_columns(double* scores, const int32_t* traits, int32_t n_columns, int32_t m_rows,
                                       double intercept, double slope) {
    const auto column_at = [&](int32_t c) { return traits + static_cast<int64_t>(c) * m_rows; };
    for (int32_t c = 0; c < n_columns; ++c) {
        const ColumnTriple at{column_at(c == 0 ? n_columns - 1 : c - 1), column_at(c),
                              column_at(c == n_columns - 1 ? 0 : c + 1)};
        score_column<Values, kQuadrant>(scores + static_cast<int64_t>(c) * m_rows, at, m_rows, intercept, slope);
    }
}

template <typename Values>
TORUS_VECTOR_INLINE void score_lattice(double* scores, const int32_t* traits, int32_t n_columns, int32_t m_rows,
                                       double intercept, double slope, bool quadrant) {
    if (quadrant) {
        score_columns<Values, true>(scores, traits, n_columns, m_rows, intercept, slope);
    } else {
        score_columns<Values, false>(scores, traits, n_columns, m_rows, intercept, slope);
    }
}

#if defined(TORUS_FOUR_WIDE_VECTORS)
__attribute__((target("avx"))) void score_lattice_four_wide(double* scores, const int32_t* traits,
                                                            int32_t n_columns, int32_t m_rows, double intercept,
                                                            double slope, bool quadrant) {
    score_lattice<Quad>(scores, traits, n_columns, m_rows, intercept, slope, quadrant);
}
#endif
}  // namespace

void torus_score_all_sites_fast(double* scores, const int32_t* traits, int32_t n_columns, int32_t m_rows,
                                double intercept, double slope, int32_t payoff_mode, VectorWidth width) {
    // An empty torus may still have up to 2^31 - 1 columns: do not walk them.
    if (m_rows == 0) return;
    const bool quadrant = payoff_mode != 0;
#if defined(TORUS_FOUR_WIDE_VECTORS)
    if (width == VectorWidth::four) {
        score_lattice_four_wide(scores, traits, n_columns, m_rows, intercept, slope, quadrant);
        return;
    }
#endif
#if defined(TORUS_TWO_WIDE_VECTORS)
    if (width == VectorWidth::two) {
        score_lattice<Pair>(scores, traits, n_columns, m_rows, intercept, slope, quadrant);
        return;
    }
#endif
    (void)width;
    score_lattice<double>(scores, traits, n_columns, m_rows, intercept, slope, quadrant);
}

}  // namespace torus
