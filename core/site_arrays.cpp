#include "site_arrays.h"

#include "model_state.h"

namespace core {

int64_t load_traits(int32_t* traits, const double* source, int32_t sites) {
    int64_t level_sum = 0;
    for (int32_t i = 0; i < sites; ++i) {
        traits[i] = static_cast<int32_t>(source[i]);
        level_sum += traits[i];
    }
    return level_sum;
}

void compute_fitness(double* fitness, const int32_t* traits, const double* scores, int32_t sites, double intercept,
                     double slope) {
    for (int32_t i = 0; i < sites; ++i) fitness[i] = level_value(intercept, slope, traits[i]) * scores[i];
}

}  // namespace core
