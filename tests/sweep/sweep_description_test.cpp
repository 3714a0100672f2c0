// Sweep descriptions: how they expand into runs, and how every kind of bad
// description is reported (file, line, key and the gateway's words).
#include <gtest/gtest.h>

#include <matio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "random_streams.h"
#include "ring_descriptor.h"
#include "torus_descriptor.h"
#include "plan/output_size.h"
#include "plan/plan_checks.h"
#include "plan/sweep_description.h"
#include "plan/sweep_plan.h"

using namespace sweep;

namespace {

const char* kTorus = R"(# two swept arguments, three replicates
model = "torus"

[parameters]
intercept = 0.5
slope = 1
levels = 3
noise = 0.25
steps = 10

[sweep]
neighbourhood = [0, 1]
mutation_rate = { from = 0.0, to = 0.1, count = 3 }
payoff_mode = { from = 0, to = 1, step = 1 }

[replicates]
count = 3
first_seed = 100

[initial]
traits = [[0, 1, 2], [2, 1, 0]]
)";

std::vector<double> scalars_of(const SweepPlan& plan, int64_t index, int64_t& replicate) {
    std::vector<double> s(plan.scalar_count());
    run_scalars(plan, index, s.data(), replicate);
    return s;
}

TEST(SweepDescription, ExpandsInWrittenOrderWithReplicatesFastest) {
    const SweepPlan plan = parse_sweep_description(kTorus, "t.toml");
    ASSERT_EQ(plan.model, &models::kTorusModel);
    ASSERT_EQ(plan.run_count(), 2 * 3 * 2 * 3);
    // The torus rows become a column-major 2 x 3 matrix.
    EXPECT_EQ(plan.initial.rows, 2u);
    EXPECT_EQ(plan.initial.cols, 3u);
    EXPECT_EQ(plan.initial.values, (std::vector<double>{0, 2, 1, 1, 2, 0}));
    // intercept, slope, levels, payoff_mode, neighbourhood, noise, mutation_rate, steps, seed
    struct Expected {
        int64_t index;
        double payoff, neighbourhood, rate, seed;
        int64_t replicate;
    };
    const Expected cases[] = {
        {0, 0, 0, 0.0, 100, 1},   {1, 0, 0, 0.0, 101, 2},  {2, 0, 0, 0.0, 102, 3},
        {3, 1, 0, 0.0, 103, 1},   {6, 0, 0, 0.05, 106, 1}, {17, 1, 0, 0.1, 117, 3},
        {18, 0, 1, 0.0, 118, 1},  {35, 1, 1, 0.1, 135, 3},
    };
    for (const Expected& e : cases) {
        int64_t replicate = 0;
        const auto s = scalars_of(plan, e.index, replicate);
        EXPECT_EQ(s[3], e.payoff) << e.index;
        EXPECT_EQ(s[4], e.neighbourhood) << e.index;
        EXPECT_EQ(s[6], e.rate) << e.index;
        EXPECT_EQ(s[8], e.seed) << e.index;
        EXPECT_EQ(replicate, e.replicate) << e.index;
        EXPECT_EQ(s[0], 0.5);
        EXPECT_EQ(s[7], 10.0);
    }
    check_plan(plan);
}

TEST(SweepDescription, RangesIncludeBothEnds) {
    struct Case {
        const char* range;
        std::vector<double> values;
    };
    const Case cases[] = {
        {"{ from = 0.1, to = 0.3, step = 0.1 }", {0.1, 0.2, 0.3}},
        {"{ from = 1, to = 10, step = 3 }", {1, 4, 7, 10}},
        {"{ from = 5, to = 1, step = -2 }", {5, 3, 1}},
        {"{ from = 0, to = 1, count = 5 }", {0, 0.25, 0.5, 0.75, 1}},
        {"{ from = 2, to = 9, count = 1 }", {2}},
        {"[0.5, -1, 7]", {0.5, -1, 7}},
    };
    for (const Case& c : cases) {
        const std::string text = std::string("model = \"ring\"\n[parameters]\nintercept = 1\nslope = 1\nlevels = 2\n"
                                             "radius = 1\nmutation_rate = 0\nsteps = 1\n[sweep]\nnoise = ") +
                                 c.range + "\n[initial]\ntraits = [0, 1]\n";
        const SweepPlan plan = parse_sweep_description(text, "r.toml");
        ASSERT_EQ(plan.swept.size(), 1u) << c.range;
        EXPECT_EQ(plan.swept[0].values, c.values) << c.range;
    }
}

