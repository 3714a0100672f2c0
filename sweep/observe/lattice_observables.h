// Quantities of a lattice of levels that a sweep can observe at chosen
// steps, each a function of the lattice alone:
//   level_counts          the number of sites at each level 0 .. levels - 1
//   alike_neighbours      the share of neighbour pairs whose levels are equal
//   neighbour_difference  the mean absolute difference of their levels
//   clusters              connected groups of sites of one level: their
//                         count and the size of the largest
// Neighbour pairs wrap at the edges: on a ring each site with the next
// (n pairs), on a torus each site with the one to its right and the one
// below it (2 x rows x cols pairs); clusters connect through those pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sweep {

enum Quantity : unsigned {
    kLevelCounts = 1u,
    kAlikeNeighbours = 2u,
    kNeighbourDifference = 4u,
    kClusters = 8u,
    kAllQuantities = 15u,
};

// The names a description gives them, in the order of the bits.
inline constexpr const char* kQuantityNames[] = {"level_counts", "alike_neighbours", "neighbour_difference",
                                                 "clusters"};

// Values each observation holds, in this order: the level counts (levels
// of them), alike_neighbours, neighbour_difference, then the cluster count
// and the largest cluster's size, for the quantities chosen.
size_t observation_width(unsigned quantities, int32_t levels);

// Where each stored array's values lie in an observation: level_counts
// (width levels), alike_neighbours, neighbour_difference, cluster_count and
// largest_cluster (width 1 each), for the quantities chosen.
struct ObservedArray {
    const char* name;
    size_t offset;
    size_t width;
};
std::vector<ObservedArray> observed_arrays(unsigned quantities, int32_t levels);

// Appends the chosen quantities of lattice (rows x cols levels, column-
// major; a ring is one column, torus false) to values. Levels at or above
// levels are not counted; the counts of levels a run does not reach are 0.
// scratch is the clusters' working memory (two entries a site), kept by
// the caller from one observation to the next: memory touched afresh each
// time would cost more than the counting.
void observe_lattice(const int32_t* lattice, size_t rows, size_t cols, bool torus, int32_t levels,
                     unsigned quantities, std::vector<uint32_t>& scratch, std::vector<double>& values);

}  // namespace sweep
