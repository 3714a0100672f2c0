// Working state of one simulation run, shared by both lattice models.
#pragma once

#include <cstdint>

#include "level_tally.h"
#include "random_streams.h"

namespace core {

// The trait value of a level: intercept + slope * level, rounded to double.
inline double level_value(double intercept, double slope, int32_t level) {
    return intercept + slope * static_cast<double>(level);
}

// Parameters common to both models.
struct ModelParams {
    double intercept;      // intercept of level_value
    double slope;          // slope of level_value
    int32_t levels;        // number of trait levels; valid levels are 0 .. levels - 1 (>= 1)
    double noise;          // factor on each Gaussian deviate added to an observation
    double mutation_rate;  // per site and step, probability of a mutation attempt
};

// Everything one run reads and writes. All arrays belong to the caller.
struct ModelState {
    int32_t* traits;     // level of every site, changed in place (size sites)
    double* scores;      // current score of every site, kept up to date (size sites)
    double* fitness;     // per-step snapshot of level_value * score (size sites)
    LevelTally tally;    // one step's observations (size levels)
    UniformRng rng;      // the run's single random stream
    GaussianRng gauss;   // cached second normal deviate
    int64_t level_sum;   // exact sum of traits; 64 bits so huge lattices cannot overflow it
    int32_t best_level;  // last level chosen by tally_best; carries over between steps
};

// Mean level recorded after a step: the exact sum over the site count.
inline double mean_level(int64_t level_sum, int32_t sites) {
    return static_cast<double>(level_sum) / static_cast<double>(sites);
}

// The fitness that compute_fitness would have stored for a site at the start
// of the step: the fast step loops compute it only for the sites they observe.
inline double fitness_now(const ModelState& state, int32_t site, const ModelParams& m) {
    return level_value(m.intercept, m.slope, state.traits[site]) * state.scores[site];
}

}  // namespace core