// A valid ring description with one line replaced, for the bad cases.
std::string ring_with(const std::string& from, const std::string& to) {
    std::string text =
        "model = \"ring\"\n"                 // line 1
        "[parameters]\n"                     // 2
        "intercept = 0.5\n"                  // 3
        "slope = 1\n"                        // 4
        "levels = 3\n"                       // 5
        "radius = 1\n"                       // 6
        "noise = 0.1\n"                      // 7
        "steps = 20\n"                       // 8
        "[sweep]\n"                          // 9
        "mutation_rate = [0.0, 0.01]\n"      // 10
        "[replicates]\n"                     // 11
        "count = 2\n"                        // 12
        "[initial]\n"                        // 13
        "traits = [0, 1, 2, 1]\n";           // 14
    if (!from.empty()) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    }
    return text;
}

// The ring description with steps moved from [parameters] (line 8) to the
// end of [sweep] (then line 10).
std::string swept_steps(const std::string& list) {
    std::string text = ring_with("steps = 20\n", "");
    const std::string rate = "mutation_rate = [0.0, 0.01]\n";
    return text.replace(text.find(rate), rate.size(), rate + "steps = " + list + "\n");
}

// The ring description with 1000 steps, `replicates` in place of its
// replicate count, `sites` random sites and `extra` at the end (line 15 on).
std::string large_ring(const std::string& replicates, const std::string& extra, const std::string& sites) {
    std::string text = ring_with("steps = 20\n", "steps = 1000\n");
    text.replace(text.find("count = 2\n"), 10, replicates);
    const std::string traits = "traits = [0, 1, 2, 1]\n";
    return text.replace(text.find(traits), traits.size(), "random = { size = " + sites + " }\n") + extra;
}

