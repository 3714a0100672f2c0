// The quantities observed on small lattices whose answers are counted by
// hand, wrapping at the edges included.
#include <gtest/gtest.h>

#include <vector>

#include "observe/lattice_observables.h"

using namespace sweep;

namespace {

TEST(LatticeObservables, SmallLatticesCountedByHand) {
    struct Case {
        const char* what;
        std::vector<int32_t> lattice;  // column-major
        size_t rows, cols;
        bool torus;
        int32_t levels;
        std::vector<double> expected;  // counts, alike share, mean difference, clusters, largest
    };
    const Case cases[] = {
        // Pairs 0-1, 1-2, 2-3, 3-4, 4-0: the ends join one cluster of 0s.
        {"ring wrapping", {0, 0, 1, 1, 0}, 5, 1, false, 3, {3, 2, 0, 3.0 / 5, 2.0 / 5, 2, 3}},
        {"ring of one site", {2}, 1, 1, false, 3, {0, 0, 1, 1, 0, 1, 1}},
        // 2 x 3, column-major [0 0 1; 0 2 1]: 12 pairs (right and below, wrapping).
        // Right: 0-0,0-1,1-0 | 0-2,2-1,1-0; below (2 rows: each pair twice): 0-0 x2, 0-2 x2, 1-1 x2.
        {"torus 2 x 3", {0, 0, 0, 2, 1, 1}, 2, 3, true, 3,
         {3, 2, 1, 5.0 / 12, (1 + 1 + 2 + 1 + 1 + 0 + 0 + 0 + 2 + 2 + 0 + 0) / 12.0, 3, 3}},
        // One row: each site is its own neighbour below; levels at or above
        // the count go uncounted.
        {"torus 1 x 4", {1, 1, 3, 1}, 1, 4, true, 2, {0, 3, 6.0 / 8, 4.0 / 8, 2, 3}},
    };
    for (const Case& c : cases) {
        std::vector<double> got;
        std::vector<uint32_t> scratch(3, 7);  // left by an earlier lattice
        observe_lattice(c.lattice.data(), c.rows, c.cols, c.torus, c.levels, kAllQuantities, scratch, got);
        ASSERT_EQ(got.size(), observation_width(kAllQuantities, c.levels)) << c.what;
        for (size_t k = 0; k < got.size(); ++k) EXPECT_DOUBLE_EQ(got[k], c.expected[k]) << c.what << " value " << k;
        // Each quantity alone gives its own values at the offset the arrays name.
        for (const ObservedArray& a : observed_arrays(kAllQuantities, c.levels)) {
            const unsigned bit = a.name == std::string("level_counts")           ? kLevelCounts
                                 : a.name == std::string("alike_neighbours")     ? kAlikeNeighbours
                                 : a.name == std::string("neighbour_difference") ? kNeighbourDifference
                                                                                 : kClusters;
            std::vector<double> alone;
            observe_lattice(c.lattice.data(), c.rows, c.cols, c.torus, c.levels, bit, scratch, alone);
            for (size_t w = 0; w < a.width; ++w) {
                const size_t in_alone = bit == kClusters && a.name == std::string("largest_cluster") ? 1 + w : w;
                EXPECT_EQ(alone[in_alone], got[a.offset + w]) << c.what << " " << a.name;
            }
        }
    }
}

}  // namespace
