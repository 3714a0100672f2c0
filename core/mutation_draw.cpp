#include "mutation_draw.h"

namespace core {

int32_t mutation_draw(UniformRng& rng, double mutation_rate, int32_t level, int32_t levels) {
    const double u1 = uniform_next(rng);
    if (!(mutation_rate > u1)) return 0;
    const double u2 = uniform_next(rng);
    if (0.5 > u2) return level > 0 ? -1 : 0;
    return level < levels - 1 ? 1 : 0;
}

}  // namespace core
