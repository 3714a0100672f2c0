// Ring cases: one axis at a time away from a base case, every degenerate
// seed, then seeded random combinations of all the axes.
#include <cstdio>

#include "case_table.h"
#include "ring_model.h"

namespace {

struct RingSetup {
    size_t rows = 16, cols = 1;
    Layout layout = Layout::kRandom;
    double intercept = 1, slope = 0.5;
    int32_t levels = 5;
    double radius = 2, noise = 0.3, rate = 0.02, steps = 300, seed = 7;
};

GatewayCase make_case(const char* axis, const RingSetup& s, CaseDice& dice) {
    char label[256];
    std::snprintf(label, sizeof label, "ring %-8s %zux%zu lay=%d i=%.17g s=%.17g L=%d r=%g n=%.17g mu=%.17g t=%g seed=%.17g",
                  axis, s.rows, s.cols, static_cast<int>(s.layout), s.intercept, s.slope, s.levels, s.radius,
                  s.noise, s.rate, s.steps, s.seed);
    return {label, false, s.rows, s.cols, initial_levels(s.rows * s.cols, s.levels, s.layout, dice),
            {s.intercept, s.slope, static_cast<double>(s.levels), s.radius, s.noise, s.rate, s.steps, s.seed}};
}

}  // namespace

std::vector<GatewayCase> ring_cases() {
    CaseDice dice{20240611};
    std::vector<GatewayCase> cases;
    const RingSetup base;
    cases.push_back(make_case("base", base, dice));

    const size_t shapes[][2] = {{1, 1}, {2, 1}, {3, 1}, {1, 16}, {4, 5}, {40, 25}};
    for (const auto& shape : shapes) {
        RingSetup s = base;
        s.rows = shape[0];
        s.cols = shape[1];
        cases.push_back(make_case("shape", s, dice));
    }
    RingSetup empty = base;
    empty.rows = 0;
    empty.steps = 0;
    cases.push_back(make_case("empty", empty, dice));

    for (double radius : {-3.0, 0.0, 1.0, 15.0, 16.0, 40.0}) {
        RingSetup s = base;
        s.radius = radius;
        cases.push_back(make_case("radius", s, dice));
    }
    for (double noise : kCaseNoises) {
        RingSetup s = base;
        s.noise = noise;
        cases.push_back(make_case("noise", s, dice));
    }
    for (double rate : kCaseRates) {
        RingSetup s = base;
        s.rate = rate;
        cases.push_back(make_case("rate", s, dice));
    }
    for (int32_t levels : kCaseLevels) {
        RingSetup s = base;
        s.levels = levels;
        cases.push_back(make_case("levels", s, dice));
    }
    for (double seed : kCaseSeeds) {
        RingSetup s = base;
        s.seed = seed;
        cases.push_back(make_case("seed", s, dice));
    }
    for (const auto& v : kCaseValues) {
        RingSetup s = base;
        s.intercept = v[0];
        s.slope = v[1];
        cases.push_back(make_case("values", s, dice));
    }
    for (Layout layout : {Layout::kAllEqual, Layout::kExtremes, Layout::kRamp}) {
        RingSetup s = base;
        s.layout = layout;
        cases.push_back(make_case("layout", s, dice));
    }
    for (double steps : {0.0, 1.0, 20000.0}) {
        RingSetup s = base;
        s.steps = steps;
        cases.push_back(make_case("steps", s, dice));
    }

    // Long runs on wide level ranges, where scores drift far from 1.
    for (const auto& v : kCaseValues) {
        RingSetup s;
        s.rows = 60;
        s.levels = 100;
        s.layout = Layout::kExtremes;
        s.intercept = v[0];
        s.slope = v[1];
        s.radius = 6;
        s.noise = 0.05;
        s.rate = 0.05;
        s.steps = 4000;
        cases.push_back(make_case("drift", s, dice));
    }

    // Means so large that the tie-breaking jitter vanishes, with exact ties
    // between levels: the lowest level must win every tie in every build.
    for (const auto& v : kCaseTies) {
        RingSetup s = base;
        s.intercept = v[0];
        s.slope = v[1];
        s.noise = v[2];
        s.radius = 3;
        s.rate = 0.05;
        s.steps = 500;
        cases.push_back(make_case("ties", s, dice));
    }

    for (int k = 0; k < 120; ++k) {
        RingSetup s;
        s.rows = 1 + dice.below(48);
        s.cols = 1 + dice.below(4);
        s.layout = static_cast<Layout>(dice.below(4));
        const auto& v = pick(kCaseValues, dice);
        s.intercept = v[0];
        s.slope = v[1];
        s.levels = pick(kCaseLevels, dice);
        s.radius = static_cast<double>(dice.below(static_cast<uint32_t>(s.rows * s.cols) + 4));
        s.noise = pick(kCaseNoises, dice);
        s.rate = pick(kCaseRates, dice);
        s.steps = static_cast<double>(1 + dice.below(1500));
        s.seed = dice.below(5) == 0 ? pick(kCaseSeeds, dice)
                                    : static_cast<double>(static_cast<int32_t>(dice.next()));
        cases.push_back(make_case("mixed", s, dice));
    }
    return cases;
}

uint64_t ring_state_digest(const GatewayCase& c, const std::vector<int32_t>& final_traits) {
    const int32_t count = static_cast<int32_t>(final_traits.size());
    std::vector<double> scores(final_traits.size()), fitness(final_traits.size());
    ring::score_all_sites(scores.data(), final_traits.data(), count, c.scalars[0], c.scalars[1]);
    ring::compute_fitness(fitness.data(), final_traits.data(), scores.data(), count, c.scalars[0], c.scalars[1]);
    Digest d;
    for (size_t i = 0; i < final_traits.size(); ++i) {
        d.add_double(scores[i]);
        d.add_double(fitness[i]);
    }
    return d.h;
}
