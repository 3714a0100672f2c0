#include <cstring>

#include "model_state.h"
#include "torus_fast.h"

namespace {
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

// centre - 2 .. centre + 2, each wrapped as neighbour_column and
// neighbour_row wrap, one step at a time (so tiny lattices repeat entries).
void block_coordinates(int32_t centre, int32_t size, int32_t (&out)[kBlock]) {
    out[2] = centre;
    out[3] = out[2] == size - 1 ? 0 : out[2] + 1;
    out[4] = out[3] == size - 1 ? 0 : out[3] + 1;
    out[1] = out[2] == 0 ? size - 1 : out[2] - 1;
    out[0] = out[1] == 0 ? size - 1 : out[1] - 1;
}

BlockIndex block_index(int32_t column, int32_t row, int32_t n_columns, int32_t m_rows) {
    BlockIndex index;
    block_coordinates(column, n_columns, index.column_start);
    for (int32_t a = 0; a < kBlock; ++a) index.column_start[a] *= m_rows;
    block_coordinates(row, m_rows, index.row);
    return index;
}

// linear_score of the block site (a, b): directions 0, 2, 4, 6.
double block_linear_score(const ValueBlock& value, int32_t a, int32_t b) {
    const double own = value[a][b];
    double total = 0.0;
    total = total + ((value[a][b - 1] - own) + 1.0) / 2.0;
    total = total + ((value[a + 1][b] - own) + 1.0) / 2.0;
    total = total + ((value[a][b + 1] - own) + 1.0) / 2.0;
    total = total + ((value[a - 1][b] - own) + 1.0) / 2.0;
    return total;
}

// Two sites' values side by side: the vector extension of GCC and clang,
// SSE2 on x86 and plain scalar code elsewhere. Each lane gets exactly the
// IEEE operations that the scalar formula gives it.
using Pair = double __attribute__((vector_size(16)));
using PairMask = long long __attribute__((vector_size(16)));

Pair pair_at(const ValueBlock& value, int32_t a, int32_t b) {
    Pair pair;
    std::memcpy(&pair, &value[a][b], sizeof pair);
    return pair;
}

// quadrant_score of the block sites (a, b) and (a, b + 1), one per lane.
// Multiplying by 0.5 is exactly dividing by 2.
Pair pair_quadrant_scores(const ValueBlock& value, int32_t a, int32_t b) {
    const Pair own = pair_at(value, a, b);
    const Pair around[8] = {pair_at(value, a, b - 1),     pair_at(value, a + 1, b - 1), pair_at(value, a + 1, b),
                            pair_at(value, a + 1, b + 1), pair_at(value, a, b + 1),     pair_at(value, a - 1, b + 1),
                            pair_at(value, a - 1, b),     pair_at(value, a - 1, b - 1)};
    Pair t[8];
    for (int32_t d = 0; d < 8; d += 2) {
        t[d] = ((around[d] - own) + 1.0) * 0.5;
        t[d + 1] = ((around[d + 1] - own) + 2.0) * 0.5;
    }
    Pair total = {0.0, 0.0};
    const Pair zero = {0.0, 0.0};
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

void refresh_quadrant(double* scores, const int32_t* traits, const BlockIndex& at, double intercept, double slope) {
    ValueBlock value;
    for (int32_t a = 0; a < kBlock; ++a) {
        const int32_t* column = traits + at.column_start[a];
        for (int32_t b = 0; b < kBlock; ++b) value[a][b] = level_value(intercept, slope, column[at.row[b]]);
    }
    // Per column, rows 1 and 2 in one pair and rows 2 and 3 in another.
    for (int32_t a = 1; a <= 3; ++a) {
        double* column = scores + at.column_start[a];
        const Pair upper = pair_quadrant_scores(value, a, 1);
        const Pair lower = pair_quadrant_scores(value, a, 2);
        column[at.row[1]] = upper[0];
        column[at.row[2]] = upper[1];
        column[at.row[3]] = lower[1];
    }
}

void refresh_linear(double* scores, const int32_t* traits, const BlockIndex& at, double intercept, double slope) {
    // The site and its four orthogonal neighbours read the 13 sites with
    // |a - 2| + |b - 2| <= 2; the other entries stay unset.
    ValueBlock value;
    const auto fill = [&](int32_t a, int32_t b) {
        value[a][b] = level_value(intercept, slope, traits[at.column_start[a] + at.row[b]]);
    };
    fill(0, 2);
    fill(1, 1), fill(1, 2), fill(1, 3);
    fill(2, 0), fill(2, 1), fill(2, 2), fill(2, 3), fill(2, 4);
    fill(3, 1), fill(3, 2), fill(3, 3);
    fill(4, 2);
    const auto store = [&](int32_t a, int32_t b) {
        scores[at.column_start[a] + at.row[b]] = block_linear_score(value, a, b);
    };
    store(2, 2);
    store(2, 1);
    store(3, 2);
    store(2, 3);
    store(1, 2);
}
}  // namespace

void torus_refresh_scores_fast(double* scores, const int32_t* traits, int32_t column, int32_t row, int32_t n_columns,
                               int32_t m_rows, double intercept, double slope, int32_t payoff_mode) {
    const BlockIndex at = block_index(column, row, n_columns, m_rows);
    if (payoff_mode != 0) {
        refresh_quadrant(scores, traits, at, intercept, slope);
    } else {
        refresh_linear(scores, traits, at, intercept, slope);
    }
}
