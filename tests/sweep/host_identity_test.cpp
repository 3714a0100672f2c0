// The sweep runner against the host gateways in the stand-in host: the same
// arguments are accepted or rejected alike, with the same identifier and
// words, and accepted runs give bit-identical outputs, however many threads
// share the work.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "ring_descriptor.h"
#include "torus_descriptor.h"
#include "gateway_call.h"
#include "plan/plan_checks.h"
#include "run/run_call.h"
#include "cli/sweep_driver.h"
#include "plan/sweep_plan.h"

using namespace sweep;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct Call {
    const models::ModelDescriptor* model = &models::kRingModel;
    size_t rows = 0;
    size_t cols = 0;
    std::vector<double> traits;
    std::vector<double> scalars;  // the model's scalar arguments, seed last
};

// A valid call of either model with small random sizes and parameters.
Call random_call(std::mt19937& gen, const models::ModelDescriptor* model) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); };
    Call c;
    c.model = model;
    c.rows = static_cast<size_t>(pick(1, 7));
    c.cols = static_cast<size_t>(pick(1, model == &models::kRingModel ? 6 : 7));
    const int levels = pick(1, 6);
    for (size_t i = 0; i < c.rows * c.cols; ++i) c.traits.push_back(pick(0, levels - 1) + real(0.0, 0.99));
    const double intercept = real(-1.0, 2.0);
    const double slope = real(-1.0, 2.0);
    const double noise = pick(0, 3) == 0 ? 0.0 : real(0.0, 1.0);
    const double rate = real(-0.05, 0.3);
    const double steps = pick(0, 60) + real(0.0, 0.9);
    const double seed = pick(-100000, 100000);
    if (model == &models::kRingModel) {
        c.scalars = {intercept, slope, double(levels), double(pick(-1, 4)), noise, rate, steps, seed};
    } else {
        c.scalars = {intercept, slope, double(levels), double(pick(-1, 2)), double(pick(-1, 2)),
                     noise,     rate,  steps,          seed};
    }
    return c;
}

// Spoils one argument of a valid call with a value the model must not run.
void spoil(std::mt19937& gen, Call& c) {
    const size_t n = c.scalars.size();
    const size_t levels = 2, steps = n - 2, seed = n - 1;
    std::vector<std::pair<size_t, double>> bad = {
        {levels, 0.0},  {levels, -3.0}, {levels, kNaN},   {levels, 3e9},  {steps, -1.0}, {steps, kInf},
        {seed, 2147483648.0}, {seed, -kInf}, {0, kInf}, {1, kNaN}, {n - 4, kNaN}, {3, 5e9}};
    // Too many levels for 32-bit byte counts: a 64-bit host runs them, the
    // sweep keeps the 32-bit limits (tests/large_call_test.cpp).
    if (sizeof(size_t) < 8) bad.push_back({levels, 6e8});
    const int choice = std::uniform_int_distribution<int>(0, static_cast<int>(bad.size()) + 2)(gen);
    if (choice < static_cast<int>(bad.size())) {
        c.scalars[bad[static_cast<size_t>(choice)].first] = bad[static_cast<size_t>(choice)].second;
    } else if (choice == static_cast<int>(bad.size())) {
        c.traits.back() = c.scalars[levels];  // one past the top level
    } else if (choice == static_cast<int>(bad.size()) + 1) {
        c.traits.front() = -1.0;
    } else {
        c.rows = 0;  // an empty lattice asked for steps
        c.traits.clear();
        c.scalars[steps] = 3.0;
    }
}

GatewayOutcome host_call(const Call& c) {
    HostSession host;
    std::vector<mxArray*> in{host.make_double(c.rows, c.cols, c.traits)};
    for (double s : c.scalars) in.push_back(host.make_scalar(s));
    return call_gateway(c.model == &models::kRingModel ? ringsim_mexFunction : gridsim_mexFunction, 2, in);
}

// The runner's verdict on a call: its fault as "<function>:<reason>" and
// message, or its outputs.
GatewayOutcome runner_call(const Call& c) {
    GatewayOutcome out;
    models::ModelCall run;
    arguments::ArgumentFault fault;
    bool ok = models::check_scalar_arguments(*c.model, c.scalars.data(), c.rows, c.cols, run, fault) &&
              arguments::initial_levels_rule(c.traits.data(), run.sites, run.params.levels, fault);
    if (!ok) {
        out.error_id = std::string(c.model->arguments.function) + ":" + fault.reason;
        out.error_message = fault.message;
        return out;
    }
    out.final_traits.resize(static_cast<size_t>(run.sites));
    out.mean_levels.resize(static_cast<size_t>(run.steps));
    execute_run(run, c.traits.data(), out.final_traits.data(), out.mean_levels.data());
    return out;
}

