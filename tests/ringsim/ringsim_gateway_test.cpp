#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "gateway_call.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// The worked run's arguments; tests change one at a time.
struct RingArgs {
    size_t rows = 8, cols = 1;
    std::vector<double> traits{0, 1, 2, 1, 0, 2, 1, 0};
    double scalars[8] = {1, 0.5, 3, 2, 0.1, 0.05, 10, 7};  // intercept .. seed

    std::vector<mxArray*> make(HostSession& host) const {
        std::vector<mxArray*> in{host.make_double(rows, cols, traits)};
        for (double s : scalars) in.push_back(host.make_scalar(s));
        return in;
    }
};

enum { kIntercept, kSlope, kLevels, kRadius, kNoise, kRate, kSteps, kSeed };

TEST(RingsimGateway, WorkedRunThroughTheHostCalls) {
    HostSession host;
    const auto out = call_gateway(ringsim_mexFunction, 2, RingArgs{}.make(host));
    ASSERT_EQ(out.error_id, "");
    EXPECT_EQ(out.final_traits, (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 2, 0}));
    EXPECT_EQ(out.mean_levels, (std::vector<double>{1, 0.875, 0.625, 0.625, 0.375, 0.375, 0.5, 0.25, 0.25, 0.25}));
    EXPECT_EQ(out.outputs[0]->class_id, mxINT32_CLASS);
    EXPECT_EQ(out.outputs[0]->dims, (std::vector<size_t>{8, 1}));
    EXPECT_EQ(out.outputs[1]->class_id, mxDOUBLE_CLASS);
    EXPECT_EQ(out.outputs[1]->dims, (std::vector<size_t>{10, 1}));

    const std::vector<std::string> expected_calls = {
        "mxGetPr", "mxGetM", "mxGetN", "mxGetScalar", "mxGetScalar", "mxGetScalar", "mxGetScalar",
        "mxGetScalar", "mxGetScalar", "mxGetScalar", "mxGetScalar",
        "mxCreateNumericArray_700(2,{8,1},12,0)", "mxGetPr", "mxCreateDoubleMatrix_700(10,1,0)", "mxGetPr",
        "mxMalloc(128)", "mxMalloc(64)", "mxMalloc(64)", "mxMalloc(24)", "mxMalloc(12)",
        "mxFree", "mxFree", "mxFree", "mxFree", "mxFree"};
    EXPECT_EQ(host.calls, expected_calls);
    EXPECT_EQ(host.freed_blocks, (std::vector<size_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(host.live_blocks(), 0u);
}

TEST(RingsimGateway, MatrixInputBecomesAColumnInStorageOrder) {
    HostSession host;
    RingArgs a;
    a.rows = 2;
    a.cols = 3;
    a.traits = {0, 1, 2, 2, 1, 0};
    a.scalars[kSteps] = 0;
    const auto out = call_gateway(ringsim_mexFunction, 2, a.make(host));
    ASSERT_EQ(out.error_id, "");
    EXPECT_EQ(out.outputs[0]->dims, (std::vector<size_t>{6, 1}));
    EXPECT_EQ(out.final_traits, (std::vector<int32_t>{0, 1, 2, 2, 1, 0}));
    EXPECT_EQ(out.outputs[1]->dims, (std::vector<size_t>{0, 1}));
}

// Harmless arguments: each pair of calls must give identical outputs.
TEST(RingsimGateway, EquivalentArgumentsGiveIdenticalRuns) {
    struct Case {
        const char* name;
        int index;  // -1: traits
        double a, b;
    };
    const Case cases[] = {
        {"levels 3.9 acts as 3", kLevels, 3.9, 3},      {"steps 2.5 acts as 2", kSteps, 2.5, 2},
        {"seed -7.9 acts as 7", kSeed, -7.9, 7},         {"seed 0 acts as 1", kSeed, 0, -1},
        {"radius 2.7 acts as 2", kRadius, 2.7, 2},       {"NaN rate acts as 0", kRate, kNaN, 0},
        {"negative rate acts as 0", kRate, -3, 0},       {"rate 5 acts as 1", kRate, 5, 1},
        {"negative radius acts as 0", kRadius, -4, 0},   {"initial 2.9 enters as 2", -1, 2.9, 2},
    };
    for (const auto& c : cases) {
        std::vector<std::vector<int32_t>> traits;
        std::vector<std::vector<double>> means;
        for (double v : {c.a, c.b}) {
            HostSession host;
            RingArgs args;
            if (c.index < 0) {
                args.traits[2] = v;
            } else {
                args.scalars[c.index] = v;
            }
            const auto out = call_gateway(ringsim_mexFunction, 2, args.make(host));
            ASSERT_EQ(out.error_id, "") << c.name << ": " << out.error_message;
            traits.push_back(out.final_traits);
            means.push_back(out.mean_levels);
        }
        EXPECT_EQ(traits[0], traits[1]) << c.name;
        EXPECT_EQ(means[0], means[1]) << c.name;
    }
}

TEST(RingsimGateway, DegenerateButValidCallsRun) {
    struct Case {
        const char* name;
        RingArgs args;
    };
    std::vector<Case> cases;
    for (double seed : {2147483647.0, -2147483647.0, -2147483648.0}) {
        RingArgs a;
        a.scalars[kSeed] = seed;
        cases.push_back({"extreme seed", a});
    }
    RingArgs empty;
    empty.rows = 0;
    empty.traits.clear();
    empty.scalars[kSteps] = 0;
    cases.push_back({"empty ring, no steps", empty});
    RingArgs wide;
    wide.scalars[kRadius] = 50;
    cases.push_back({"radius beyond the ring", wide});
    RingArgs quiet;
    quiet.scalars[kNoise] = 0;
    cases.push_back({"noise 0", quiet});
    for (const auto& c : cases) {
        HostSession host;
        const auto out = call_gateway(ringsim_mexFunction, 2, c.args.make(host));
        ASSERT_EQ(out.error_id, "") << c.name << ": " << out.error_message;
        const auto steps = static_cast<size_t>(c.args.scalars[kSteps]);
        ASSERT_EQ(out.mean_levels.size(), steps) << c.name;
        int64_t sum = 0;
        for (int32_t v : out.final_traits) {
            EXPECT_TRUE(v >= 0 && v < 3) << c.name;
            sum += v;
        }
        if (steps > 0) {
            EXPECT_EQ(out.mean_levels.back(), static_cast<double>(sum) / out.final_traits.size()) << c.name;
        }
        EXPECT_EQ(host.live_blocks(), 0u) << c.name;
    }
    // Seed -2147483648 behaves as seed 1.
    HostSession h1, h2;
    RingArgs a, b;
    a.scalars[kSeed] = -2147483648.0;
    b.scalars[kSeed] = 1;
    EXPECT_EQ(call_gateway(ringsim_mexFunction, 2, a.make(h1)).mean_levels,
              call_gateway(ringsim_mexFunction, 2, b.make(h2)).mean_levels);
}

TEST(RingsimGateway, OneOutputCallStoresOnlyTheFirstSlot) {
    for (int nlhs : {0, 1}) {
        HostSession host;
        GatewayOutcome reference;
        {
            HostSession h;
            reference = call_gateway(ringsim_mexFunction, 2, RingArgs{}.make(h));
        }
        const auto out = call_gateway(ringsim_mexFunction, nlhs, RingArgs{}.make(host));
        ASSERT_EQ(out.error_id, "");
        EXPECT_EQ(out.outputs[1], nullptr);
        EXPECT_EQ(out.final_traits, reference.final_traits);
        EXPECT_EQ(host.live_blocks(), 0u);
    }
}

struct Rejection {
    const char* name;
    std::string id;
    void (*tweak)(HostSession&, std::vector<mxArray*>&, int& nlhs);
};

TEST(RingsimGateway, BadCallsAreRejectedBeforeAnythingIsAllocated) {
    const Rejection cases[] = {
        {"eight inputs", "ringsim:nrhs", [](HostSession&, std::vector<mxArray*>& in, int&) { in.pop_back(); }},
        {"ten inputs", "ringsim:nrhs",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in.push_back(h.make_scalar(1)); }},
        {"three outputs", "ringsim:nlhs", [](HostSession&, std::vector<mxArray*>&, int& nlhs) { nlhs = 3; }},
        {"int32 traits", "ringsim:traitsClass",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[0] = h.make_array(mxINT32_CLASS, {8, 1}); }},
        {"logical traits", "ringsim:traitsClass",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[0] = h.make_array(mxLOGICAL_CLASS, {8, 1}); }},
        {"char traits", "ringsim:traitsClass",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[0] = h.make_array(mxCHAR_CLASS, {1, 8}); }},
        {"complex traits", "ringsim:traitsClass",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[0] = h.make_array(mxDOUBLE_CLASS, {8, 1}, true); }},
        {"sparse traits", "ringsim:traitsClass",
         [](HostSession& h, std::vector<mxArray*>& in, int&) {
             in[0] = h.make_array(mxDOUBLE_CLASS, {8, 1}, false, true);
         }},
        {"cell traits", "ringsim:traitsClass",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[0] = h.make_array(mxCELL_CLASS, {8, 1}); }},
        {"struct traits", "ringsim:traitsClass",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[0] = h.make_array(mxSTRUCT_CLASS, {1, 1}); }},
        {"vector slope", "ringsim:notScalar",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[2] = h.make_double(1, 2, {1, 2}); }},
        {"empty levels", "ringsim:notScalar",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[3] = h.make_double(0, 0, {}); }},
        {"logical noise", "ringsim:notScalar",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[5] = h.make_array(mxLOGICAL_CLASS, {1, 1}); }},
        {"complex seed", "ringsim:notScalar",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[8] = h.make_array(mxDOUBLE_CLASS, {1, 1}, true); }},
        {"char steps", "ringsim:notScalar",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[7] = h.make_array(mxCHAR_CLASS, {1, 1}); }},
    };
    for (const auto& c : cases) {
        HostSession host;
        auto in = RingArgs{}.make(host);
        int nlhs = 2;
        c.tweak(host, in, nlhs);
        const auto out = call_gateway(ringsim_mexFunction, nlhs, in);
        EXPECT_EQ(out.error_id, c.id) << c.name << ": " << out.error_message;
        EXPECT_TRUE(host.allocated_bytes.empty()) << c.name;
        EXPECT_EQ(out.outputs[0], nullptr) << c.name;
    }
}

