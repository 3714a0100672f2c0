// The integer thresholds against the mutation draw's double comparison for
// every value 0 .. 2^31 - 1 that a table entry can hold, for the rates that
// matter. About a second per rate: its own program, labelled "exhaustive"
// in CTest, which CI runs as well.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "mutation_threshold.h"
#include "random_streams.h"

namespace {

// Number of values in 0 .. 2^31 - 1 where "value < threshold" and
// "rate > value * scale" disagree. Blocks with 32-bit counts let the
// compiler vectorise the inner loop.
uint64_t disagreements(double rate, uint32_t threshold) {
    uint64_t wrong = 0;
    for (int32_t block = 0; block < (1 << 15); ++block) {
        const int32_t first = block << 16;
        int32_t wrong_here = 0;
        for (int32_t k = 0; k < (1 << 16); ++k) {
            const int32_t value = first + k;
            const bool by_double = rate > static_cast<double>(value) * core::kRngScale;
            wrong_here += by_double != (static_cast<uint32_t>(value) < threshold);
        }
        wrong += static_cast<uint64_t>(wrong_here);
    }
    return wrong;
}

struct RateCase {
    const char* name;
    double rate;
};

class ExhaustiveThreshold : public ::testing::TestWithParam<RateCase> {};

TEST_P(ExhaustiveThreshold, AgreesWithTheDoubleComparisonEverywhere) {
    const double rate = GetParam().rate;
    EXPECT_EQ(disagreements(rate, core::mutation_threshold(rate)), 0u) << GetParam().name;
}

const double kInf = std::numeric_limits<double>::infinity();
const double kDeviate = 1234567891.0 * core::kRngScale;

INSTANTIATE_TEST_SUITE_P(
    Rates, ExhaustiveThreshold,
    ::testing::Values(RateCase{"zero", 0.0}, RateCase{"negative_zero", -0.0}, RateCase{"nan", std::nan("")},
                      RateCase{"infinity", kInf}, RateCase{"negative_infinity", -kInf}, RateCase{"one", 1.0},
                      RateCase{"above_one", 1.5}, RateCase{"tiny", 1e-300},
                      RateCase{"smallest_deviate", 4.656612875245797e-10}, RateCase{"one_in_a_thousand", 0.001},
                      RateCase{"one_in_a_hundred", 0.01}, RateCase{"one_in_ten", 0.1},
                      RateCase{"direction_half", 0.5}, RateCase{"a_deviate", kDeviate},
                      RateCase{"below_a_deviate", std::nextafter(kDeviate, 0.0)},
                      RateCase{"above_a_deviate", std::nextafter(kDeviate, 1.0)}),
    [](const ::testing::TestParamInfo<RateCase>& info) { return std::string(info.param.name); });

// The direction test of the mutation draw, 0.5 > deviate, is "value < 2^30".
TEST(ExhaustiveDirection, HalfIsTheDownThreshold) {
    EXPECT_EQ(disagreements(0.5, core::kDownThreshold), 0u);
}

}  // namespace
