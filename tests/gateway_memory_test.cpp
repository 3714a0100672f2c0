#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gateway_call.h"

namespace {

struct MemoryCase {
    const char* name;
    bool ring;            // ringsim's worked run, else gridsim's first whole run
    int nlhs;
    double steps;
    bool copies_outputs;  // as Octave, which copies the outputs on return
    size_t memory_limit;
    const char* fails_at;  // the array named in the message; null: the call runs
    size_t fails_bytes;
};

std::vector<mxArray*> make_args(HostSession& host, const MemoryCase& c) {
    std::vector<mxArray*> in;
    std::vector<double> scalars;
    if (c.ring) {
        in.push_back(host.make_double(8, 1, {0, 1, 2, 1, 0, 2, 1, 0}));
        scalars = {1, 0.5, 3, 2, 0.1, 0.05, c.steps, 7};
    } else {
        in.push_back(host.make_double(2, 3, {0, 2, 1, 1, 2, 0}));
        scalars = {0.5, 1, 3, 0, 0, 0.3, 0.05, c.steps, 7};
    }
    for (double s : scalars) in.push_back(host.make_scalar(s));
    return in;
}

// The ring of 8 sites and 3 levels, 10 steps, holds in turn final_traits 32
// bytes, mean_levels 80, the table 128, scores 64, fitness 64, the sums 24 and
// the counts 12: 404 at the peak. Each limit is one byte short of what the
// call holds once the named array is added. With 100 steps and copies, the
// outputs (32 + 800) and their copies need 1664 bytes after the scratch is freed.
const MemoryCase kCases[] = {
    {"final_traits", true, 2, 10, false, 31, "final_traits output", 32},
    {"mean_levels", true, 2, 10, false, 111, "mean_levels output", 80},
    {"table", true, 2, 10, false, 239, "random stream's table", 128},
    {"scores", true, 2, 10, false, 303, "scores scratch array", 64},
    {"fitness", true, 2, 10, false, 367, "fitness scratch array", 64},
    {"sums", true, 2, 10, false, 391, "per-level sums", 24},
    {"counts", true, 2, 10, false, 403, "per-level counts", 12},
    {"ring peak", true, 2, 10, false, 404, nullptr, 0},
    {"one output skips mean_levels", true, 1, 10, false, 324, nullptr, 0},
    {"copy of mean_levels", true, 2, 100, true, 1663, "copy of mean_levels", 800},
    {"peak with copies", true, 2, 100, true, 1664, nullptr, 0},
    {"torus final_traits", false, 2, 5, false, 23, "final_traits output", 24},
    {"torus counts", false, 2, 5, false, 323, "per-level counts", 12},
    {"torus peak", false, 2, 5, false, 324, nullptr, 0},
};

TEST(GatewayMemory, ShortMemoryIsRefusedBeforeAnythingIsCreated) {
    for (const MemoryCase& c : kCases) {
        HostSession host;
        host.memory_limit = c.memory_limit;
        host.copies_outputs = c.copies_outputs;
        const std::string function = c.ring ? "ringsim" : "gridsim";
        const auto out = call_gateway(c.ring ? ringsim_mexFunction : gridsim_mexFunction, c.nlhs, make_args(host, c));
        EXPECT_EQ(host.live_blocks(), 0u) << c.name;
        EXPECT_EQ(host.live_probes(), 0u) << c.name;
        if (c.fails_at == nullptr) {
            ASSERT_EQ(out.error_id, "") << c.name << ": " << out.error_message;
            // The probes asked for what the call then allocated, in the same order.
            std::vector<size_t> made = {out.final_traits.size() * 4};
            if (c.nlhs >= 2) made.push_back(out.mean_levels.size() * 8);
            made.insert(made.end(), host.allocated_bytes.begin(), host.allocated_bytes.end());
            ASSERT_GE(host.probed_bytes.size(), made.size()) << c.name;
            EXPECT_EQ(std::vector<size_t>(host.probed_bytes.begin(), host.probed_bytes.begin() + made.size()), made)
                << c.name;
            continue;
        }
        EXPECT_EQ(out.error_id, function + ":outOfMemory") << c.name << ": " << out.error_message;
        const std::string named = "the " + std::to_string(c.fails_bytes) + " bytes of the ";
        EXPECT_NE(out.error_message.find(named), std::string::npos) << c.name << ": " << out.error_message;
        EXPECT_NE(out.error_message.find(c.fails_at), std::string::npos) << c.name << ": " << out.error_message;
        EXPECT_EQ(out.outputs[0], nullptr) << c.name;
        EXPECT_TRUE(host.allocated_bytes.empty()) << c.name;
        for (const std::string& call : host.calls) EXPECT_EQ(call.rfind("mxCreate", 0), std::string::npos) << c.name;
    }
}

}  // namespace
