// Payoff rules on the torus and the passes that keep scores and fitness.
// Columns come before rows and N before M in every signature.
#pragma once

#include <cstdint>

#include "site_arrays.h"

namespace torus {

// Four orthogonal neighbours: sum over directions 0, 2, 4, 6 of
// ((neighbour value - own value) + 1) / 2. Equal neighbours give 2.
double linear_score(const int32_t* traits, int32_t column, int32_t row, int32_t n_columns, int32_t m_rows,
                    double intercept, double slope);

// All eight neighbours, one quadrant per pair of adjacent orthogonal
// directions k and next with the diagonal k + 1 between them: the rectangle
// t[k] * t[next], less the corner e * e / 2 that the diagonal border cuts off
// when e = (t[k] - t[k+1]) + t[next] is strictly positive. Orthogonal terms
// are ((v - own) + 1) / 2, diagonal ones ((v - own) + 2) / 2; no clipping.
// Equal neighbours give 1.
double quadrant_score(const int32_t* traits, int32_t column, int32_t row, int32_t n_columns, int32_t m_rows,
                      double intercept, double slope);

// quadrant_score when payoff_mode != 0, else linear_score.
double site_score(const int32_t* traits, int32_t column, int32_t row, int32_t n_columns, int32_t m_rows,
                  double intercept, double slope, int32_t payoff_mode);

void score_all_sites(double* scores, const int32_t* traits, int32_t n_columns, int32_t m_rows, double intercept,
                     double slope, int32_t payoff_mode);

// fitness[i] = level_value(traits[i]) * scores[i] for every site.
inline void compute_fitness(double* fitness, const int32_t* traits, const double* scores, int32_t n_columns,
                            int32_t m_rows, double intercept, double slope) {
    core::compute_fitness(fitness, traits, scores, n_columns * m_rows, intercept, slope);
}

// After the site's level changed: recomputes its score, then those of the
// sites whose score reads it, its neighbours in directions 0 .. 7 under the
// quadrant rule or 0, 2, 4, 6 under the linear rule.
void refresh_scores_around(double* scores, const int32_t* traits, int32_t column, int32_t row, int32_t n_columns,
                           int32_t m_rows, double intercept, double slope, int32_t payoff_mode);

}  // namespace torus