TEST(RingsimGateway, BadValuesAreRejectedNamingTheArgument) {
    struct Case {
        const char* name;
        int index;  // into scalars; -1 sets traits[5], -2 empties the ring
        double value;
        std::string id;
        std::string mentions;
    };
    std::vector<Case> cases = {
        {"NaN levels", kLevels, kNaN, "ringsim:notInt32", "levels"},
        {"levels past int32", kLevels, 2147483648.0, "ringsim:notInt32", "levels"},
        {"infinite radius", kRadius, kInf, "ringsim:notInt32", "radius"},
        {"steps below int32", kSteps, -2147483649.0, "ringsim:notInt32", "steps"},
        {"steps past int32, in full", kSteps, 2147483648.0, "ringsim:notInt32", "got 2147483648."},
        {"NaN seed", kSeed, kNaN, "ringsim:notInt32", "seed"},
        {"infinite intercept", kIntercept, kInf, "ringsim:notFinite", "intercept"},
        {"NaN slope", kSlope, kNaN, "ringsim:notFinite", "slope"},
        {"infinite noise", kNoise, -kInf, "ringsim:notFinite", "noise"},
        {"levels 0", kLevels, 0.5, "ringsim:levels", "levels"},
        {"negative levels", kLevels, -3, "ringsim:levels", "levels"},
        {"negative steps", kSteps, -1, "ringsim:steps", "steps"},
        {"initial level at levels", -1, 3, "ringsim:traitOutOfRange", "traits(6)"},
        {"initial level below 0", -1, -1, "ringsim:traitOutOfRange", "traits(6)"},
        {"initial level NaN", -1, kNaN, "ringsim:traitOutOfRange", "traits(6) is NaN;"},
        {"initial level just past the top", -1, 3.0000001, "ringsim:traitOutOfRange", "traits(6) is 3.0000001;"},
        {"empty ring with steps", -2, 0, "ringsim:emptyTraits", "ring"},
    };
    // A 64-bit host takes these levels (tests/large_call_test.cpp).
    if (sizeof(size_t) < 8) {
        cases.push_back({"levels too large for 32-bit byte counts", kLevels, 536870912, "ringsim:tooLarge", "levels"});
    }
    for (const auto& c : cases) {
        HostSession host;
        RingArgs a;
        if (c.index >= 0) a.scalars[c.index] = c.value;
        if (c.index == -1) a.traits[5] = c.value;
        if (c.index == -2) {
            a.rows = 0;
            a.traits.clear();
        }
        const auto out = call_gateway(ringsim_mexFunction, 2, a.make(host));
        EXPECT_EQ(out.error_id, c.id) << c.name << ": " << out.error_message;
        EXPECT_NE(out.error_message.find(c.mentions), std::string::npos) << c.name << ": " << out.error_message;
        EXPECT_TRUE(host.allocated_bytes.empty()) << c.name;
    }
    // Boundary values that are accepted: -0.9 truncates to level 0.
    HostSession host;
    RingArgs a;
    a.traits[5] = -0.9;
    EXPECT_EQ(call_gateway(ringsim_mexFunction, 2, a.make(host)).error_id, "");
}