TEST(SweepHostIdentity, RandomCallsMatchTheGatewaysBitForBit) {
    std::mt19937 gen(20240611);
    int accepted = 0;
    int rejected = 0;
    for (int i = 0; i < 600; ++i) {
        const models::ModelDescriptor* model = i % 2 ? &models::kTorusModel : &models::kRingModel;
        Call c = random_call(gen, model);
        if (i % 3 == 0) spoil(gen, c);
        const GatewayOutcome host = host_call(c);
        const GatewayOutcome runner = runner_call(c);
        ASSERT_EQ(runner.error_id, host.error_id) << "call " << i << ": " << host.error_message;
        ASSERT_EQ(runner.error_message, host.error_message) << "call " << i;
        ASSERT_EQ(runner.final_traits, host.final_traits) << "call " << i;
        // Bitwise: equal doubles, NaN nowhere expected.
        ASSERT_EQ(runner.mean_levels.size(), host.mean_levels.size()) << "call " << i;
        for (size_t s = 0; s < host.mean_levels.size(); ++s) {
            ASSERT_EQ(std::memcmp(&runner.mean_levels[s], &host.mean_levels[s], sizeof(double)), 0)
                << "call " << i << " step " << s;
        }
        (host.error_id.empty() ? accepted : rejected) += 1;
    }
    // Both kinds of call were exercised in numbers.
    EXPECT_GT(accepted, 350);
    EXPECT_GT(rejected, 150);
}

// A run kept at stop steps gives, at each, the first output of the gateway
// call stopped there, and at its end the whole call's outputs: both models
// and score rules, a seed whose first draw restarts the stream, many
// mutations, stops at 0, back to back and at the end.
TEST(SweepHostIdentity, SnapshotsEqualTheGatewayCallsThatStopThere) {
    const struct {
        Call call;  // traits filled below; steps second to last
        std::vector<int32_t> stops;
    } cases[] = {
        {{&models::kRingModel, 40, 1, {}, {0.5, 1.0, 5, 2, 0.3, 0.02, 60, 7}}, {0, 1, 2, 30, 60}},
        {{&models::kRingModel, 9, 1, {}, {1.0, 0.5, 3, 1, 0.0, 0.3, 25, 2147483647}}, {0, 1, 13}},
        {{&models::kTorusModel, 6, 7, {}, {0.5, 1.0, 4, 0, 0, 0.2, 0.05, 40, -3}}, {5, 6, 39}},
        {{&models::kTorusModel, 8, 5, {}, {0.5, 1.0, 6, 1, 1, 0.4, 0.2, 30, -2147483647}}, {0, 1, 2, 3, 30}},
    };
    std::mt19937 gen(5);
    for (const auto& t : cases) {
        Call c = t.call;
        std::uniform_int_distribution<int> level(0, static_cast<int>(c.scalars[2]) - 1);
        for (size_t s = 0; s < c.rows * c.cols; ++s) c.traits.push_back(level(gen));
        models::ModelCall run;
        arguments::ArgumentFault fault;
        ASSERT_TRUE(models::check_scalar_arguments(*c.model, c.scalars.data(), c.rows, c.cols, run, fault))
            << fault.message;
        const auto sites = static_cast<size_t>(run.sites);
        GatewayOutcome got;
        got.final_traits.resize(sites);
        got.mean_levels.resize(static_cast<size_t>(run.steps));
        std::vector<int32_t> shots(sites * t.stops.size());
        execute_run(run, c.traits.data(), got.final_traits.data(), got.mean_levels.data(), t.stops.data(),
                    t.stops.size(), shots.data());
        const GatewayOutcome whole = host_call(c);
        EXPECT_EQ(got.final_traits, whole.final_traits) << c.scalars.back();
        const size_t mean_bytes = sizeof(double) * got.mean_levels.size();
        EXPECT_EQ(std::memcmp(got.mean_levels.data(), whole.mean_levels.data(), mean_bytes), 0) << c.scalars.back();
        for (size_t j = 0; j < t.stops.size(); ++j) {
            c.scalars[c.scalars.size() - 2] = t.stops[j];
            EXPECT_EQ(std::vector<int32_t>(shots.begin() + j * sites, shots.begin() + (j + 1) * sites),
                      host_call(c).final_traits) << c.scalars.back() << ", step " << t.stops[j];
        }
    }
}

