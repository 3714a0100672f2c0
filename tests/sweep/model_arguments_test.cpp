// The argument descriptions against their readers: each gateway and the
// sweep's run call take each argument at the described position, under its
// name and by its kind; the sweep's slots and run table follow the same order.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "ring_descriptor.h"
#include "torus_descriptor.h"
#include "gateway_call.h"
#include "model_arguments.h"
#include "results/run_table.h"

using namespace sweep;

namespace {

struct Described {
    const models::ModelDescriptor* model;
    Gateway gateway;
    const char* usage;
};

const Described kModels[] = {
    {&models::kRingModel, ringsim_mexFunction,
     "[final_traits, mean_levels] = ringsim(traits, intercept, slope, levels, radius, noise, mutation_rate, steps, "
     "seed)"},
    {&models::kTorusModel, gridsim_mexFunction,
     "[final_traits, mean_levels] = gridsim(traits, intercept, slope, levels, payoff_mode, neighbourhood, noise, "
     "mutation_rate, steps, seed)"},
};

// The reason an infinite value of each scalar kind is refused for ("" when accepted).
std::string infinite_refused_for(arguments::ArgumentKind kind) {
    return kind == arguments::ArgumentKind::int32    ? "notInt32"
           : kind == arguments::ArgumentKind::finite ? "notFinite"
                                                     : "";
}

// A valid one-site call of every argument 1 (traits 0), with the argument
// at position bad replaced by make_bad's value.
template <typename MakeBad>
std::vector<mxArray*> call_with(HostSession& host, const arguments::ModelArguments& arguments, int bad,
                                MakeBad make_bad) {
    std::vector<mxArray*> in;
    for (int k = 0; k < arguments.count; ++k) {
        if (k == bad) in.push_back(make_bad(arguments.list[k]));
        else if (arguments.list[k].kind == arguments::ArgumentKind::array) in.push_back(host.make_double(1, 1, {0}));
        else in.push_back(host.make_scalar(1));
    }
    return in;
}

TEST(ModelArguments, GatewaysTakeEachArgumentWhereDescribed) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const Described& d : kModels) {
        const arguments::ModelArguments& arguments = d.model->arguments;
        const std::string function = arguments.function;
        for (int k = 0; k < arguments.count; ++k) {
            const arguments::ModelArgument& a = arguments.list[k];
            HostSession host;
            const auto wrong_class = call_gateway(
                d.gateway, 2, call_with(host, arguments, k, [&](const arguments::ModelArgument& m) {
                    return m.kind == arguments::ArgumentKind::array ? host.make_array(mxINT32_CLASS, {1, 1})
                                                                    : host.make_double(1, 2, {1, 1});
                }));
            EXPECT_EQ(wrong_class.error_id,
                      function + (a.kind == arguments::ArgumentKind::array ? ":traitsClass" : ":notScalar"));
            EXPECT_EQ(wrong_class.error_message.rfind(std::string(a.name) + " must be", 0), 0u)
                << wrong_class.error_message;
            if (a.kind == arguments::ArgumentKind::array) continue;
            const auto infinite =
                call_gateway(d.gateway, 2, call_with(host, arguments, k, [&](const arguments::ModelArgument&) {
                                 return host.make_scalar(inf);
                             }));
            const std::string reason = infinite_refused_for(a.kind);
            EXPECT_EQ(infinite.error_id, reason.empty() ? "" : function + ":" + reason) << a.name;
        }
        HostSession host;
        const auto no_inputs = call_gateway(d.gateway, 2, {});
        EXPECT_EQ(no_inputs.error_message,
                  "expected " + std::to_string(arguments.count) + " inputs, got 0. Usage: " + d.usage);
    }
}

TEST(ModelArguments, SweepSlotsFollowTheCallOrder) {
    for (const Described& d : kModels) {
        const arguments::ModelArguments& arguments = d.model->arguments;
        std::vector<std::string> scalars;
        std::vector<arguments::ArgumentKind> kinds;
        for (int k = 0; k < arguments.count; ++k) {
            if (arguments.list[k].kind == arguments::ArgumentKind::array) continue;
            scalars.push_back(arguments.list[k].name);
            kinds.push_back(arguments.list[k].kind);
        }
        SweepPlan plan;
        plan.model = d.model;
        std::vector<std::string> fields = scalars;
        fields.push_back("replicate");
        fields.push_back("combination");
        EXPECT_EQ(run_table_fields(plan), fields);
        const models::ScalarSlots slots = models::scalar_slots(*d.model);
        EXPECT_EQ(scalars[size_t(slots.levels)], "levels");
        EXPECT_EQ(scalars[size_t(slots.steps)], "steps");
        EXPECT_EQ(scalars[size_t(slots.seed)], "seed");
        for (size_t s = 0; s < scalars.size(); ++s) {
            EXPECT_EQ(models::scalar_slot(*d.model, scalars[s]), int(s));
            std::vector<double> values(scalars.size(), 1.0);
            values[s] = std::numeric_limits<double>::infinity();
            models::ModelCall run;
            arguments::ArgumentFault fault;
            const bool accepted = models::check_scalar_arguments(*d.model, values.data(), 1, 1, run, fault);
            const std::string reason = infinite_refused_for(kinds[s]);
            EXPECT_EQ(accepted, reason.empty()) << scalars[s];
            if (!accepted) {
                EXPECT_EQ(fault.reason + (":" + std::string(fault.argument)), reason + ":" + scalars[s]);
            }
        }
    }
}

}  // namespace
