// The whole runs on the 2 x 3 input with rows (0, 1, 2) and (2, 1, 0):
// intercept 0.5, slope 1, levels 3, with two parameter sets and two mode pairs.
#pragma once

#include <cstdint>
#include <vector>

struct WholeRun {
    const char* name;
    double noise, rate;
    int32_t steps, seed, payoff_mode, neighbourhood;
    std::vector<int32_t> final_storage_order;
    std::vector<double> means;
};

// The 2 x 3 input with rows (0, 1, 2) and (2, 1, 0), stored column-major.
inline const std::vector<double> kSmallInput = {0, 2, 1, 1, 2, 0};

inline std::vector<WholeRun> whole_runs() {
    return {
        {"linear, four neighbours", 0.3, 0.05, 5, 7, 0, 0, {1, 2, 1, 1, 1, 1},
         {7.0 / 6, 1, 1, 7.0 / 6, 7.0 / 6}},
        {"quadrant, eight neighbours", 0.3, 0.05, 5, 7, 1, 1, {0, 2, 1, 2, 2, 2}, {1, 7.0 / 6, 1, 1, 1.5}},
        {"quadrant, four neighbours, noiseless", 0.0, 0.0, 3, 1, 1, 0, {0, 2, 2, 1, 2, 0},
         {7.0 / 6, 7.0 / 6, 7.0 / 6}},
        {"linear, eight neighbours, noiseless", 0.0, 0.0, 3, 1, 0, 1, {0, 2, 1, 1, 1, 0}, {1, 5.0 / 6, 5.0 / 6}},
    };
}

