#include "fast_draws.h"

#include "polar_gaussian.h"

double fast_gaussian_next(GaussianRng& gauss, FastUniform& fast) {
    return polar_gaussian(gauss, [&fast] { return fast_uniform_next(fast); });
}

void fast_tally_best(const LevelTally& tally, int32_t levels, FastUniform& fast, int32_t& best_level) {
    double top = kEmptyLevelScore;
    for (int32_t l = 0; l < levels; ++l) {
        if (tally.obs_count[l] < 1) continue;
        const double u = fast_uniform_next(fast);
        const double mean = tally.obs_sum[l] / static_cast<double>(tally.obs_count[l]);
        const double score = mean + kTallyJitterScale * u;
        if (top < score) {
            best_level = l;
            top = score;
        }
    }
}