TEST(SweepDescription, BadDescriptionsNameFileLineAndKey) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> expected;  // parts the message must hold
    };
    const Case cases[] = {
        {"malformed", ring_with("slope = 1\n", "slope = = 1\n"), {"bad.toml:4:", "not a valid sweep description"}},
        {"unknown parameter",
         ring_with("radius = 1\n", "radius = 1\nnosie = 2\n"),
         {"bad.toml:7:1: key 'parameters.nosie'", "unknown key", "ringsim takes"}},
        {"torus argument in a ring",
         ring_with("radius = 1\n", "payoff_mode = 1\n"),
         {"bad.toml:6:1: key 'parameters.payoff_mode'", "unknown key"}},
        {"unknown table",
         ring_with("[replicates]\n", "[replicate]\n"),
         {"bad.toml:11:", "key 'replicate'", "unknown key"}},
        {"unknown replicates key",
         ring_with("count = 2\n", "runs = 2\n"),
         {"bad.toml:12:1: key 'replicates.runs'", "unknown key"}},
        {"missing argument", ring_with("noise = 0.1\n", ""), {"bad.toml: key 'noise' is missing"}},
        {"argument twice",
         ring_with("mutation_rate = [0.0, 0.01]\n", "steps = [1, 2]\n"),
         {"bad.toml:10:1: key 'sweep.steps'", "given twice"}},
        {"seed as a parameter",
         ring_with("radius = 1\n", "radius = 1\nseed = 4\n"),
         {"bad.toml:7:1: key 'parameters.seed'", "first_seed"}},
        {"text for a number",
         ring_with("slope = 1\n", "slope = \"one\"\n"),
         {"bad.toml:4:1: key 'parameters.slope'", "expected a number"}},
        {"empty list", ring_with("[0.0, 0.01]", "[]"), {"bad.toml:10:1: key 'sweep.mutation_rate'", "at least one"}},
        {"range without an end",
         ring_with("[0.0, 0.01]", "{ from = 0, step = 1 }"),
         {"bad.toml:10:1: key 'sweep.mutation_rate'", "from, to and exactly one of step or count"}},
        {"range stepping away",
         ring_with("[0.0, 0.01]", "{ from = 0, to = 1, step = -0.5 }"),
         {"bad.toml:10:1: key 'sweep.mutation_rate'", "step must be"}},
        {"no initial levels", ring_with("[initial]\ntraits = [0, 1, 2, 1]\n", ""), {"table [initial] is missing"}},
        {"two initial levels",
         ring_with("traits = [0, 1, 2, 1]\n", "traits = [0]\nrandom = { size = 4 }\n"),
         {"bad.toml:13:", "exactly one way"}},
        {"torus size for a ring",
         ring_with("traits = [0, 1, 2, 1]\n", "random = { size = [2, 2] }\n"),
         {"bad.toml:14:", "initial.random.size", "site count"}},
        {"missing model", ring_with("model = \"ring\"\n", ""), {"bad.toml: key 'model' is missing"}},
        {"unknown model", ring_with("\"ring\"", "\"line\""), {"bad.toml:1:9: key 'model'", "\"ring\" or \"torus\""}},
        // Values the gateway rejects: its identifier and words, and the key.
        {"levels zero",
         ring_with("levels = 3\n", "levels = 0\n"),
         {"bad.toml:5:1: key 'parameters.levels'", "ringsim:levels",
          "levels must be at least 1 after truncation "
          "toward zero; got 0."}},
        {"NaN noise",
         ring_with("noise = 0.1\n", "noise = nan\n"),
         {"bad.toml:7:1: key 'parameters.noise'", "ringsim:notFinite", "noise must be finite; got NaN."}},
        {"one swept value out of range",
         swept_steps("[5, -1]"),
         {"bad.toml:10:1: key 'sweep.steps'",
          "ringsim:steps in run 3:", "steps must be 0 or more after truncation toward zero; got -1."}},
        {"initial level too high",
         ring_with("[0, 1, 2, 1]", "[0, 1, 3, 1]"),
         {"bad.toml:14:1: key 'initial.traits'", "ringsim:traitOutOfRange",
          "traits(3) is 3; every initial level must lie in 0 .. levels-1 = 0 .. 2"}},
        {"seeds past int32",
         ring_with("count = 2\n", "count = 2\nfirst_seed = 2147483647\n"),
         {"bad.toml:13:1: key 'replicates.first_seed'", "ringsim:notInt32 in run 2",
          "seed must be a finite number within the int32 range"}},
        {"radius past the tally's count",
         ring_with("radius = 1\n", "radius = 1073741824\n"),
         {"bad.toml:6:1: key 'parameters.radius'", "ringsim:radius",
          "radius must be at most 1073741823; got "
          "1073741824."}},
        {"more runs than a sweep holds",
         ring_with("noise = 0.1\nsteps = 20\n[sweep]\nmutation_rate = [0.0, 0.01]\n[replicates]\ncount = 2\n",
                   "steps = 20\n[sweep]\nmutation_rate = { from = 0, to = 1, count = 65536 }\n"
                   "noise = { from = 0, to = 1, count = 65536 }\n[replicates]\ncount = 100000000\n"),
         {"bad.toml: the sweep has 65536 x 65536 x 100000000 replicates = 429496729600000000 runs",
          "at most 100000000"}},
        {"ranges too long to hold, refused before they are made",
         ring_with("noise = 0.1\nsteps = 20\n[sweep]\nmutation_rate = [0.0, 0.01]\n",
                   "steps = 20\n[sweep]\nmutation_rate = { from = 0, to = 1, count = 100000000 }\n"
                   "noise = { from = 0, to = 1, step = 0.000000059604644775390625 }\n"),
         {"bad.toml: the sweep has 100000000 x 16777217 x 2 replicates = 3355443400000000 runs", "at most 100000000"}},
        {"summary over no steps",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[summary]\nlast_steps = 0\n"),
         {"bad.toml:16:1: key 'summary.last_steps'", "last_steps must be a whole number of steps, 1 or more; got 0."}},
        {"summary over more steps than a run has",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[summary]\nlast_steps = 21\n"),
         {"bad.toml:16:1: key 'summary.last_steps'", "must lie in 1 .. 20, the fewest steps of any run; got 21."}},
        {"summary over more steps than one swept run has",
         swept_steps("[30, 5]") + "[summary]\nlast_steps = 6\n",
         {"bad.toml:16:1: key 'summary.last_steps'", "must lie in 1 .. 5, the fewest steps of any run; got 6."}},
        {"unknown summary key",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[summary]\nlast = 2\n"),
         {"bad.toml:16:1: key 'summary.last'", "unknown key; [summary] takes last_steps."}},
        {"snapshots every 0 steps",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[snapshots]\nevery = 0\n"),
         {"bad.toml:16:1: key 'snapshots.every'", "every must be a whole number of steps, 1 or more; got 0."}},
        {"snapshots less often than a run has steps",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[snapshots]\nevery = 21\n"),
         {"bad.toml:16:1: key 'snapshots.every'", "every must lie in 1 .. 20, the fewest steps of any run; got 21."}},
        {"snapshot past a swept run's steps",
         swept_steps("[30, 5]") + "[snapshots]\nsteps = [0, 6]\n",
         {"bad.toml:16:1: key 'snapshots.steps'", "snapshot step 6 lies beyond 5, the fewest steps of any run."}},
        {"snapshot steps out of order",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[snapshots]\nsteps = [5, 5]\n"),
         {"bad.toml:16:1: key 'snapshots.steps'", "each be larger than the one before; got 5 after 5."}},
        {"negative snapshot step",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[snapshots]\nsteps = [-1]\n"),
         {"bad.toml:16:1: key 'snapshots.steps'", "whole numbers from 0 on"}},
        {"snapshots two ways",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[snapshots]\nevery = 2\nsteps = [1]\n"),
         {"bad.toml:15:2: key 'snapshots'", "exactly one way: every or steps."}},
        {"a run's snapshots past their bound",
         large_ring("count = 2\n", "[snapshots]\nevery = 1\n", "100000"),
         {"bad.toml:16:1: key 'snapshots.every'", "each run's 1000 snapshots would take", "at most 268.4 MB"}},
        {"a sweep's output past its bound",
         large_ring("count = 5000\n", "[snapshots]\nevery = 1\n", "60000"),
         {"bad.toml:16:1: key 'snapshots.every'", "the output would take about",
          "at most 1.1 TB (1 TiB, 1099511627776 bytes)"}},
        {"a run's snapshot just past its bound, in exact bytes",
         large_ring("count = 2\n", "[snapshots]\nsteps = [0]\n", "67108865"),
         {"bad.toml:16:1: key 'snapshots.steps'", "each run's snapshot would take 268.4 MB (268435460 bytes)",
          "at most 268.4 MB of them (256 MiB, 268435456 bytes)"}},
        {"snapshots every int32 steps and more",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[snapshots]\nevery = 2147483648\n"),
         {"bad.toml:16:1: key 'snapshots.every'", "every must be at most 2147483647, the most steps a run can make; "
                                                  "got 2147483648."}},
        {"a snapshot step past int32",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[snapshots]\nsteps = [0, 1000000000000]\n"),
         {"bad.toml:16:1: key 'snapshots.steps'", "a snapshot step must be at most 2147483647, the most steps a run "
                                                  "can make; got 1000000000000."}},
        {"summary over more steps than a run that makes steps has",
         swept_steps("[0, 5]") + "[summary]\nlast_steps = 6\n",
         {"bad.toml:16:1: key 'summary.last_steps'", "must lie in 1 .. 5, the fewest steps of any run that makes "
                                                     "steps (runs of 0 steps have no means"}},
        {"summary when no run makes steps",
         swept_steps("[0, 0.5]") + "[summary]\nlast_steps = 1\n",
         {"bad.toml:16:1: key 'summary.last_steps'", "every run makes 0 steps, so there are no means for last_steps "
                                                     "to average; leave [summary] last_steps out."}},
        {"an unknown quantity",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[observe]\nquantities = [\"clusters\", \"entropy\"]\nevery = 5\n"),
         {"bad.toml:16:1: key 'observe.quantities'", "'entropy' is not a quantity; the quantities are level_counts, "
                                                     "alike_neighbours, neighbour_difference, clusters."}},
        {"observations without steps",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[observe]\nquantities = [\"clusters\"]\n"),
         {"bad.toml:15:2: key 'observe'", "give the observations' steps exactly one way: every or steps."}},
        {"an observation past a swept run's steps",
         swept_steps("[30, 5]") + "[observe]\nsteps = [0, 6]\n",
         {"bad.toml:16:1: key 'observe.steps'", "observation step 6 lies beyond 5, the fewest steps of any run."}},
        {"means every 0 steps",
         ring_with("[0, 1, 2, 1]\n", "[0, 1, 2, 1]\n[means]\nevery = 0\n"),
         {"bad.toml:16:1: key 'means.every'", "every must be a whole number of steps, 1 or more; got 0."}},
        {"means every K of a run whose steps are not whole K",
         swept_steps("[30, 25]") + "[means]\nevery = 10\n",
         {"bad.toml:16:1: key 'means.every'", "whole multiple of every, 10, so that its final mean is kept; a run "
                                              "makes 25 steps."}},
        {"a window of means that are not kept",
         swept_steps("[30, 20]") + "[means]\nevery = 10\n[summary]\nlast_steps = 15\n",
         {"bad.toml:18:1: key 'summary.last_steps'", "last_steps must be a whole multiple of [means] every, 10"}},
        {"empty ring with steps",
         ring_with("[0, 1, 2, 1]", "[]"),
         {"bad.toml:8:1: key 'parameters.steps'", "ringsim:emptyTraits",
          "an empty ring (traits with no elements) can only run 0 steps; got 20."}},
    };
    for (const Case& c : cases) {
        try {
            const SweepPlan plan = parse_sweep_description(c.text, "bad.toml");
            check_plan(plan);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const SweepError& e) {
            const std::string message = e.what();
            for (const std::string& part : c.expected) {
                EXPECT_NE(message.find(part), std::string::npos) << c.name << ": '" << part << "' not in: " << message;
            }
        }
    }
}

