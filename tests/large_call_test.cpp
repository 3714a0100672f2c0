// Large calls: lattices past 4 GiB of scratch, through the stand-in host's
// accounting alone (its probes and refused requests hold no real memory, so
// those sizes are never allocated), and the check of many initial levels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "gateway_checks.h"
#include "scratch_blocks.h"
#include "standin_host.h"

namespace {

constexpr bool kWideHost = sizeof(size_t) >= 8;
constexpr size_t kRows = 46341, kCols = 46340;  // 2147441940 sites: 16 GiB of scores
constexpr uint64_t kSites = uint64_t{kRows} * kCols;

// The rule as a host with 32-bit sizes applies it (kMaxElements) and as one
// with 64-bit sizes does (INT32_MAX); the gateway's own check on this build.
TEST(LargeCalls, SiteAndLevelLimitsFollowTheHostsAllocator) {
    struct Case {
        size_t rows, cols;
        int32_t levels;
        const char* narrow_refuses;  // what a 32-bit host names as too large (null: accepted)
        const char* wide_refuses;    // what a 64-bit host names
    };
    const Case cases[] = {
        {536870911, 1, 10, nullptr, nullptr},
        {536870912, 1, 10, "traits", nullptr},
        {1, 536870912, 10, "traits", nullptr},
        {kRows, kCols, 10, "traits", nullptr},
        {2147483647, 1, 2147483647, "traits", nullptr},
        {65536, 32768, 10, "traits", "traits"},          // 2^31 sites
        {0, size_t{1} << 31, 10, "traits", "traits"},    // a column count past int32
        {10, 10, 536870912, "levels", nullptr},
    };
    for (const Case& c : cases) {
        for (const bool wide : {false, true}) {
            const char* refuses = wide ? c.wide_refuses : c.narrow_refuses;
            const std::string name = std::to_string(c.rows) + " x " + std::to_string(c.cols) + ", levels " +
                                     std::to_string(c.levels) + (wide ? ", 64-bit" : ", 32-bit");
            int32_t sites = -1;
            arguments::ArgumentFault fault;
            const bool accepted = arguments::site_count_rule("torus", c.rows, c.cols, c.levels, 0, sites, fault,
                                                  wide ? INT32_MAX : arguments::kMaxElements);
            EXPECT_EQ(accepted, refuses == nullptr) << name;
            if (accepted) {
                EXPECT_EQ(static_cast<uint64_t>(sites), uint64_t{c.rows} * c.cols) << name;
            } else {
                EXPECT_EQ(std::string(fault.reason), "tooLarge") << name;
                EXPECT_EQ(std::string(fault.argument), refuses) << name;
            }
            if (wide != kWideHost) continue;
            HostSession host;
            std::string raised;
            try {
                EXPECT_EQ(host::checked_site_count("gridsim", "torus", c.rows, c.cols, c.levels, 0), sites) << name;
            } catch (const HostError& e) {
                raised = e.identifier;
            }
            EXPECT_EQ(raised, accepted ? "" : "gridsim:tooLarge") << name;
        }
    }
}

// Probes of 16 GiB blocks pass on a 64-bit host with the memory and name
// the block that does not fit otherwise; a 32-bit host cannot even ask.
TEST(LargeCalls, CallMemoryIsProbedPastFourGiB) {
    const uint64_t traits = kSites * 4, scores = kSites * 8, means = 5 * 8;
    const uint64_t to_fitness = traits + means + 128 + scores + scores;
    struct Case {
        bool copies;
        uint64_t limit;
        const char* fails_at;  // null: fits
    };
    const Case cases[] = {
        {false, UINT64_MAX, nullptr},
        {true, UINT64_MAX, nullptr},
        {false, to_fitness - 1, "fitness scratch array"},
        {true, to_fitness + 80 + 40, nullptr},
        {false, traits - 1, "final_traits output"},
    };
    for (const Case& c : cases) {
        HostSession host;
        host.copies_outputs = c.copies;
        host.memory_limit = c.limit > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(c.limit);
        std::string raised, message;
        try {
            host::check_call_memory("gridsim", 2, static_cast<int32_t>(kRows), static_cast<int32_t>(kCols), 5, 10);
        } catch (const HostError& e) {
            raised = e.identifier;
            message = e.what();
        }
        EXPECT_EQ(host.live_probes(), 0u);
        const char* fails_at = kWideHost ? c.fails_at : "final_traits output";
        if (fails_at == nullptr) {
            EXPECT_EQ(raised, "") << message;
            std::vector<uint64_t> probed = {traits, means, 128, scores, scores, 80, 40};
            if (c.copies) probed.insert(probed.end(), {traits, means});
            EXPECT_EQ(std::vector<uint64_t>(host.probed_bytes.begin(), host.probed_bytes.end()), probed);
            continue;
        }
        EXPECT_EQ(raised, "gridsim:outOfMemory") << fails_at;
        EXPECT_NE(message.find(fails_at), std::string::npos) << message;
        const uint64_t bytes = std::string(fails_at) == "fitness scratch array" ? scores : traits;
        EXPECT_NE(message.find(std::to_string(bytes) + " bytes"), std::string::npos) << message;
    }
}

// The blocks are asked for in full: a request the host refuses is logged
// with its byte count and never made.
TEST(LargeCalls, ScratchBlocksAreRequestedInFullBytes) {
    if (!kWideHost) GTEST_SKIP() << "a 32-bit host refuses these sites before allocating";
    HostSession host;
    host.malloc_limit = size_t{1} << 20;
    core::ModelState state{};
    EXPECT_THROW(host::scratch_allocate(state, static_cast<int32_t>(kSites), 10), HostError);
    const std::vector<std::string> calls = {"mxMalloc(128)", "mxMalloc(" + std::to_string(kSites * 8) + ")"};
    EXPECT_EQ(host.calls, calls);
    EXPECT_EQ(host.allocated_bytes, std::vector<size_t>{128});
}

// The check runs blocks of values at a time: the first value outside is
// named wherever it lies in a block, whatever follows it.
TEST(LargeCalls, FirstInitialLevelOutsideIsNamedInAnyBlock) {
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    struct Case {
        int32_t count, first_bad;  // first_bad -1: none
        double bad;
    };
    const Case cases[] = {
        {3000, -1, 0.0},     {1, 0, nan},         {2, 1, -1.0},      {1023, 1022, 10.0}, {1024, 1023, inf},
        {1025, 1024, -inf},  {2049, 2048, nan},   {3000, 1500, 10.5}, {3000, 2047, -1.5}, {3000, 0, 1e300},
    };
    for (const Case& c : cases) {
        std::vector<double> source(static_cast<size_t>(c.count));
        for (int32_t i = 0; i < c.count; ++i) source[i] = i % 2 == 0 ? 9.99 : -0.99;
        if (c.first_bad >= 0) {
            source[c.first_bad] = c.bad;
            for (int32_t i = c.first_bad + 1; i < c.count; i += 7) source[i] = -2.0;  // later faults
        }
        arguments::ArgumentFault fault;
        const bool accepted = arguments::initial_levels_rule(source.data(), c.count, 10, fault);
        EXPECT_EQ(accepted, c.first_bad < 0) << c.count << ", " << c.first_bad;
        if (c.first_bad >= 0) {
            const std::string named = "traits(" + std::to_string(c.first_bad + 1) + ") is ";
            EXPECT_EQ(std::string(fault.message).rfind(named, 0), 0u) << fault.message;
        }
    }
}

}  // namespace
