// The runs of latticesim_selfcheck: writes their expected results from this
// build, or checks this build against them with the self-check's verdict,
// through the gateways in the stand-in host.
//
//   selfcheck_cases write FILE   run every case, write FILE
//   selfcheck_cases check FILE   run FILE's cases; exit 0 on pass, 1 when any
//                                run differs, 2 when FILE cannot be read
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "case_table.h"
#include "gateway_call.h"
#include "selfcheck_file.h"

namespace {

// Case-matrix cases (indices into ring_cases() then torus_cases()). The first
// ones differ in final levels or means in a 32-bit build with x87 arithmetic
// (LATTICESIM_DROP_FP_FLAGS=-mfpmath=sse): exact ties, inexact level values,
// mixed runs, on the ring and under all four rule pairs of the torus. The
// rest cover what that build gets right: shapes, radii, noises, rates,
// levels, seeds, layouts, odd rule flags, a single step.
const size_t kMatrixCases[] = {
    // differ with x87 arithmetic
    71, 75, 162, 187,           // ring: ties, mixed
    238, 251, 497,              // torus, linear rule, four neighbours
    309, 322, 510,              // linear rule, eight neighbours
    380, 393,                   // quadrant rule, four neighbours
    464, 579,                   // quadrant rule, eight neighbours
    // ring: base, shapes 1 x 16 and 40 x 25, radii -3 and 40, noise 40,
    // rate 1, levels 1 and 100, seed -2^31, ramp, one step
    0, 4, 6, 8, 13, 18, 23, 26, 31, 39, 56, 58,
    // torus: each rule pair's base, shapes 1 x 1, 2 x 2 and 40 x 25 (linear
    // and quadrant), noise 40, rate 1.5, levels 1 and 100, odd flags
    196, 267, 338, 409, 197, 200, 203, 416, 351, 286, 430, 435, 480, 481, 482,
};

GatewayCase worked_ring_small() {
    return {"worked ring: 8 sites, levels 0..2, 10 steps, seed 7", false, 8, 1, {0, 1, 2, 1, 0, 2, 1, 0},
            {1, 0.5, 3, 2, 0.1, 0.05, 10, 7}};
}

GatewayCase worked_grid_small() {
    return {"worked torus: 2 x 3, quadrant score, eight neighbours, 5 steps, seed 7", true, 2, 3,
            {0, 2, 1, 1, 2, 0}, {0.5, 1, 3, 1, 1, 0.3, 0.05, 5, 7}};
}

// The demonstration's long runs, as demo/lattice_demo.m lays them out.
GatewayCase worked_ring_long() {
    GatewayCase c{"worked ring: 1000 sites, 10 levels, 20000 steps, seed 42", false, 1000, 1, {},
                  {1, 0.2, 10, 2, 0.1, 0.001, 20000, 42}};
    for (int i = 0; i < 1000; ++i) c.traits.push_back((i / 100) % 10);
    return c;
}

GatewayCase worked_grid_long() {
    GatewayCase c{"worked torus: 64 x 64, 10 levels, 20000 steps, seed 42", true, 64, 64, {},
                  {1, 0.2, 10, 1, 1, 0.1, 0.001, 20000, 42}};
    for (int col = 0; col < 64; ++col)
        for (int row = 0; row < 64; ++row) c.traits.push_back((col / 8 + row / 8) % 10);
    return c;
}

std::vector<GatewayCase> selfcheck_cases() {
    std::vector<GatewayCase> matrix = ring_cases();
    for (auto& c : torus_cases()) matrix.push_back(std::move(c));
    std::vector<GatewayCase> cases{worked_ring_small(), worked_grid_small(), worked_ring_long(), worked_grid_long()};
    for (size_t k : kMatrixCases) {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "matrix %03zu ", k);
        cases.push_back(matrix.at(k));
        cases.back().label = prefix + cases.back().label;
    }
    return cases;
}

GatewayOutcome run(bool grid, size_t rows, size_t cols, const std::vector<double>& traits,
                   const std::vector<double>& arguments) {
    HostSession host;
    std::vector<mxArray*> inputs{host.make_double(rows, cols, traits)};
    for (double a : arguments) inputs.push_back(host.make_scalar(a));
    GatewayOutcome out = call_gateway(grid ? gridsim_mexFunction : ringsim_mexFunction, 2, inputs);
    for (auto& slot : out.outputs) slot = nullptr;  // the session owns them
    return out;
}

int write_expected(const std::string& path) {
    std::vector<SelfcheckRun> runs;
    for (const GatewayCase& c : selfcheck_cases()) {
        const GatewayOutcome out = run(c.grid, c.rows, c.cols, c.traits, c.scalars);
        if (!out.error_id.empty()) {
            std::fprintf(stderr, "%s: refused with %s\n", c.label.c_str(), out.error_id.c_str());
            return 1;
        }
        SelfcheckRun r{c.label, c.grid ? "gridsim" : "ringsim", c.rows, c.cols, c.scalars, c.traits,
                       out.final_traits, {}};
        for (double m : out.mean_levels) r.mean_bits.push_back(Digest::bits_of(m));
        runs.push_back(std::move(r));
    }
    write_selfcheck_file(path, runs);
    std::printf("wrote %zu runs to %s\n", runs.size(), path.c_str());
    return 0;
}

// The stand-in host's run of a call, as the self-check's verdict needs it.
CallOutcome run_call(const GatewayCall& call) {
    std::vector<double> scalars;
    for (size_t k = 1; k < call.inputs.size(); ++k) scalars.push_back(call.inputs[k].values.at(0));
    const CaseInput& traits = call.inputs.at(0);
    const GatewayOutcome out = run(call.grid, traits.dims.at(0), traits.dims.at(1), traits.values, scalars);
    return {out.error_id, out.error_message, out.final_traits, out.mean_levels, 0};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "write") == 0) return write_expected(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "check") == 0) return check_selfcheck_file(argv[2], run_call);
    std::fprintf(stderr, "usage: selfcheck_cases write|check FILE\n");
    return 2;
}