std::string seeds_refusal(int64_t count, int64_t first_seed) {
    const std::string text = ring_with("count = 2\n", "count = " + std::to_string(count) + "\nfirst_seed = " +
                                                          std::to_string(first_seed) + "\n");
    try {
        check_plan(parse_sweep_description(text, "seeds.toml"));
    } catch (const SweepError& e) {
        return e.what();
    }
    return "";
}

// Replicates of one combination whose seeds start one stream are refused,
// with the first such pair and first seeds that work; seeds shared across
// combinations are not. The ring description has two combinations.
TEST(SweepDescription, ReplicatesThatShareAStreamAreRefused) {
    const struct {
        int64_t count, first_seed;
        const char* refusal;  // part of the message, null: accepted
    } cases[] = {
        {2, 0, "runs 1 and 2 (seeds 0 and 1) are replicates of one combination and give one random stream (0 starts "
               "seed 1's stream"},
        {2, -1, "runs 1 and 2 (seeds -1 and 0)"},
        {2, -2, "runs 3 and 4 (seeds 0 and 1)"},
        {2, -3, "runs 3 and 4 (seeds -1 and 0)"},
        {5, -2, "runs 2 and 3 (seeds -1 and 0)"},
        {2, -2147483648, "runs 1 and 2 (seeds -2147483648 and -2147483647) are replicates of one combination and "
                         "give one random stream (-2147483648 starts seed 1's stream, and -2147483647 joins it"},
        {1, -1, nullptr},  // seeds -1 and 0, each its own combination's
        {2, -4, nullptr},  // -4 -3 | -2 -1
        {2, 1, nullptr},
        {2, -2147483647, nullptr},
    };
    for (const auto& c : cases) {
        const std::string message = seeds_refusal(c.count, c.first_seed);
        if (!c.refusal) {
            EXPECT_EQ(message, "") << c.first_seed;
            continue;
        }
        const std::string runs = std::to_string(2 * c.count);
        EXPECT_EQ(message.find("seeds.toml:13:1: key 'replicates.first_seed': "), 0u) << message;
        EXPECT_NE(message.find(c.refusal), std::string::npos) << message;
        EXPECT_NE(message.find("Set first_seed = 1, or first_seed = -" + runs), std::string::npos) << message;
        EXPECT_EQ(seeds_refusal(c.count, 1) + seeds_refusal(c.count, -2 * c.count), "") << "the suggestions";
    }
    // The shortcut (only seeds around 0 and -2147483648 can meet) against
    // every pair of replicates.
    for (int64_t count = 1; count <= 4; ++count) {
        for (int64_t first = -12; first <= 3; ++first) {
            bool shared = false;
            for (int64_t a = 0; a < 2 * count; ++a) {
                for (int64_t b = a + 1; b < 2 * count && b / count == a / count; ++b) {
                    shared = shared || seed_stream(first + a) == seed_stream(first + b);
                }
            }
            EXPECT_EQ(seeds_refusal(count, first).empty(), !shared) << count << " from " << first;
        }
    }
}

