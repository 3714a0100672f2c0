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

// Value sets both lattices draw from. Level values that are exact, inexact,
// negative, flat, tiny-sloped, cancelling, and so large that the
// tie-breaking jitter vanishes in the sum.
inline constexpr double kCaseValues[][2] = {{1, 0.5},   {0.1, 0.7},      {-0.3, 1.1},      {1e8, 0.37},
                                            {3.3e15, 1.0 / 3}, {0.2, 1e-3}, {1, 0},     {0, 1},
                                            {-2, -0.75}, {0.3, 7.9},     {1e8, -3.7e7}};
inline constexpr double kCaseSeeds[] = {0, 1, -1, 2, -2, 2147483647, -2147483647, -2147483648.0, 2147483646, 7, 12345};
inline constexpr double kCaseNoises[] = {0, 1e-3, 0.3, 2.5, 40};
inline constexpr double kCaseRates[] = {0, 1e-4, 0.02, 0.5, 1, 1.5, -1};
inline constexpr int32_t kCaseLevels[] = {1, 2, 3, 5, 17, 100};
// Means so large that the jitter vanishes, with exact ties between levels:
// {intercept, slope, noise}.
inline constexpr double kCaseTies[][3] = {{1e8, 0, 0}, {1e12, 0, 0}, {1e8, 3e-9, 0}, {1e8, 0, 2e-8},
                                          {4503599627370497.0, 0.5, 0}};

template <typename T, size_t N>
const T& pick(const T (&values)[N], CaseDice& dice) {
    return values[dice.below(static_cast<uint32_t>(N))];
}

std::vector<double> initial_levels(size_t sites, int32_t levels, Layout layout, CaseDice& dice);

// One input of a call, in a form every host can build: its class, shape and
// values (the real part; a complex input's imaginary part is zero).
enum class InputKind { kReal, kComplex, kSparse, kInt32, kLogical, kChar, kSingle };
struct CaseInput {
    InputKind kind = InputKind::kReal;
    std::vector<size_t> dims;       // at least two
    std::vector<double> values;     // column-major, one per element
};

// A call of a gateway: which one, how many outputs, and the inputs.
struct GatewayCall {
    bool grid = false;              // gridsim, else ringsim
    int nlhs = 2;
    std::vector<CaseInput> inputs;
};

// The host's class number (mxClassID) of an input, and its element bytes.
int input_class_id(const CaseInput& input);
std::vector<unsigned char> input_bytes(const CaseInput& input);

// A valid case as a call: traits, the scalars, two outputs.
GatewayCall case_call(const GatewayCase& c);

// A call that the gateway must refuse with expected_id.
struct RejectedCase {
    std::string label;
    std::string expected_id;        // "<function>:<reason>"
    GatewayCall call;
};
std::vector<RejectedCase> rejected_cases();

// What a call gave, copied out of the host: the error raised, or the outputs.
struct CallOutcome {
    std::string error_id;           // empty when the call succeeded
    std::string error_message;
    std::vector<int32_t> final_traits;
    std::vector<double> mean_levels;
    size_t live_blocks = 0;         // scratch blocks the call left allocated
};

// Makes calls in one host (the stand-in linked in, or plug-in DLLs).
using CaseRunner = CallOutcome (*)(const GatewayCall& call);

// The drivers' main: runs the stream probes, every case and every rejected
// case through run and prints their digests (or, with --dump N, case N in
// full); returns the exit status.
int report_cases(CaseRunner run, int argc, char** argv);

std::vector<GatewayCase> ring_cases();
std::vector<GatewayCase> torus_cases();

// Digest of the scores and fitness that the model's own routines compute for
// a case's final levels: the outputs proper are levels and exact means, which
// a last-bit difference in the model's arithmetic rarely reaches.
uint64_t ring_state_digest(const GatewayCase& c, const std::vector<int32_t>& final_traits);
uint64_t grid_state_digest(const GatewayCase& c, const std::vector<int32_t>& final_traits);
