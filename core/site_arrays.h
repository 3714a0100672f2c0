// The whole-lattice passes that both models make in storage order,
// whatever the lattice's shape. Each model offers them under its own
// signature (the ring's site count, the torus's columns and rows); this
// namespace keeps a model's call from falling through to them unnoticed.
#pragma once

#include <cstdint>

namespace core {

// Truncates each source value toward zero into traits; returns the sum of
// the levels. Every source value must truncate into the int32 range.
int64_t load_traits(int32_t* traits, const double* source, int32_t sites);

// fitness[i] = level_value(traits[i]) * scores[i] for every site.
void compute_fitness(double* fitness, const int32_t* traits, const double* scores, int32_t sites, double intercept,
                     double slope);

}  // namespace core