// seed_stream against the stream itself: two seeds give one stream exactly
// when their draws agree, or agree one draw apart (+-2147483647 draw a 0
// first).
TEST(SweepDescription, SeedStreamsAreTheGeneratorsOwn) {
    const int32_t seeds[] = {0, 1, -1, 2, -2, 7, -7, 12345, -12346, INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 1};
    const auto draws = [](int32_t seed) {
        std::vector<int32_t> table(core::kRngTableSize);
        core::UniformRng rng{};
        rng.table = table.data();
        core::uniform_seed(rng, seed);
        std::vector<double> out(41);
        for (double& d : out) d = core::uniform_next(rng);
        return out;
    };
    for (const int32_t a : seeds) {
        for (const int32_t b : seeds) {
            const std::vector<double> x = draws(a), y = draws(b);
            const bool same = x == y || std::equal(x.begin() + 1, x.end(), y.begin()) ||
                              std::equal(y.begin() + 1, y.end(), x.begin());
            EXPECT_EQ(seed_stream(a) == seed_stream(b), same) << a << " and " << b;
        }
    }
}

// Run counts from the lengths alone: past kMaxRuns, and past 2^64 (where an
// unchecked product would wrap to 90448384), refused.
TEST(SweepDescription, RunCountsPastTheLimitAreRefused) {
    const struct {
        int64_t replicates;
        std::vector<int64_t> lengths;
        const char* refusal;  // part of the message, null: accepted
    } cases[] = {
        {1, {100000000}, nullptr},
        {1, {50000001, 2}, "= 100000002 runs"},
        {6377, {28926994, 100000000}, "28926994 x 100000000 x 6377 replicates = 1.84e+19 runs"},
    };
    for (const auto& c : cases) {
        std::string message;
        try {
            check_run_count("big.toml", c.replicates, c.lengths);
        } catch (const SweepError& e) {
            message = e.what();
        }
        EXPECT_TRUE(c.refusal ? message.find(c.refusal) != std::string::npos : message.empty()) << message;
    }
}

