// The fixed matrix of cases that every build runs through the gateways; a
// build is exact when it prints the same digest for every case as every
// other build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
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

// FNV-1a over a canonical little-endian byte stream.
struct Digest {
    uint64_t h = 14695981039346656037ull;
    void add_byte(unsigned char b) { h = (h ^ b) * 1099511628211ull; }
    void add_u64(uint64_t v) {
        for (int k = 0; k < 8; ++k) add_byte(static_cast<unsigned char>(v >> (8 * k)));
    }
    void add_double(double v) { add_u64(bits_of(v)); }
    static uint64_t bits_of(double v) {
        uint64_t b;
        std::memcpy(&b, &v, sizeof b);
        return b;
    }
};

// How the initial levels are laid out.
enum class Layout { kRandom, kAllEqual, kExtremes, kRamp };

std::vector<double> initial_levels(size_t sites, int32_t levels, Layout layout, CaseDice& dice);

std::vector<GatewayCase> ring_cases();

// Digest of the scores and fitness that the model's own routines compute for
// a case's final levels: the outputs proper are levels and exact means, which
// a last-bit difference in the model's arithmetic rarely reaches.
uint64_t ring_state_digest(const GatewayCase& c, const std::vector<int32_t>& final_traits);
