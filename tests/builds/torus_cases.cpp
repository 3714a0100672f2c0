// Torus cases: every payoff rule and neighbourhood pair on each axis away
// from a base case, then seeded random combinations of all the axes.
#include <cstdio>

#include "case_table.h"
#include "torus_scores.h"

namespace {

struct GridSetup {
    size_t rows = 6, cols = 5;
    Layout layout = Layout::kRandom;
    double intercept = 1, slope = 0.5;
    int32_t levels = 5;
    double payoff = 0, neighbourhood = 0, noise = 0.3, rate = 0.02, steps = 300, seed = 7;
};

GatewayCase make_case(const char* axis, const GridSetup& s, CaseDice& dice) {
    char label[256];
    std::snprintf(label, sizeof label,
                  "grid %-8s %zux%zu p=%g h=%g lay=%d i=%.17g s=%.17g L=%d n=%.17g mu=%.17g t=%g seed=%.17g", axis,
                  s.rows, s.cols, s.payoff, s.neighbourhood, static_cast<int>(s.layout), s.intercept, s.slope,
                  s.levels, s.noise, s.rate, s.steps, s.seed);
    return {label, true, s.rows, s.cols, initial_levels(s.rows * s.cols, s.levels, s.layout, dice),
            {s.intercept, s.slope, static_cast<double>(s.levels), s.payoff, s.neighbourhood, s.noise, s.rate, s.steps,
             s.seed}};
}

// The four rule pairs; fractions and negatives select by truncation too.
const double kPairs[][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
const double kOddPairs[][2] = {{0.9, -1}, {-1, 0.5}, {2, 2}};

}  // namespace

std::vector<GatewayCase> torus_cases() {
    CaseDice dice{20240612};
    std::vector<GatewayCase> cases;
    for (const auto& pair : kPairs) {
        GridSetup base;
        base.payoff = pair[0];
        base.neighbourhood = pair[1];
        cases.push_back(make_case("base", base, dice));

        const size_t shapes[][2] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {2, 3}, {3, 4}, {40, 25}};
        for (const auto& shape : shapes) {
            GridSetup s = base;
            s.rows = shape[0];
            s.cols = shape[1];
            cases.push_back(make_case("shape", s, dice));
        }
        GridSetup empty = base;
        empty.cols = 0;
        empty.steps = 0;
        cases.push_back(make_case("empty", empty, dice));
        for (double noise : kCaseNoises) {
            GridSetup s = base;
            s.noise = noise;
            cases.push_back(make_case("noise", s, dice));
        }
        for (double rate : kCaseRates) {
            GridSetup s = base;
            s.rate = rate;
            cases.push_back(make_case("rate", s, dice));
        }
        for (int32_t levels : kCaseLevels) {
            GridSetup s = base;
            s.levels = levels;
            cases.push_back(make_case("levels", s, dice));
        }
        for (double seed : kCaseSeeds) {
            GridSetup s = base;
            s.seed = seed;
            cases.push_back(make_case("seed", s, dice));
        }
        for (const auto& v : kCaseValues) {
            GridSetup s = base;
            s.intercept = v[0];
            s.slope = v[1];
            cases.push_back(make_case("values", s, dice));
        }
        for (Layout layout : {Layout::kAllEqual, Layout::kExtremes, Layout::kRamp}) {
            GridSetup s = base;
            s.layout = layout;
            cases.push_back(make_case("layout", s, dice));
        }
        for (double steps : {0.0, 1.0, 6000.0}) {
            GridSetup s = base;
            s.steps = steps;
            cases.push_back(make_case("steps", s, dice));
        }
        for (const auto& v : kCaseTies) {
            GridSetup s = base;
            s.intercept = v[0];
            s.slope = v[1];
            s.noise = v[2];
            s.rate = 0.05;
            s.steps = 500;
            cases.push_back(make_case("ties", s, dice));
        }
        // Long runs on wide level ranges from alternating extremes: scores
        // far from 1, and quadrant corrections wherever a diagonal lags.
        for (const auto& v : kCaseValues) {
            GridSetup s = base;
            s.rows = 12;
            s.cols = 9;
            s.levels = 100;
            s.layout = Layout::kExtremes;
            s.intercept = v[0];
            s.slope = v[1];
            s.noise = 0.05;
            s.rate = 0.05;
            s.steps = 1500;
            cases.push_back(make_case("drift", s, dice));
        }
    }
    for (const auto& pair : kOddPairs) {
        GridSetup s;
        s.payoff = pair[0];
        s.neighbourhood = pair[1];
        cases.push_back(make_case("flags", s, dice));
    }

    for (int k = 0; k < 120; ++k) {
        GridSetup s;
        s.rows = 1 + dice.below(16);
        s.cols = 1 + dice.below(16);
        s.layout = static_cast<Layout>(dice.below(4));
        const auto& pair = pick(kPairs, dice);
        s.payoff = pair[0];
        s.neighbourhood = pair[1];
        const auto& v = pick(kCaseValues, dice);
        s.intercept = v[0];
        s.slope = v[1];
        s.levels = pick(kCaseLevels, dice);
        s.noise = pick(kCaseNoises, dice);
        s.rate = pick(kCaseRates, dice);
        s.steps = static_cast<double>(1 + dice.below(800));
        s.seed = dice.below(5) == 0 ? pick(kCaseSeeds, dice) : static_cast<double>(static_cast<int32_t>(dice.next()));
        cases.push_back(make_case("mixed", s, dice));
    }
    return cases;
}

uint64_t grid_state_digest(const GatewayCase& c, const std::vector<int32_t>& final_traits) {
    const int32_t n_columns = static_cast<int32_t>(c.cols);
    const int32_t m_rows = static_cast<int32_t>(c.rows);
    const int32_t payoff_mode = static_cast<int32_t>(c.scalars[3]);
    std::vector<double> scores(final_traits.size()), fitness(final_traits.size());
    if (!final_traits.empty()) {
        torus::score_all_sites(scores.data(), final_traits.data(), n_columns, m_rows, c.scalars[0], c.scalars[1],
                               payoff_mode);
        torus::compute_fitness(fitness.data(), final_traits.data(), scores.data(), n_columns, m_rows, c.scalars[0],
                               c.scalars[1]);
    }
    Digest d;
    for (size_t i = 0; i < final_traits.size(); ++i) {
        d.add_double(scores[i]);
        d.add_double(fitness[i]);
    }
    return d.h;
}
