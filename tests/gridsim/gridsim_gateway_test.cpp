#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "gateway_call.h"
#include "gridsim/torus_whole_runs.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

enum { kIntercept, kSlope, kLevels, kPayoff, kNeighbourhood, kNoise, kRate, kSteps, kSeed };

// The first whole run's arguments; tests change one at a time.
struct GridArgs {
    size_t rows = 2, cols = 3;
    std::vector<double> traits = kSmallInput;
    double scalars[9] = {0.5, 1, 3, 0, 0, 0.3, 0.05, 5, 7};

    std::vector<mxArray*> make(HostSession& host) const {
        std::vector<mxArray*> in{host.make_double(rows, cols, traits)};
        for (double s : scalars) in.push_back(host.make_scalar(s));
        return in;
    }
};

TEST(GridsimGateway, WholeRunsThroughTheHostCalls) {
    for (const auto& w : whole_runs()) {
        HostSession host;
        GridArgs a;
        a.scalars[kPayoff] = w.payoff_mode;
        a.scalars[kNeighbourhood] = w.neighbourhood;
        a.scalars[kNoise] = w.noise;
        a.scalars[kRate] = w.rate;
        a.scalars[kSteps] = w.steps;
        a.scalars[kSeed] = w.seed;
        const auto out = call_gateway(gridsim_mexFunction, 2, a.make(host));
        ASSERT_EQ(out.error_id, "") << out.error_message;
        EXPECT_EQ(out.final_traits, w.final_storage_order) << w.name;
        EXPECT_EQ(out.mean_levels, w.means) << w.name;
        EXPECT_EQ(out.outputs[0]->class_id, mxINT32_CLASS);
        EXPECT_EQ(out.outputs[0]->dims, (std::vector<size_t>{2, 3})) << w.name;
        EXPECT_EQ(out.outputs[1]->dims, (std::vector<size_t>{static_cast<size_t>(w.steps), 1})) << w.name;
        EXPECT_EQ(host.live_blocks(), 0u);
    }
}

TEST(GridsimGateway, HostCallsFollowTheGatewayOrder) {
    HostSession host;
    call_gateway(gridsim_mexFunction, 2, GridArgs{}.make(host));
    std::vector<std::string> expected = {"mxGetPr", "mxGetN", "mxGetM"};
    expected.insert(expected.end(), 9, "mxGetScalar");
    const std::vector<std::string> rest = {
        "mxCreateNumericArray_700(2,{2,3},12,0)", "mxGetPr", "mxCreateDoubleMatrix_700(5,1,0)", "mxGetPr",
        "mxMalloc(128)", "mxMalloc(48)", "mxMalloc(48)", "mxMalloc(24)", "mxMalloc(12)",
        "mxFree", "mxFree", "mxFree", "mxFree", "mxFree"};
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(host.calls, expected);
    EXPECT_EQ(host.freed_blocks, (std::vector<size_t>{0, 1, 2, 3, 4}));
}

TEST(GridsimGateway, EquivalentArgumentsGiveIdenticalRuns) {
    struct Case {
        const char* name;
        int index;  // -1: traits[4]
        double a, b;
    };
    const Case cases[] = {
        {"payoff_mode 0.9 is linear", kPayoff, 0.9, 0},   {"payoff_mode -2 is quadrant", kPayoff, -2, 1},
        {"neighbourhood -1 is eight", kNeighbourhood, -1, 1}, {"neighbourhood 0.5 is four", kNeighbourhood, 0.5, 0},
        {"initial 2.9 enters as 2", -1, 2.9, 2},          {"initial -0.7 enters as 0", -2, -0.7, 0},
        {"seed -7 is seed 7", kSeed, -7, 7},              {"NaN rate never mutates", kRate, kNaN, 0},
    };
    for (const auto& c : cases) {
        std::vector<std::vector<int32_t>> traits;
        std::vector<std::vector<double>> means;
        for (double v : {c.a, c.b}) {
            HostSession host;
            GridArgs args;
            if (c.index == -1) {
                args.traits[4] = v;
            } else if (c.index == -2) {
                args.traits[0] = v;
            } else {
                args.scalars[c.index] = v;
            }
            const auto out = call_gateway(gridsim_mexFunction, 2, args.make(host));
            ASSERT_EQ(out.error_id, "") << c.name << ": " << out.error_message;
            traits.push_back(out.final_traits);
            means.push_back(out.mean_levels);
        }
        EXPECT_EQ(traits[0], traits[1]) << c.name;
        EXPECT_EQ(means[0], means[1]) << c.name;
    }
}

TEST(GridsimGateway, ShapesAreKept) {
    struct Case {
        size_t rows, cols;
        double steps;
    };
    const Case cases[] = {{1, 1, 20}, {1, 7, 20}, {7, 1, 20}, {3, 5, 20}, {0, 4, 0}, {4, 0, 0}, {0, 0, 0}};
    for (const auto& c : cases) {
        HostSession host;
        GridArgs a;
        a.rows = c.rows;
        a.cols = c.cols;
        a.traits.assign(c.rows * c.cols, 1);
        a.scalars[kSteps] = c.steps;
        a.scalars[kPayoff] = 1;
        a.scalars[kNeighbourhood] = 1;
        const auto out = call_gateway(gridsim_mexFunction, 2, a.make(host));
        ASSERT_EQ(out.error_id, "") << out.error_message;
        EXPECT_EQ(out.outputs[0]->dims, (std::vector<size_t>{c.rows, c.cols}));
        ASSERT_EQ(out.mean_levels.size(), static_cast<size_t>(c.steps));
        if (c.steps > 0) {
            int64_t sum = 0;
            for (int32_t v : out.final_traits) sum += v;
            EXPECT_EQ(out.mean_levels.back(), static_cast<double>(sum) / static_cast<double>(c.rows * c.cols));
        }
    }
}

