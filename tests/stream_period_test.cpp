// The stream-period warning: raised exactly when a run's mutation draws
// alone pass the stream's period (sites x steps > 2^31 - 2), after the
// argument checks and before anything is created, and changing nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gateway_call.h"

namespace {

constexpr int64_t kPeriod = 2147483646;  // 2^31 - 2

uint64_t digest(const GatewayOutcome& out) {
    uint64_t h = 1469598103934665603ull;
    auto add = [&h](const void* data, size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < bytes; ++i) h = (h ^ p[i]) * 1099511628211ull;
    };
    add(out.final_traits.data(), out.final_traits.size() * sizeof(int32_t));
    add(out.mean_levels.data(), out.mean_levels.size() * sizeof(double));
    return h;
}

struct Case {
    const char* name;
    bool ring;
    size_t rows, cols;
    int32_t steps;
    uint64_t digest;  // of a run made in full, recorded before the warning existed; 0: refused for memory
};

const Case kCases[] = {
    {"ring just below", true, 95, 1, 22605091, 0},           // 2^31 - 3
    {"ring at the period", true, 1386, 1, 1549411, 0},       // 2^31 - 2
    {"ring above, one site", true, 1, 1, 2147483647, 0},     // 2^31 - 1
    {"ring above, in full", true, 1048576, 1, 2048, 6202089817133706396ull},      // 2^31
    {"torus just below", false, 5, 19, 22605091, 0},
    {"torus at the period", false, 42, 33, 1549411, 0},
    {"torus above, in full", false, 1024, 1024, 2048, 298208662829105183ull},
};

// A run in full makes 2^31 site-steps: seconds here, minutes under the
// sanitizers, which check the warning's path but not the run.
#ifdef LATTICESIM_SANITIZED
constexpr bool kRunInFull = false;
#else
constexpr bool kRunInFull = true;
#endif

TEST(StreamPeriod, WarnsExactlyAbovePeriodAndChangesNothing) {
    for (const Case& c : kCases) {
        HostSession host;
        const bool in_full = c.digest != 0 && kRunInFull;
        if (!in_full) host.memory_limit = size_t{1} << 20;  // stops the call before its outputs
        std::vector<double> traits(c.rows * c.cols);
        for (size_t i = 0; i < traits.size(); ++i) traits[i] = static_cast<double>(i % 3);
        std::vector<mxArray*> in{host.make_double(c.rows, c.cols, traits)};
        const std::vector<double> ring_scalars{1, 0.5, 3, 2, 0.1, 0.01, double(c.steps), 7};
        const std::vector<double> torus_scalars{1, 0.5, 3, 1, 1, 0.1, 0.01, double(c.steps), 7};
        for (double s : c.ring ? ring_scalars : torus_scalars) in.push_back(host.make_scalar(s));
        const std::string function = c.ring ? "ringsim" : "gridsim";
        const auto out = call_gateway(c.ring ? ringsim_mexFunction : gridsim_mexFunction, 2, in);

        const int64_t sites = static_cast<int64_t>(c.rows * c.cols);
        const bool wraps = sites * c.steps > kPeriod;
        const std::string entry = "mexWarnMsgIdAndTxt(" + function + ":streamPeriod)";
        const auto warning = std::find(host.calls.begin(), host.calls.end(), entry);
        ASSERT_EQ(std::count(host.calls.begin(), host.calls.end(), entry), wraps ? 1 : 0) << c.name;
        ASSERT_EQ(host.warnings.size(), wraps ? 1u : 0u) << c.name;
        if (wraps) {
            // Right after the last argument is read, before anything is created.
            EXPECT_EQ(*(warning - 1), "mxGetScalar") << c.name;
            EXPECT_EQ(std::count(host.calls.begin(), warning, std::string("mxMalloc(128)")), 0) << c.name;
            const std::string step = "from step " + std::to_string(kPeriod / sites + 1) + " ";
            EXPECT_NE(host.warnings[0].find(step), std::string::npos) << host.warnings[0];
        }
        if (!in_full) {
            EXPECT_EQ(out.error_id, function + ":outOfMemory") << c.name;
            continue;
        }
        ASSERT_EQ(out.error_id, "") << c.name;
        EXPECT_EQ(digest(out), c.digest) << c.name;
        EXPECT_EQ(host.live_blocks(), 0u) << c.name;
    }
}

}  // namespace
