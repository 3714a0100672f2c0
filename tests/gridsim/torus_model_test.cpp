#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

#include "run_memory.h"
#include "torus_model.h"
#include "gridsim/torus_whole_runs.h"

namespace {

// A torus run over plain vectors, set up as the gateway does.
struct TorusRun : RunMemory {
    int32_t n_columns, m_rows;
    torus::TorusParams params{};

    TorusRun(const std::vector<double>& initial, int32_t m, int32_t n, torus::TorusParams p, int32_t seed)
        : RunMemory(initial.size(), p.model.levels, seed), n_columns(n), m_rows(m), params(p) {
        state.level_sum = torus::load_traits(traits.data(), initial.data(), n, m);
        torus::score_all_sites(scores.data(), traits.data(), n, m, p.model.intercept, p.model.slope, p.payoff_mode);
    }
    int32_t step() { return torus::torus_step(state, n_columns, m_rows, params); }
    std::vector<double> run(int32_t steps) {
        std::vector<double> means(steps);
        torus::torus_run(state, n_columns, m_rows, params, steps, means.data());
        return means;
    }
};

torus::TorusParams torus_params(double intercept, double slope, int32_t levels, int32_t payoff_mode,
                                int32_t neighbourhood, double noise, double rate) {
    return torus::TorusParams{core::ModelParams{intercept, slope, levels, noise, rate}, payoff_mode, neighbourhood};
}

TEST(TorusModel, WholeRunsOnTheSmallInput) {
    for (const auto& w : whole_runs()) {
        TorusRun run(kSmallInput, 2, 3, torus_params(0.5, 1.0, 3, w.payoff_mode, w.neighbourhood, w.noise, w.rate),
                     w.seed);
        EXPECT_EQ(run.run(w.steps), w.means) << w.name;
        EXPECT_EQ(run.traits, w.final_storage_order) << w.name;
    }
}

TEST(TorusModel, OneRowObservesItselfAboveAndBelow) {
    // 1 x 3 torus, levels 0 1 2, four neighbours: directions 0 and 4 observe
    // the focal site itself, so its level holds 3 observations, the others 1.
    TorusRun run({0, 1, 2}, 1, 3, torus_params(1.0, 0.5, 3, 0, 0, 0.1, 0.0), 4);
    const int32_t focal = run.step();
    std::vector<int32_t> expected(3, 1);
    expected[static_cast<size_t>(focal)] = 3;
    EXPECT_EQ(run.counts, expected);
    // Eight neighbours: 3 at the focal level, 3 right, 3 left.
    TorusRun eight({0, 1, 2}, 1, 3, torus_params(1.0, 0.5, 3, 0, 1, 0.1, 0.0), 4);
    eight.step();
    EXPECT_EQ(eight.counts, (std::vector<int32_t>{3, 3, 3}));
}

TEST(TorusModel, SteadyRuns) {
    struct Case {
        const char* name;
        std::vector<double> initial;
        int32_t m, n, levels;
        double rate;
    };
    const Case cases[] = {{"one level", {0, 0, 0, 0, 0, 0}, 2, 3, 1, 0.7},
                          {"all at one level, no mutation", {2, 2, 2, 2, 2, 2, 2, 2}, 4, 2, 5, 0.0},
                          {"one site", {3}, 1, 1, 5, 0.0}};
    for (const auto& c : cases) {
        for (int32_t mode = 0; mode < 4; ++mode) {
            TorusRun run(c.initial, c.m, c.n, torus_params(0.5, 1.0, c.levels, mode & 1, mode >> 1, 0.3, c.rate), 9);
            for (double mean : run.run(25)) EXPECT_EQ(mean, c.initial[0]) << c.name;
            EXPECT_TRUE(std::all_of(run.traits.begin(), run.traits.end(),
                                    [&](int32_t v) { return v == c.initial[0]; }))
                << c.name;
        }
    }
}

TEST(TorusModel, AdoptingLevelThreeFromOneOnATwoByTwoRaisesTheMeanByHalf) {
    int found = 0;
    for (int32_t seed = 1; seed <= 400 && found < 3; ++seed) {
        // Level 3 is worth more here: the lone level-1 site has fitness -24, the others 0.
        TorusRun run({1, 3, 3, 3}, 2, 2, torus_params(-5.0, 1.0, 4, 0, 1, 0.5, 0.0), seed);
        const double before = static_cast<double>(run.state.level_sum) / 4;
        const int32_t focal = run.step();
        if (run.traits[focal] == 3 && focal == 0) {
            EXPECT_EQ(static_cast<double>(run.state.level_sum) / 4 - before, 0.5);
            ++found;
        }
    }
    EXPECT_EQ(found, 3);
}

TEST(TorusModel, CachedScoresAndLevelSumStayExactOnRandomTori) {
    std::mt19937 gen(77);
    for (int trial = 0; trial < 80; ++trial) {
        const int32_t m = 1 + static_cast<int32_t>(gen() % 5);
        const int32_t n = 1 + static_cast<int32_t>(gen() % 5);
        const int32_t levels = 1 + static_cast<int32_t>(gen() % 5);
        const int32_t payoff_mode = trial & 1, neighbourhood = (trial >> 1) & 1;
        std::vector<double> initial(static_cast<size_t>(m * n));
        for (auto& v : initial) v = static_cast<double>(gen() % levels);
        TorusRun run(initial, m, n, torus_params(0.25, 0.8, levels, payoff_mode, neighbourhood, 0.5, 0.2),
                     static_cast<int32_t>(gen()));
        for (int s = 0; s < 40; ++s) {
            run.step();
            std::vector<double> fresh(initial.size());
            torus::score_all_sites(fresh.data(), run.traits.data(), n, m, 0.25, 0.8, payoff_mode);
            ASSERT_EQ(run.scores, fresh) << "trial " << trial << " step " << s;
            ASSERT_EQ(run.state.level_sum, std::accumulate(run.traits.begin(), run.traits.end(), int64_t{0}));
            for (int32_t v : run.traits) ASSERT_TRUE(v >= 0 && v < levels);
        }
    }
}

}  // namespace