// Snapshot steps: every K keeps K, 2K, ... up to the fewest steps of any run.
TEST(SweepDescription, SnapshotStepsStopAtTheFewestSteps) {
    const struct {
        std::string text;
        std::vector<int32_t> steps;
    } cases[] = {
        {ring_with("steps = 20\n", "steps = 10\n") + "[snapshots]\nevery = 3\n", {3, 6, 9}},
        {ring_with("steps = 20\n", "steps = 10\n") + "[snapshots]\nevery = 5\n", {5, 10}},
        {ring_with("steps = 20\n", "steps = 10\n") + "[snapshots]\nevery = 10\n", {10}},
        {swept_steps("[30, 12]") + "[snapshots]\nevery = 4\n", {4, 8, 12}},
        {ring_with("", "") + "[snapshots]\nsteps = [0, 7, 20]\n", {0, 7, 20}},
    };
    for (const auto& c : cases) {
        const SweepPlan plan = parse_sweep_description(c.text, "snap.toml");
        check_plan(plan);
        EXPECT_EQ(snapshot_steps(plan), c.steps) << c.text;
        EXPECT_EQ(snapshot_count(plan), static_cast<int64_t>(c.steps.size())) << c.text;
    }
}

// An output that cannot fit in the free space where it is written is
// refused, counting the part of the journal an earlier start has written.
TEST(SweepDescription, OutputBeyondTheFreeSpaceIsRefused) {
    const SweepPlan plan = parse_sweep_description(std::string(kTorus) + "[snapshots]\nevery = 5\n", "t.toml");
    const OutputSize size = estimate_output_size(plan);
    const double needed = size.mat_file + size.journal;
    // free bytes, journal bytes already written, refused; -1: free space unknown
    const double cases[][3] = {{needed, 0, 0}, {needed - 1, 0, 1}, {needed - 1, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
    for (const auto& c : cases) {
        std::string message;
        try {
            check_free_space(plan, "out/t.mat", c[1], c[0]);
        } catch (const SweepError& e) {
            message = e.what();
        }
        EXPECT_EQ(message.find("t.toml:23:1: key 'snapshots.every': the sweep needs about") == 0, c[2] == 1) << message;
    }
}

TEST(SweepDescription, InitialLevelsFromAMatFile) {
    const std::string folder = testing::TempDir();
    const std::string mat_path = folder + "/initial_levels_test.mat";
    const std::string toml_path = folder + "/initial_levels_test.toml";
    // The 2 x 3 double "start", and with_ints an int32 "ints" too.
    const auto write_file = [&](bool with_ints, mat_ft version) {
        mat_t* mat = Mat_CreateVer(mat_path.c_str(), nullptr, version);
        ASSERT_NE(mat, nullptr);
        double start[6] = {0, 1, 2, 2, 1, 0};
        size_t dims[2] = {2, 3};
        matvar_t* v = Mat_VarCreate("start", MAT_C_DOUBLE, MAT_T_DOUBLE, 2, dims, start, 0);
        Mat_VarWrite(mat, v, MAT_COMPRESSION_NONE);
        Mat_VarFree(v);
        if (!with_ints) {
            Mat_Close(mat);
            return;
        }
        int32_t ints[2] = {0, 1};
        size_t two[2] = {2, 1};
        v = Mat_VarCreate("ints", MAT_C_INT32, MAT_T_INT32, 2, two, ints, 0);
        Mat_VarWrite(mat, v, MAT_COMPRESSION_NONE);
        Mat_VarFree(v);
        Mat_Close(mat);
    };
    const std::string head =
        "model = \"torus\"\n[parameters]\nintercept = 0.5\nslope = 1\nlevels = 3\npayoff_mode = 0\n"
        "neighbourhood = 0\nnoise = 0\nmutation_rate = 0\nsteps = 3\n[initial]\nfile = \"initial_levels_test.mat\"\n";
    const struct {
        std::string variable;
        std::string expected;
    } bad[] = {
        {"ints", "traits must be a real, full double array; got an int32 array."},
        {"absent", "has no variable 'absent'"},
    };
    // Version 7.3 (HDF5) is read in a child process: the same levels, and
    // the same refusals, must come back from it.
    for (const mat_ft version : {MAT_FT_MAT5, MAT_FT_MAT73}) {
        SCOPED_TRACE(version == MAT_FT_MAT5 ? "version 5" : "version 7.3");
        write_file(true, version);
        // Found next to the description, in the host's storage order.
        const SweepPlan plan = parse_sweep_description(head + "variable = \"start\"\n", toml_path);
        EXPECT_EQ(plan.initial.rows, 2u);
        EXPECT_EQ(plan.initial.cols, 3u);
        EXPECT_EQ(plan.initial.values, (std::vector<double>{0, 1, 2, 2, 1, 0}));
        for (const auto& b : bad) {
            try {
                parse_sweep_description(head + "variable = \"" + b.variable + "\"\n", toml_path);
                ADD_FAILURE() << b.variable << ": accepted";
            } catch (const SweepError& e) {
                const std::string message = e.what();
                EXPECT_NE(message.find(toml_path + ":12:1: key 'initial.file'"), std::string::npos) << message;
                EXPECT_NE(message.find(b.expected), std::string::npos) << message;
            }
        }
    }
    // Cut short inside the values: refused, not read as whatever the
    // buffer held.
    {
        write_file(false, MAT_FT_MAT5);
        struct stat st {};
        ASSERT_EQ(stat(mat_path.c_str(), &st), 0);
        ASSERT_EQ(truncate(mat_path.c_str(), st.st_size - 12), 0);
    }
    try {
        parse_sweep_description(head + "variable = \"start\"\n", toml_path);
        ADD_FAILURE() << "a MAT-file cut short was accepted";
    } catch (const SweepError& e) {
        EXPECT_NE(std::string(e.what()).find("is a damaged MAT-file: a variable runs past the end of the file"),
                  std::string::npos)
            << e.what();
    }
    std::remove(mat_path.c_str());
}

}  // namespace
