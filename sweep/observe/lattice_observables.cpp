#include "observe/lattice_observables.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace sweep {

namespace {
// The root of site's group, halving the path on the way.
uint32_t root_of(uint32_t* parent, uint32_t site) {
    while (parent[site] != site) {
        parent[site] = parent[parent[site]];
        site = parent[site];
    }
    return site;
}

// Calls pair(a, b) for each neighbour pair of the lattice.
template <class Pair>
void each_pair(size_t rows, size_t cols, bool torus, Pair&& pair) {
    if (!torus) {
        const size_t n = rows * cols;
        for (size_t i = 0; i < n; ++i) pair(i, i + 1 == n ? 0 : i + 1);
        return;
    }
    for (size_t c = 0; c < cols; ++c) {
        const size_t right = c + 1 == cols ? 0 : c + 1;
        for (size_t r = 0; r < rows; ++r) {
            const size_t below = r + 1 == rows ? 0 : r + 1;
            pair(c * rows + r, right * rows + r);
            pair(c * rows + r, c * rows + below);
        }
    }
}
}  // namespace

size_t observation_width(unsigned quantities, int32_t levels) {
    return ((quantities & kLevelCounts) ? static_cast<size_t>(levels) : 0) +
           ((quantities & kAlikeNeighbours) ? 1 : 0) + ((quantities & kNeighbourDifference) ? 1 : 0) +
           ((quantities & kClusters) ? 2 : 0);
}

std::vector<ObservedArray> observed_arrays(unsigned quantities, int32_t levels) {
    std::vector<ObservedArray> arrays;
    size_t at = 0;
    const auto add = [&](const char* name, size_t width) {
        arrays.push_back({name, at, width});
        at += width;
    };
    if (quantities & kLevelCounts) add("level_counts", static_cast<size_t>(levels));
    if (quantities & kAlikeNeighbours) add("alike_neighbours", 1);
    if (quantities & kNeighbourDifference) add("neighbour_difference", 1);
    if (quantities & kClusters) {
        add("cluster_count", 1);
        add("largest_cluster", 1);
    }
    return arrays;
}

void observe_lattice(const int32_t* lattice, size_t rows, size_t cols, bool torus, int32_t levels,
                     unsigned quantities, std::vector<uint32_t>& scratch, std::vector<double>& values) {
    const size_t sites = rows * cols;
    if (quantities & kLevelCounts) {
        std::vector<double> counts(static_cast<size_t>(levels), 0.0);
        for (size_t i = 0; i < sites; ++i) {
            if (lattice[i] >= 0 && lattice[i] < levels) counts[static_cast<size_t>(lattice[i])] += 1.0;
        }
        values.insert(values.end(), counts.begin(), counts.end());
    }
    if (quantities & (kAlikeNeighbours | kNeighbourDifference)) {
        double pairs = 0.0;
        double alike = 0.0;
        double difference = 0.0;
        each_pair(rows, cols, torus, [&](size_t a, size_t b) {
            pairs += 1.0;
            alike += lattice[a] == lattice[b] ? 1.0 : 0.0;
            difference += std::abs(static_cast<double>(lattice[a]) - static_cast<double>(lattice[b]));
        });
        if (quantities & kAlikeNeighbours) values.push_back(pairs > 0 ? alike / pairs : 0.0);
        if (quantities & kNeighbourDifference) values.push_back(pairs > 0 ? difference / pairs : 0.0);
    }
    if (quantities & kClusters) {
        // Sites number at most 2^31 (the host's element limit): uint32 holds them.
        scratch.resize(2 * sites);
        uint32_t* parent = scratch.data();
        uint32_t* size = parent + sites;
        std::iota(parent, parent + sites, uint32_t{0});
        std::fill(size, size + sites, uint32_t{0});
        each_pair(rows, cols, torus, [&](size_t a, size_t b) {
            if (lattice[a] != lattice[b]) return;
            const uint32_t ra = root_of(parent, static_cast<uint32_t>(a));
            const uint32_t rb = root_of(parent, static_cast<uint32_t>(b));
            if (ra != rb) parent[ra < rb ? rb : ra] = ra < rb ? ra : rb;
        });
        double count = 0.0;
        uint32_t largest = 0;
        for (size_t i = 0; i < sites; ++i) {
            const uint32_t r = root_of(parent, static_cast<uint32_t>(i));
            if (size[r]++ == 0) count += 1.0;
            if (size[r] > largest) largest = size[r];
        }
        values.push_back(count);
        values.push_back(static_cast<double>(largest));
    }
}

}  // namespace sweep
