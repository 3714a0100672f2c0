#include "ring_model.h"

namespace ring {

double site_score(const int32_t* traits, int32_t index, int32_t count, double intercept, double slope) {
    const double own = core::level_value(intercept, slope, traits[index]);
    const double left = core::level_value(intercept, slope, traits[ring_neighbour(kRingLeft, index, count)]);
    const double right = core::level_value(intercept, slope, traits[ring_neighbour(kRingRight, index, count)]);
    const double left_term = ((left - own) + 1.0) / 2.0;
    const double right_term = ((right - own) + 1.0) / 2.0;
    return left_term + right_term;
}

void score_all_sites(double* scores, const int32_t* traits, int32_t count, double intercept, double slope) {
    for (int32_t i = 0; i < count; ++i) scores[i] = site_score(traits, i, count, intercept, slope);
}

void refresh_scores_around(double* scores, const int32_t* traits, int32_t index, int32_t count,
                           double intercept, double slope) {
    scores[index] = site_score(traits, index, count, intercept, slope);
    const int32_t left = ring_neighbour(kRingLeft, index, count);
    scores[left] = site_score(traits, left, count, intercept, slope);
    const int32_t right = ring_neighbour(kRingRight, index, count);
    scores[right] = site_score(traits, right, count, intercept, slope);
}

}  // namespace ring
