#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "fast_sweep.h"
#include "mutation_draw.h"
#include "mutation_threshold.h"

namespace {

constexpr uint32_t kLimit = 1u << 31;

bool attempts(double rate, uint32_t value) { return rate > static_cast<double>(value) * core::kRngScale; }

// Rates whose threshold the tests pin down, including rates that equal a
// deviate and their neighbouring doubles.
std::vector<double> special_rates() {
    const double inf = std::numeric_limits<double>::infinity();
    const double deviate = 123456789.0 * core::kRngScale;
    return {0.0,  -0.0, std::nan(""), inf, -inf, -1.0, 1.0, 1.5, 1e300, 5e-324, 1e-300, 4.656612875245797e-10,
            1e-9, 1e-3, 0.01, 0.05, 0.1, 0.5, 0.9999999995343387, std::nextafter(1.0, 0.0),
            deviate, std::nextafter(deviate, 0.0), std::nextafter(deviate, 1.0)};
}

TEST(MutationThreshold, KnownThresholds) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(core::mutation_threshold(0.0), 0u);
    EXPECT_EQ(core::mutation_threshold(-0.0), 0u);
    EXPECT_EQ(core::mutation_threshold(std::nan("")), 0u);
    EXPECT_EQ(core::mutation_threshold(-inf), 0u);
    EXPECT_EQ(core::mutation_threshold(1.0), kLimit - 1);  // (2^31 - 1) * scale rounds to 1.0
    EXPECT_EQ(core::mutation_threshold(1.5), kLimit);
    EXPECT_EQ(core::mutation_threshold(inf), kLimit);
    EXPECT_EQ(core::mutation_threshold(0.5), core::kDownThreshold);  // the direction test is the rate-0.5 test
    // A rate equal to a deviate does not attempt at that value.
    EXPECT_EQ(core::mutation_threshold(123456789.0 * core::kRngScale), 123456789u);
}

TEST(MutationThreshold, SitsOnTheBoundaryOfTheDoubleComparison) {
    for (double rate : special_rates()) {
        const uint32_t t = core::mutation_threshold(rate);
        if (t > 0) {
            EXPECT_TRUE(attempts(rate, t - 1)) << "rate " << rate;
        }
        if (t < kLimit) {
            EXPECT_FALSE(attempts(rate, t)) << "rate " << rate;
        }
    }
    std::mt19937_64 gen(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int k = 0; k < 20000; ++k) {
        const double rate = k % 2 ? unit(gen) : std::ldexp(unit(gen), -static_cast<int>(gen() % 40));
        const uint32_t t = core::mutation_threshold(rate);
        ASSERT_TRUE(t == 0 || attempts(rate, t - 1)) << "rate " << rate;
        ASSERT_TRUE(t == kLimit || !attempts(rate, t)) << "rate " << rate;
    }
}

// The integer mutation draw, as the sweep makes it, against mutation_draw
// on one stream, over rates, levels and both bounds.
TEST(MutationThreshold, FastDrawMatchesMutationDraw) {
    const int32_t level_counts[] = {1, 2, 3, 10};
    constexpr int32_t kSites = 3000;
    for (double rate : special_rates()) {
        for (int32_t levels : level_counts) {
            int32_t ref_table[core::kRngTableSize], fast_table[core::kRngTableSize];
            core::UniformRng reference{0, 0, ref_table}, fast_rng{0, 0, fast_table};
            core::uniform_seed(reference, 99);
            core::uniform_seed(fast_rng, 99);
            std::vector<int32_t> traits(kSites);
            for (int32_t k = 0; k < kSites; ++k) traits[k] = k % levels;
            const std::vector<double> scores(kSites);  // only prefetched
            core::FastUniform fast;
            core::fast_uniform_begin(fast, fast_rng);
            int64_t level_sum = 0;
            const core::SweepLattice lattice{traits.data(), scores.data(), kSites, 0};
            core::fast_mutation_sweep(fast, lattice, levels, core::mutation_threshold(rate), level_sum, [](int32_t) {});
            for (int32_t k = 0; k < kSites; ++k) {
                const int32_t level = k % levels;
                const int32_t want = core::mutation_draw(reference, rate, level, levels);
                const int32_t got = traits[k] - level;
                ASSERT_EQ(got, want) << "rate " << rate << ", levels " << levels << ", draw " << k;
            }
            core::fast_uniform_end(fast, fast_rng);
            EXPECT_EQ(fast_rng.state, reference.state) << "rate " << rate;
            EXPECT_EQ(fast_rng.last, reference.last) << "rate " << rate;
        }
    }
}

}  // namespace
