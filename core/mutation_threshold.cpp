#include "mutation_threshold.h"

#include <cmath>

#include "random_streams.h"

namespace core {

namespace {
constexpr uint32_t kValueLimit = 1u << 31;  // one past the largest table value

bool attempts(double mutation_rate, uint32_t value) {
    return mutation_rate > static_cast<double>(value) * kRngScale;
}
}  // namespace

uint32_t mutation_threshold(double mutation_rate) {
    if (!(mutation_rate > 0.0)) return 0;  // also NaN
    // Start at the exact-arithmetic answer, then step to the boundary: the
    // values that attempt are exactly those below it.
    const double guess = std::ceil(mutation_rate * static_cast<double>(kRngModulus));
    uint32_t threshold = guess >= static_cast<double>(kValueLimit) ? kValueLimit : static_cast<uint32_t>(guess);
    while (threshold > 0 && !attempts(mutation_rate, threshold - 1)) --threshold;
    while (threshold < kValueLimit && attempts(mutation_rate, threshold)) ++threshold;
    return threshold;
}

}  // namespace core
