#include "model_state.h"
#include "torus_fast.h"
#include "torus_refresh_block.h"
#include "torus_vectors.h"

namespace torus {
namespace {
// centre - 2 .. centre + 2, each wrapped as neighbour_column and
// neighbour_row wrap, one step at a time (so tiny lattices repeat entries).
void block_coordinates(int32_t centre, int32_t size, int32_t (&out)[kBlock]) {
    out[2] = centre;
    out[3] = out[2] == size - 1 ? 0 : out[2] + 1;
    out[4] = out[3] == size - 1 ? 0 : out[3] + 1;
    out[1] = out[2] == 0 ? size - 1 : out[2] - 1;
    out[0] = out[1] == 0 ? size - 1 : out[1] - 1;
}

}  // namespace

BlockIndex block_index(int32_t column, int32_t row, int32_t n_columns, int32_t m_rows) {
    BlockIndex index;
    block_coordinates(column, n_columns, index.column_start);
    for (int32_t a = 0; a < kBlock; ++a) index.column_start[a] *= m_rows;
    block_coordinates(row, m_rows, index.row);
    return index;
}

namespace {
// The one site's linear_scores, returned.
TORUS_VECTOR_INLINE double linear_score_of(double own, double above, double right, double below, double left) {
    double total;
    linear_scores(own, above, right, below, left, total);
    return total;
}

void refresh_linear(double* scores, const int32_t* traits, const BlockIndex& at, double intercept, double slope) {
    // The site and its four orthogonal neighbours read the 13 sites with
    // |a - 2| + |b - 2| <= 2; the other entries stay unset.
    ValueBlock value;
    const auto fill = [&](int32_t a, int32_t b) {
        value[a][b] = core::level_value(intercept, slope, traits[at.column_start[a] + at.row[b]]);
    };
    fill(0, 2);
    fill(1, 1), fill(1, 2), fill(1, 3);
    fill(2, 0), fill(2, 1), fill(2, 2), fill(2, 3), fill(2, 4);
    fill(3, 1), fill(3, 2), fill(3, 3);
    fill(4, 2);
    const auto store = [&](int32_t a, int32_t b) {
        scores[at.column_start[a] + at.row[b]] =
            linear_score_of(value[a][b], value[a][b - 1], value[a + 1][b], value[a][b + 1], value[a - 1][b]);
    };
    store(2, 2);
    store(2, 1);
    store(3, 2);
    store(2, 3);
    store(1, 2);
}

// refresh_linear for an interior site, straight from the levels in memory.
void refresh_linear_interior(double* scores, const int32_t* traits, int32_t site, int32_t m_rows, double intercept,
                             double slope) {
    const int32_t* const centre = traits + site;
    const auto value = [&](int32_t column_offset, int32_t row_offset) {
        return core::level_value(intercept, slope, centre[column_offset * m_rows + row_offset]);
    };
    const double up2 = value(0, -2), up = value(0, -1), own = value(0, 0), down = value(0, 1), down2 = value(0, 2);
    const double left_up = value(-1, -1), left = value(-1, 0), left_down = value(-1, 1), left2 = value(-2, 0);
    const double right_up = value(1, -1), right = value(1, 0), right_down = value(1, 1), right2 = value(2, 0);
    double* const out = scores + site;
    out[0] = linear_score_of(own, up, right, down, left);
    out[-1] = linear_score_of(up, up2, right_up, own, left_up);
    out[m_rows] = linear_score_of(right, right_up, right2, right_down, own);
    out[1] = linear_score_of(down, own, right_down, down2, left_down);
    out[-m_rows] = linear_score_of(left, left_up, own, left_down, left2);
}
}  // namespace

VectorWidth vector_width_available() {
#if defined(TORUS_FOUR_WIDE_VECTORS)
    if (__builtin_cpu_supports("avx")) return VectorWidth::four;
#endif
#if defined(TORUS_TWO_WIDE_VECTORS)
    return VectorWidth::two;
#else
    return VectorWidth::one;
#endif
}

void torus_refresh_scores_fast(double* scores, const int32_t* traits, int32_t column, int32_t row, int32_t n_columns,
                               int32_t m_rows, double intercept, double slope, int32_t payoff_mode, VectorWidth width) {
    if (payoff_mode == 0) {
        if (block_is_interior(column, row, n_columns, m_rows, 0)) {
            refresh_linear_interior(scores, traits, column * m_rows + row, m_rows, intercept, slope);
        } else {
            refresh_linear(scores, traits, block_index(column, row, n_columns, m_rows), intercept, slope);
        }
        return;
    }
#if defined(TORUS_FOUR_WIDE_VECTORS)
    if (width == VectorWidth::four) {
        if (block_is_interior(column, row, n_columns, m_rows, 1)) {
            refresh_quadrant_interior_four_wide(scores, traits, column, row, m_rows, intercept, slope);
        } else {
            refresh_quadrant_four_wide(scores, traits, block_index(column, row, n_columns, m_rows), intercept, slope);
        }
        return;
    }
#endif
#if defined(TORUS_TWO_WIDE_VECTORS)
    if (width == VectorWidth::two) {
        if (block_is_interior(column, row, n_columns, m_rows, 0)) {
            refresh_quadrant_interior_two_wide(scores, traits, column * m_rows + row, m_rows, intercept, slope);
        } else {
            refresh_quadrant_two_wide(scores, traits, block_index(column, row, n_columns, m_rows), intercept, slope);
        }
        return;
    }
#endif
    (void)width;
    refresh_quadrant_one_wide(scores, traits, block_index(column, row, n_columns, m_rows), intercept, slope);
}

}  // namespace torus
