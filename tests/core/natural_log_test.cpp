#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "natural_log.h"

#if defined(LATTICESIM_HAVE_QUADMATH)
#include <quadmath.h>
#endif

namespace {

uint64_t bits_of(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

[[maybe_unused]] double from_bits(uint64_t b) {  // used only where quadmath exists
    double v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

// Correctly rounded logarithms, from a 113-bit evaluation: simple values,
// both sides of 1, the bucket edge at sqrt 2, the extremes of the double
// range and of the uniform deviates.
TEST(NaturalLog, MatchesCorrectlyRoundedReferenceValues) {
    const double cases[][2] = {
        {0x1p+1, 0x1.62e42fefa39efp-1},
        {0x1p-1, -0x1.62e42fefa39efp-1},
        {0x1.8p-1, -0x1.269621134db92p-2},
        {0x1.8p+0, 0x1.9f323ecbf984cp-2},
        {0x1.5bf0a8b145769p+1, 0x1p+0},
        {0x1.4p+3, 0x1.26bb1bbb55516p+1},
        {0x1.999999999999ap-4, -0x1.26bb1bbb55515p+1},
        {0x1.fffffffffffffp-1, -0x1p-53},
        {0x1.0000000000001p+0, 0x1.fffffffffffffp-53},
        {0x1.02p+0, 0x1.fe02a6b106789p-8},
        {0x1.ffp-1, -0x1.0040155d5889ep-9},
        {0x1.6ap+0, 0x1.62c82f2b9c795p-2},
        {0x1.69fffffffffffp+0, 0x1.62c82f2b9c792p-2},
        {0x1.6a09e667f3bcdp+0, 0x1.62e42fefa39fp-2},
        {0x1.56e1fc2f8f359p-997, -0x1.5963447f87fb5p+9},
        {0x0.0000000000001p-1022, -0x1.74385446d71c3p+9},
        {0x1p-1022, -0x1.6232bdd7abcd2p+9},
        {0x1.fffffffffffffp+1023, 0x1.62e42fefa39efp+9},
        {0x1.00000002p-31, -0x1.57cd0e700682p+4},
        {0x1.fffffffcp-1, -0x1.00000001p-31},
        {0x1.3333333333333p-2, -0x1.34378fcbda721p+0},
        {0x1.e240c9fbe76c9p+16, 0x1.77281cad8a844p+3},
    };
    for (const auto& c : cases) EXPECT_EQ(bits_of(core::natural_log(c[0])), bits_of(c[1])) << std::hexfloat << c[0];
}

TEST(NaturalLog, SpecialArguments) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(bits_of(core::natural_log(1.0)), bits_of(0.0));  // +0, not -0
    EXPECT_EQ(core::natural_log(0.0), -inf);
    EXPECT_EQ(core::natural_log(-0.0), -inf);
    EXPECT_EQ(core::natural_log(inf), inf);
    EXPECT_TRUE(std::isnan(core::natural_log(-1.0)));
    EXPECT_TRUE(std::isnan(core::natural_log(-inf)));
    EXPECT_TRUE(std::isnan(core::natural_log(std::numeric_limits<double>::quiet_NaN())));
}

#if defined(LATTICESIM_HAVE_QUADMATH)
// Random arguments over the whole range, the unit interval the Gaussian
// generator uses, the neighbourhood of 1 and the subnormals.
TEST(NaturalLog, CorrectlyRoundedOnRandomArguments) {
    std::mt19937_64 gen(31337);
    int wrong = 0;
    for (int k = 0; k < 250000; ++k) {
        const uint64_t g = gen();
        const double xs[] = {static_cast<double>(g >> 11) * 0x1p-53 + 0x1p-60,
                             from_bits(g & 0x7fefffffffffffffull) + 0x1p-1074,
                             1.0 + (static_cast<double>(g >> 11) * 0x1p-53 - 0.5) * 0x1p-12,
                             from_bits((g & 0x000fffffffffffffull) | 1)};
        for (double x : xs) {
            const double want = static_cast<double>(logq(static_cast<__float128>(x)));
            if (bits_of(core::natural_log(x)) != bits_of(want) && ++wrong <= 5)
                ADD_FAILURE() << std::hexfloat << "log(" << x << ") = " << core::natural_log(x) << ", want " << want;
        }
    }
    EXPECT_EQ(wrong, 0);
}
#endif

}  // namespace