// All 1 + 2 x radius observations of a step may fall under one level, whose
// count is an int32; a wider radius used to overflow it. No steps, so that
// a wrongly accepted radius fails at once instead of running for minutes.
TEST(RingsimGateway, RadiusIsBoundedByTheTallyCount) {
    const std::pair<double, std::string> cases[] = {
        {1073741823, ""}, {1073741824, "ringsim:radius"}, {2147483647, "ringsim:radius"}};
    for (const auto& [radius, id] : cases) {
        HostSession host;
        RingArgs a;
        a.scalars[kRadius] = radius;
        a.scalars[kSteps] = 0;
        const auto out = call_gateway(ringsim_mexFunction, 2, a.make(host));
        EXPECT_EQ(out.error_id, id) << radius;
        if (!id.empty()) {
            EXPECT_TRUE(host.allocated_bytes.empty()) << radius;
        }
    }
}

TEST(RingsimGateway, TooManySitesAreRejectedWithoutReadingThem) {
    HostSession host;
    auto in = RingArgs{}.make(host);
    // A shape whose element count overflows 32-bit byte counts; its data is
    // never read because the size check comes first.
    auto huge = std::make_unique<mxArray>();
    huge->dims = {65536, 65536};
    in[0] = host.adopt(std::move(huge));
    const auto out = call_gateway(ringsim_mexFunction, 2, in);
    EXPECT_EQ(out.error_id, "ringsim:tooLarge");
    EXPECT_TRUE(host.allocated_bytes.empty());
}

TEST(RingsimGateway, HostOutOfMemoryLeavesNothingBehind) {
    for (size_t limit : {0, 64}) {
        auto out = GatewayOutcome{};
        {
            HostSession host;
            host.malloc_limit = limit;
            RingArgs a;
            a.rows = 100;
            a.traits.assign(100, 1);
            out = call_gateway(ringsim_mexFunction, 2, a.make(host));
            EXPECT_EQ(out.error_id, "ringsim:outOfMemory");
            EXPECT_TRUE(host.allocated_bytes.empty());
            EXPECT_EQ(host.live_probes(), 0u);
        }
    }
}

}  // namespace