// A sweep whose every run is compared with its own gateway call.
SweepPlan mixed_plan(const models::ModelDescriptor* model) {
    SweepPlan plan;
    plan.model = model;
    const size_t n = models::scalar_argument_names(*model).size();
    plan.where.assign(n, "test");
    if (model == &models::kRingModel) {
        plan.fixed = {0.5, 1.0, 4, 2, 0.2, 0.03, 40, 0};
        plan.swept = {{3, {0, 1, 3}}, {6, {0, 7, 25}}};  // radius, steps
        plan.initial = {InitialKind::random, 30, 1, {}, false, 0, "test", ""};
    } else {
        plan.fixed = {0.5, 1.0, 3, 0, 1, 0.3, 0.05, 30, 0};
        plan.swept = {{3, {0, 1}}, {4, {0, 1}}, {2, {3, 5}}};  // payoff_mode, neighbourhood, levels
        plan.initial = {InitialKind::random, 5, 6, {}, true, 99, "test", ""};
    }
    plan.replicates = 3;
    plan.first_seed = -40;  // every seed below 0: no two replicates share a stream
    return plan;
}

TEST(SweepHostIdentity, EveryThreadCountGivesEachRunItsHostResult) {
    for (const models::ModelDescriptor* model : {&models::kRingModel, &models::kTorusModel}) {
        const SweepPlan plan = mixed_plan(model);
        check_plan(plan);
        const int64_t runs = plan.run_count();
        std::vector<GatewayOutcome> expected(static_cast<size_t>(runs));
        for (int64_t k = 0; k < runs; ++k) {
            Call c;
            c.model = model;
            c.rows = plan.initial.rows;
            c.cols = plan.initial.cols;
            c.scalars.resize(plan.scalar_count());
            int64_t replicate = 0;
            run_scalars(plan, k, c.scalars.data(), replicate);
            run_initial_levels(plan, c.scalars.data(), c.traits);
            expected[static_cast<size_t>(k)] = host_call(c);
            ASSERT_EQ(expected[static_cast<size_t>(k)].error_id, "");
        }
        for (int threads : {1, 2, 5}) {
            std::vector<int64_t> todo;
            for (int64_t k = runs; k-- > 0;) todo.push_back(k);  // reverse order: completion order must not matter
            std::map<int64_t, RunOutput> got;
            compute_on_threads(plan, todo, threads, [&](RunResult& r) {
                EXPECT_TRUE(got.emplace(r.index, r.output).second) << "run " << r.index << " delivered twice";
            });
            ASSERT_EQ(static_cast<int64_t>(got.size()), runs);
            for (int64_t k = 0; k < runs; ++k) {
                const auto& e = expected[static_cast<size_t>(k)];
                EXPECT_EQ(got[k].final_levels, e.final_traits) << threads << " threads, run " << k;
                EXPECT_EQ(got[k].mean_levels, e.mean_levels) << threads << " threads, run " << k;
            }
        }
    }
}

// A handler that fails stops the work on every thread, is not called again,
// and its exception reaches the caller.
TEST(SweepHostIdentity, AFailingResultHandlerStopsEveryThread) {
    const SweepPlan plan = mixed_plan(&models::kRingModel);
    check_plan(plan);
    std::vector<int64_t> todo;
    for (int64_t k = 0; k < plan.run_count(); ++k) todo.push_back(k);
    ASSERT_GT(todo.size(), 3u);
    for (int threads : {1, 2, 5}) {
        int calls = 0;
        EXPECT_THROW(compute_on_threads(plan, todo, threads,
                                        [&](RunResult&) {
                                            if (++calls == 3) throw SweepError("disk full");
                                        }),
                     SweepError);
        EXPECT_EQ(calls, 3) << threads << " threads";
    }
}

TEST(SweepHostIdentity, RandomInitialLevelsAreUniformOverTheLevels) {
    SweepPlan plan = mixed_plan(&models::kRingModel);
    plan.initial.rows = 6000;
    std::vector<double> scalars(plan.scalar_count());
    int64_t replicate = 0;
    run_scalars(plan, 0, scalars.data(), replicate);
    std::vector<double> initial;
    run_initial_levels(plan, scalars.data(), initial);
    std::vector<int> counts(4, 0);
    for (double v : initial) {
        ASSERT_EQ(v, std::trunc(v));
        ASSERT_GE(v, 0.0);
        ASSERT_LT(v, 4.0);
        ++counts[static_cast<size_t>(v)];
    }
    for (int c : counts) EXPECT_NEAR(c, 1500, 150);
    // Without a seed of its own, each run draws from its run seed.
    std::vector<double> other;
    run_scalars(plan, 1, scalars.data(), replicate);
    run_initial_levels(plan, scalars.data(), other);
    EXPECT_NE(initial, other);
}

}  // namespace
