#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "fast_sweep.h"
#include "mutation_draw.h"

namespace {

// The sweep against mutation_draw site by site on the same stream: the
// same levels and sum, a refresh for exactly the sites that changed, in
// order, and the same stream afterwards. Sizes around the groups of four
// and the batches.
TEST(FastMutationSweep, MatchesMutationDrawSiteBySite) {
    const int32_t sizes[] = {0,
                             1,
                             3,
                             4,
                             5,
                             core::kSweepBatch - 1,
                             core::kSweepBatch,
                             core::kSweepBatch + 1,
                             1000,
                             2 * core::kSweepBatch + 3};
    const double rates[] = {0.0, std::nan(""), 0.001, 0.01, 0.3, 1.0, 2.0};
    const int32_t level_counts[] = {1, 2, 10};
    std::mt19937 gen(21);
    for (int32_t sites : sizes) {
        for (double rate : rates) {
            for (int32_t levels : level_counts) {
                std::vector<int32_t> reference(sites);
                for (auto& v : reference) v = static_cast<int32_t>(gen() % levels);
                std::vector<int32_t> fast_levels = reference;
                const std::vector<double> scores(sites);  // only prefetched
                int32_t ref_table[core::kRngTableSize], fast_table[core::kRngTableSize];
                core::UniformRng ref_rng{0, 0, ref_table}, fast_rng{0, 0, fast_table};
                const int32_t seed = static_cast<int32_t>(gen() % 100000);
                core::uniform_seed(ref_rng, seed);
                core::uniform_seed(fast_rng, seed);
                core::uniform_next(ref_rng);  // start both streams mid-way
                core::uniform_next(fast_rng);

                int64_t ref_sum = 0;
                std::vector<int32_t> changed;
                for (int32_t i = 0; i < sites; ++i) {
                    const int32_t d = core::mutation_draw(ref_rng, rate, reference[i], levels);
                    reference[i] += d;
                    ref_sum += d;
                    if (d != 0) changed.push_back(i);
                }

                core::FastUniform fast;
                core::fast_uniform_begin(fast, fast_rng);
                int64_t fast_sum = 0;
                std::vector<int32_t> refreshed;
                const core::SweepLattice lattice{fast_levels.data(), scores.data(), sites, 2};
                core::fast_mutation_sweep(fast, lattice, levels, core::mutation_threshold(rate), fast_sum,
                                    [&](int32_t i) { refreshed.push_back(i); });
                core::fast_uniform_end(fast, fast_rng);

                const auto where = ::testing::Message() << sites << " sites, rate " << rate << ", levels " << levels;
                ASSERT_EQ(fast_levels, reference) << where;
                ASSERT_EQ(fast_sum, ref_sum) << where;
                ASSERT_EQ(refreshed, changed) << where;
                ASSERT_EQ(fast_rng.state, ref_rng.state) << where;
                ASSERT_EQ(fast_rng.last, ref_rng.last) << where;
                for (int32_t k = 0; k < core::kRngTableSize; ++k) ASSERT_EQ(fast_table[k], ref_table[k]) << where;
            }
        }
    }
}

}  // namespace
