#include "fast_draws.h"

#include <cmath>

#include "natural_log.h"

double fast_gaussian_next(GaussianRng& gauss, FastUniform& fast) {
    if (gauss.has_spare == 1) {
        gauss.has_spare = 0;
        return gauss.spare;
    }
    double x, y, r;
    do {
        x = 2.0 * fast_uniform_next(fast) - 1.0;
        y = 2.0 * fast_uniform_next(fast) - 1.0;
        r = x * x + y * y;
    } while (!(r < 1.0 && r != 0.0));
    const double fac = std::sqrt(-2.0 * natural_log(r) / r);
    gauss.spare = x * fac;
    gauss.has_spare = 1;
    return y * fac;
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
