// The torus: an M x N matrix wrapped at all four edges, sites named by
// column (0 .. N-1) and row (0 .. M-1), stored column-major at
// column * M + row. Eight numbered directions run clockwise from above:
//   0 above, 1 above right, 2 right, 3 below right,
//   4 below, 5 below left,  6 left,  7 above left.
// Even directions are orthogonal, odd ones diagonal; k and (k + 4) mod 8
// are opposite on every lattice size.
#pragma once

#include <cstdint>

namespace torus {

// The neighbour's column in direction d: +1 for 1, 2, 3; -1 for 5, 6, 7.
int32_t neighbour_column(int32_t direction, int32_t column, int32_t n_columns);

// The neighbour's row in direction d: -1 for 0, 1, 7; +1 for 3, 4, 5.
int32_t neighbour_row(int32_t direction, int32_t row, int32_t m_rows);

// Storage index of the neighbour in direction d.
inline int32_t neighbour_index(int32_t direction, int32_t column, int32_t row, int32_t n_columns, int32_t m_rows) {
    return neighbour_column(direction, column, n_columns) * m_rows + neighbour_row(direction, row, m_rows);
}

}  // namespace torus
