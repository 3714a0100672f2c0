// The fixed matrix of cases that every build runs through the gateways; a
// build is exact when it prints the same digest for every case as every
// other build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct GatewayCase {
    std::string label;              // names the case in the printout
    bool grid;                      // torus gateway, else ring
    size_t rows, cols;
    std::vector<double> traits;     // column-major initial levels
    std::vector<double> scalars;    // the remaining arguments, in argument order
};

// Integer-only generator for initial levels and case choices, so that every
// build builds the very same cases.
struct CaseDice {
    uint64_t state;
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
    uint32_t below(uint32_t n) { return next() % n; }
};

// How the initial levels are laid out.
enum class Layout { kRandom, kAllEqual, kExtremes, kRamp };

std::vector<double> initial_levels(size_t sites, int32_t levels, Layout layout, CaseDice& dice);

std::vector<GatewayCase> ring_cases();
