#include "fast_draws.h"

#include "polar_gaussian.h"

namespace core {

double fast_gaussian_next(GaussianRng& gauss, FastUniform& fast) {
    return polar_gaussian(gauss, [&fast] { return fast_uniform_next(fast); });
}

void fast_tally_best(const LevelTally& tally, int32_t levels, FastUniform& fast, int32_t& best_level) {
    tally_best_drawing(tally, levels, [&fast] { return fast_uniform_next(fast); }, best_level);
}

}  // namespace core
