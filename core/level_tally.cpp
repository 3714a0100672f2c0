#include "level_tally.h"

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
    double top = kEmptyLevelScore;
    for (int32_t l = 0; l < levels; ++l) {
        if (tally.obs_count[l] < 1) continue;  // empty: scores kEmptyLevelScore, never beats top
        const double u = uniform_next(rng);
        const double mean = tally.obs_sum[l] / static_cast<double>(tally.obs_count[l]);
        const double score = mean + kTallyJitterScale * u;
        if (top < score) {  // strict: ties keep the lower level, NaN never wins
            best_level = l;
            top = score;
        }
    }
}
