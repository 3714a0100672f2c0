// The arrays of one run, owned here, with a ModelState pointing into them,
// set up as a gateway sets them up: the stream seeded, no spare deviate,
// best_level 0. The levels, their sum and the scores are the caller's to
// fill. For the tests and the benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model_state.h"

struct RunMemory {
    std::vector<int32_t> traits, counts;
    std::vector<double> scores, fitness, sums;
    int32_t table[core::kRngTableSize] = {};
    core::ModelState state{};

    RunMemory(size_t sites, int32_t levels, int32_t seed)
        : traits(sites), counts(static_cast<size_t>(levels)), scores(sites), fitness(sites),
          sums(static_cast<size_t>(levels)) {
        core::uniform_seed(state.rng, seed);
        state.rng.table = table;
        state.gauss.has_spare = 0;
        state.traits = traits.data();
        state.scores = scores.data();
        state.fitness = fitness.data();
        state.tally = core::LevelTally{sums.data(), counts.data()};
        state.level_sum = 0;
        state.best_level = 0;
    }
    // The state points into the arrays: a copy would point into these.
    RunMemory(const RunMemory&) = delete;
    RunMemory& operator=(const RunMemory&) = delete;
};
