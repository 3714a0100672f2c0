// The mutation draw's comparisons as integer comparisons on table values.
//
// A deviate is value * kRngScale with the value an int32 in 0 .. 2^31 - 1,
// and that product grows strictly with the value. So "rate > deviate"
// holds exactly for the values below some T that depends on the rate only,
// and the direction test "0.5 > deviate" exactly for the values below 2^30.
#pragma once

#include <cstdint>

namespace core {

// The least value in 0 .. 2^31 - 1 whose deviate does not lie strictly
// below mutation_rate, or 2^31 when every deviate does: an attempt happens
// exactly when the first draw's table value, as uint32, lies below it.
// 0 for a rate <= 0 or NaN; at least 2^31 - 1 for a rate >= 1 (the value
// 2^31 - 1 has the deviate 1.0), above every table value of a running stream.
uint32_t mutation_threshold(double mutation_rate);

// A second draw below this value moves down (0.5 > deviate).
constexpr uint32_t kDownThreshold = 1u << 30;

}  // namespace core
