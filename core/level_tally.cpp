#include "level_tally.h"

namespace core {

void tally_reset(LevelTally& tally, int32_t levels) {
    for (int32_t l = 0; l < levels; ++l) {
        tally.obs_sum[l] = 0.0;
        tally.obs_count[l] = 0;
    }
}

void tally_add(LevelTally& tally, int32_t level, double value) {
    tally.obs_sum[level] = tally.obs_sum[level] + value;
    tally.obs_count[level] = tally.obs_count[level] + 1;
}

void tally_best(const LevelTally& tally, int32_t levels, UniformRng& rng, int32_t& best_level) {
    tally_best_drawing(tally, levels, [&rng] { return uniform_next(rng); }, best_level);
}

}  // namespace core
