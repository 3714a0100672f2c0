#include "torus_scores.h"

#include "model_state.h"
#include "torus_lattice.h"

namespace torus {
namespace {
double neighbour_value(const int32_t* traits, int32_t direction, int32_t column, int32_t row, int32_t n_columns,
                       int32_t m_rows, double intercept, double slope) {
    return core::level_value(intercept, slope, traits[neighbour_index(direction, column, row, n_columns, m_rows)]);
}
}  // namespace

double linear_score(const int32_t* traits, int32_t column, int32_t row, int32_t n_columns, int32_t m_rows,
                    double intercept, double slope) {
    const double own = core::level_value(intercept, slope, traits[column * m_rows + row]);
    double total = 0.0;
    for (int32_t d = 0; d < 8; d += 2) {
        const double v = neighbour_value(traits, d, column, row, n_columns, m_rows, intercept, slope);
        total = total + ((v - own) + 1.0) / 2.0;
    }
    return total;
}

double quadrant_score(const int32_t* traits, int32_t column, int32_t row, int32_t n_columns, int32_t m_rows,
                      double intercept, double slope) {
    const double own = core::level_value(intercept, slope, traits[column * m_rows + row]);
    double t[8];
    for (int32_t d = 0; d < 8; ++d) {
        const double v = neighbour_value(traits, d, column, row, n_columns, m_rows, intercept, slope);
        // Diagonal borders sit at x + y = 1 between equal values, hence + 2.
        t[d] = (d % 2 == 0) ? ((v - own) + 1.0) / 2.0 : ((v - own) + 2.0) / 2.0;
    }
    double total = 0.0;
    for (int32_t k = 0; k < 8; k += 2) {
        const int32_t next = (k + 2) % 8;
        total = total + t[k] * t[next];
        const double e = (t[k] - t[k + 1]) + t[next];
        if (e > 0.0) total = total - e * e / 2.0;  // NaN leaves the quadrant uncorrected
    }
    return total;
}

double site_score(const int32_t* traits, int32_t column, int32_t row, int32_t n_columns, int32_t m_rows,
                  double intercept, double slope, int32_t payoff_mode) {
    if (payoff_mode != 0) return quadrant_score(traits, column, row, n_columns, m_rows, intercept, slope);
    return linear_score(traits, column, row, n_columns, m_rows, intercept, slope);
}

void score_all_sites(double* scores, const int32_t* traits, int32_t n_columns, int32_t m_rows, double intercept,
                     double slope, int32_t payoff_mode) {
    // An empty torus may still have up to 2^31 - 1 columns: do not walk them.
    if (m_rows == 0) return;
    for (int32_t column = 0; column < n_columns; ++column) {
        for (int32_t row = 0; row < m_rows; ++row) {
            scores[column * m_rows + row] =
                site_score(traits, column, row, n_columns, m_rows, intercept, slope, payoff_mode);
        }
    }
}

void refresh_scores_around(double* scores, const int32_t* traits, int32_t column, int32_t row, int32_t n_columns,
                           int32_t m_rows, double intercept, double slope, int32_t payoff_mode) {
    scores[column * m_rows + row] = site_score(traits, column, row, n_columns, m_rows, intercept, slope, payoff_mode);
    const int32_t stride = payoff_mode != 0 ? 1 : 2;
    for (int32_t d = 0; d < 8; d += stride) {
        const int32_t c = neighbour_column(d, column, n_columns);
        const int32_t r = neighbour_row(d, row, m_rows);
        scores[c * m_rows + r] = site_score(traits, c, r, n_columns, m_rows, intercept, slope, payoff_mode);
    }
}

}  // namespace torus
