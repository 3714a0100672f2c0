#include <cstring>

#include "model_state.h"
#include "torus_fast.h"

namespace {
constexpr int32_t kBlock = 5;  // the block spans offsets -2 .. +2 in both coordinates

// centre - 2 .. centre + 2, each wrapped as neighbour_column and
// neighbour_row wrap, one step at a time (so tiny lattices repeat entries).
void block_coordinates(int32_t centre, int32_t size, int32_t (&out)[kBlock]) {
    out[2] = centre;
    out[3] = out[2] == size - 1 ? 0 : out[2] + 1;
    out[4] = out[3] == size - 1 ? 0 : out[3] + 1;
    out[1] = out[2] == 0 ? size - 1 : out[2] - 1;
    out[0] = out[1] == 0 ? size - 1 : out[1] - 1;
}

// value[a][b]: level value of the site at column offset a - 2, row offset b - 2.
using ValueBlock = double[kBlock][kBlock];

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
}  // namespace

void torus_refresh_scores_fast(double* scores, const int32_t* traits, int32_t column, int32_t row, int32_t n_columns,
                               int32_t m_rows, double intercept, double slope, int32_t payoff_mode) {
    int32_t col[kBlock], rw[kBlock];
    block_coordinates(column, n_columns, col);
    block_coordinates(row, m_rows, rw);
    ValueBlock value;
    const auto fill = [&](int32_t a, int32_t b) {
        value[a][b] = level_value(intercept, slope, traits[col[a] * m_rows + rw[b]]);
    };
    const auto store = [&](int32_t a, int32_t b, double score) { scores[col[a] * m_rows + rw[b]] = score; };

    if (payoff_mode != 0) {
        for (int32_t a = 0; a < kBlock; ++a)
            for (int32_t b = 0; b < kBlock; ++b) fill(a, b);
        // Per column, rows 1 and 2 in one pair and rows 2 and 3 in another.
        for (int32_t a = 1; a <= 3; ++a) {
            const Pair upper = pair_quadrant_scores(value, a, 1);
            const Pair lower = pair_quadrant_scores(value, a, 2);
            store(a, 1, upper[0]);
            store(a, 2, upper[1]);
            store(a, 3, lower[1]);
        }
        return;
    }
    // The site and its four orthogonal neighbours read the diamond
    // |a - 2| + |b - 2| <= 2.
    for (int32_t a = 0; a < kBlock; ++a) {
        const int32_t reach = 2 - (a > 2 ? a - 2 : 2 - a);
        for (int32_t b = 2 - reach; b <= 2 + reach; ++b) fill(a, b);
    }
    store(2, 2, block_linear_score(value, 2, 2));
    store(2, 1, block_linear_score(value, 2, 1));
    store(3, 2, block_linear_score(value, 3, 2));
    store(2, 3, block_linear_score(value, 2, 3));
    store(1, 2, block_linear_score(value, 1, 2));
}