TEST(GridsimGateway, OneOutputCallStoresOnlyTheFirstSlot) {
    HostSession host;
    const auto out = call_gateway(gridsim_mexFunction, 1, GridArgs{}.make(host));
    ASSERT_EQ(out.error_id, "");
    EXPECT_EQ(out.outputs[1], nullptr);
    EXPECT_EQ(out.final_traits, whole_runs()[0].final_storage_order);
}

TEST(GridsimGateway, BadCallsAreRejectedBeforeAnythingIsAllocated) {
    struct Case {
        const char* name;
        std::string id;
        void (*tweak)(HostSession&, std::vector<mxArray*>&, int&);
    };
    const Case cases[] = {
        {"nine inputs", "gridsim:nrhs", [](HostSession&, std::vector<mxArray*>& in, int&) { in.pop_back(); }},
        {"eleven inputs", "gridsim:nrhs",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in.push_back(h.make_scalar(0)); }},
        {"three outputs", "gridsim:nlhs", [](HostSession&, std::vector<mxArray*>&, int& nlhs) { nlhs = 3; }},
        {"int32 traits", "gridsim:traitsClass",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[0] = h.make_array(mxINT32_CLASS, {2, 3}); }},
        {"complex traits", "gridsim:traitsClass",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[0] = h.make_array(mxDOUBLE_CLASS, {2, 3}, true); }},
        {"sparse traits", "gridsim:traitsClass",
         [](HostSession& h, std::vector<mxArray*>& in, int&) {
             in[0] = h.make_array(mxDOUBLE_CLASS, {2, 3}, false, true);
         }},
        {"three-dimensional traits", "gridsim:traitsDims",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[0] = h.make_array(mxDOUBLE_CLASS, {2, 3, 2}); }},
        {"vector payoff_mode", "gridsim:notScalar",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[4] = h.make_double(1, 2, {0, 1}); }},
        {"cell neighbourhood", "gridsim:notScalar",
         [](HostSession& h, std::vector<mxArray*>& in, int&) { in[5] = h.make_array(mxCELL_CLASS, {1, 1}); }},
    };
    for (const auto& c : cases) {
        HostSession host;
        auto in = GridArgs{}.make(host);
        int nlhs = 2;
        c.tweak(host, in, nlhs);
        const auto out = call_gateway(gridsim_mexFunction, nlhs, in);
        EXPECT_EQ(out.error_id, c.id) << c.name << ": " << out.error_message;
        EXPECT_TRUE(host.allocated_bytes.empty()) << c.name;
        EXPECT_EQ(out.outputs[0], nullptr) << c.name;
    }
}

TEST(GridsimGateway, BadValuesAreRejectedNamingTheArgument) {
    struct Case {
        const char* name;
        int index;  // into scalars; -1 sets traits[3], -2 empties the torus
        double value;
        std::string id, mentions;
    };
    const Case cases[] = {
        {"NaN payoff_mode", kPayoff, kNaN, "gridsim:notInt32", "payoff_mode"},
        {"huge neighbourhood", kNeighbourhood, 1e10, "gridsim:notInt32", "neighbourhood"},
        {"infinite levels", kLevels, kInf, "gridsim:notInt32", "levels"},
        {"seed past int32", kSeed, 2147483648.0, "gridsim:notInt32", "seed"},
        {"NaN noise", kNoise, kNaN, "gridsim:notFinite", "noise"},
        {"infinite slope", kSlope, kInf, "gridsim:notFinite", "slope"},
        {"levels 0", kLevels, 0, "gridsim:levels", "levels"},
        {"negative steps", kSteps, -2, "gridsim:steps", "steps"},
        {"initial level too high", -1, 3, "gridsim:traitOutOfRange", "traits(4)"},
        {"empty torus with steps", -2, 0, "gridsim:emptyTraits", "torus"},
    };
    for (const auto& c : cases) {
        HostSession host;
        GridArgs a;
        if (c.index >= 0) a.scalars[c.index] = c.value;
        if (c.index == -1) a.traits[3] = c.value;
        if (c.index == -2) {
            a.cols = 0;
            a.traits.clear();
        }
        const auto out = call_gateway(gridsim_mexFunction, 2, a.make(host));
        EXPECT_EQ(out.error_id, c.id) << c.name << ": " << out.error_message;
        EXPECT_NE(out.error_message.find(c.mentions), std::string::npos) << c.name << ": " << out.error_message;
        EXPECT_TRUE(host.allocated_bytes.empty()) << c.name;
    }
}

TEST(GridsimGateway, SizesBeyondThirtyTwoBitsAreRejected) {
    std::vector<std::vector<size_t>> shapes = {{65536, 65536}};
    if (sizeof(size_t) > 4) shapes.push_back({0, size_t{0x80000000u} * 2});  // a column count past int32
    for (const auto& shape : shapes) {
        HostSession host;
        auto in = GridArgs{}.make(host);
        auto huge = std::make_unique<mxArray>();
        huge->dims = shape;
        in[0] = host.adopt(std::move(huge));
        in[8] = host.make_scalar(0);  // no steps, so the empty shape is not the reason
        const auto out = call_gateway(gridsim_mexFunction, 2, in);
        EXPECT_EQ(out.error_id, "gridsim:tooLarge");
        EXPECT_TRUE(host.allocated_bytes.empty());
    }
}

}  // namespace
