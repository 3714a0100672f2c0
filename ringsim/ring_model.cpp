#include "ring_model.h"

int32_t ring_neighbour(int32_t direction, int32_t index, int32_t count) {
    if (direction == kRingLeft) return index == 0 ? count - 1 : index - 1;
    return index == count - 1 ? 0 : index + 1;
}

int64_t load_traits(int32_t* traits, const double* source, int32_t count) {
    int64_t level_sum = 0;
    for (int32_t i = 0; i < count; ++i) {
        traits[i] = static_cast<int32_t>(source[i]);
        level_sum += traits[i];
    }
    return level_sum;
}

double site_score(const int32_t* traits, int32_t index, int32_t count, double intercept, double slope) {
    const double own = level_value(intercept, slope, traits[index]);
    const double left = level_value(intercept, slope, traits[ring_neighbour(kRingLeft, index, count)]);
    const double right = level_value(intercept, slope, traits[ring_neighbour(kRingRight, index, count)]);
    const double left_term = ((left - own) + 1.0) / 2.0;
    const double right_term = ((right - own) + 1.0) / 2.0;
    return left_term + right_term;
}

void score_all_sites(double* scores, const int32_t* traits, int32_t count, double intercept, double slope) {
    for (int32_t i = 0; i < count; ++i) scores[i] = site_score(traits, i, count, intercept, slope);
}

void compute_fitness(double* fitness, const int32_t* traits, const double* scores, int32_t count,
                     double intercept, double slope) {
    for (int32_t i = 0; i < count; ++i) fitness[i] = level_value(intercept, slope, traits[i]) * scores[i];
}

void refresh_scores_around(double* scores, const int32_t* traits, int32_t index, int32_t count,
                           double intercept, double slope) {
    scores[index] = site_score(traits, index, count, intercept, slope);
    const int32_t left = ring_neighbour(kRingLeft, index, count);
    scores[left] = site_score(traits, left, count, intercept, slope);
    const int32_t right = ring_neighbour(kRingRight, index, count);
    scores[right] = site_score(traits, right, count, intercept, slope);
}
