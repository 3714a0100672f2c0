#include "torus_lattice.h"

namespace torus {
namespace {
int32_t step_up(int32_t coordinate, int32_t size) { return coordinate == size - 1 ? 0 : coordinate + 1; }
int32_t step_down(int32_t coordinate, int32_t size) { return coordinate == 0 ? size - 1 : coordinate - 1; }
}  // namespace

int32_t neighbour_column(int32_t direction, int32_t column, int32_t n_columns) {
    if (direction >= 1 && direction <= 3) return step_up(column, n_columns);
    if (direction >= 5 && direction <= 7) return step_down(column, n_columns);
    return column;
}

int32_t neighbour_row(int32_t direction, int32_t row, int32_t m_rows) {
    if (direction == 0 || direction == 1 || direction == 7) return step_down(row, m_rows);
    if (direction >= 3 && direction <= 5) return step_up(row, m_rows);
    return row;
}

}  // namespace torus
