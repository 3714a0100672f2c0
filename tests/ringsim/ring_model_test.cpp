#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

#include "ring_model.h"
#include "run_memory.h"

namespace {

// A ring run over plain vectors, set up as the gateway does.
struct RingRun : RunMemory {
    ring::RingParams params{};

    RingRun(const std::vector<double>& initial, ring::RingParams p, int32_t seed)
        : RunMemory(initial.size(), p.model.levels, seed), params(p) {
        const auto count = static_cast<int32_t>(initial.size());
        state.level_sum = ring::load_traits(traits.data(), initial.data(), count);
        ring::score_all_sites(scores.data(), traits.data(), count, p.model.intercept, p.model.slope);
    }
    int32_t count() const { return static_cast<int32_t>(traits.size()); }
    int32_t step() { return ring::ring_step(state, count(), params); }
};

ring::RingParams ring_params(double intercept, double slope, int32_t levels, int32_t radius, double noise,
                             double rate) {
    ring::RingParams p{};
    p.model = core::ModelParams{intercept, slope, levels, noise, rate};
    p.radius = radius;
    return p;
}

struct ScoreCase {
    const char* name;
    std::vector<int32_t> traits;
    int32_t site;
    double intercept, slope;
    double score, fitness;
};

TEST(RingModel, SiteScoreAndFitness) {
    const ScoreCase cases[] = {
        {"neighbours above", {3, 2, 5}, 1, 0.0, 1.0, 3.0, 6.0},
        {"neighbours far below", {0, 4, 0}, 1, 0.0, 1.0, -3.0, -12.0},
        {"one site is its own neighbour", {2}, 0, 0.5, 1.0, 1.0, 2.5},
        {"two sites: the other counts twice", {1, 3}, 0, 0.0, 1.0, 3.0, 3.0},
        {"all at one level", {2, 2, 2, 2}, 3, 1.0, 0.5, 1.0, 2.0},
        {"slope 0", {0, 4, 1}, 1, 0.7, 0.0, 1.0, 0.7},
        {"wrap at index 0", {1, 0, 0, 3}, 0, 0.0, 1.0, 1.5, 1.5},
    };
    for (const auto& c : cases) {
        const auto count = static_cast<int32_t>(c.traits.size());
        const double score = ring::site_score(c.traits.data(), c.site, count, c.intercept, c.slope);
        EXPECT_EQ(score, c.score) << c.name;
        std::vector<double> scores(count), fitness(count);
        ring::score_all_sites(scores.data(), c.traits.data(), count, c.intercept, c.slope);
        ring::compute_fitness(fitness.data(), c.traits.data(), scores.data(), count, c.intercept, c.slope);
        EXPECT_EQ(fitness[c.site], c.fitness) << c.name;
    }
}

TEST(RingModel, NeighboursWrap) {
    EXPECT_EQ(ring::ring_neighbour(ring::kRingLeft, 0, 5), 4);
    EXPECT_EQ(ring::ring_neighbour(ring::kRingRight, 4, 5), 0);
    EXPECT_EQ(ring::ring_neighbour(ring::kRingLeft, 3, 5), 2);
    EXPECT_EQ(ring::ring_neighbour(ring::kRingRight, 0, 1), 0);
    EXPECT_EQ(ring::ring_neighbour(ring::kRingLeft, 0, 1), 0);
}

TEST(RingModel, WorkedRunStepByStep) {
    RingRun run({0, 1, 2, 1, 0, 2, 1, 0}, ring_params(1.0, 0.5, 3, 2, 0.1, 0.05), 7);
    const double means[] = {1, 0.875, 0.625, 0.625, 0.375, 0.375, 0.5, 0.25, 0.25, 0.25};
    for (int t = 0; t < 10; ++t) {
        const std::vector<int32_t> before = run.traits;
        const int32_t focal = run.step();
        EXPECT_EQ(core::mean_level(run.state.level_sum, run.count()), means[t]) << "step " << t;
        if (t == 0) {
            EXPECT_EQ(focal, 0);
            EXPECT_EQ(before[0], 0);
            EXPECT_EQ(run.traits[0], 1);
        }
        if (t == 1) {
            EXPECT_EQ(focal, 1);
            EXPECT_EQ(before[1], 1);
            EXPECT_EQ(run.traits[1], 0);
        }
        if (t == 5) {
            EXPECT_EQ(before[1], 0);  // its down mutation is blocked
            EXPECT_EQ(run.traits[1], 0);
            EXPECT_EQ(before[3], 1);
            EXPECT_EQ(run.traits[3], 2);
        }
    }
    EXPECT_EQ(run.traits, (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 2, 0}));
}

TEST(RingModel, RadiusBeyondTheRingObservesEveryVisit) {
    // On a ring of 3 with radius 4 each site is visited 3 times in all
    // (the focal site once exactly and twice by the walks): 9 observations.
    RingRun run({0, 1, 2}, ring_params(1.0, 0.5, 3, 4, 0.0, 0.0), 1);
    run.step();
    EXPECT_EQ(run.counts, (std::vector<int32_t>{3, 3, 3}));
}

TEST(RingModel, StreamAdvancesPerStepAsTheDrawTableSays) {
    // radius 0, rate 0: one focal uniform, one for the single observed level,
    // one per site in the sweep; no level changes.
    RingRun run({1, 1, 0, 2}, ring_params(1.0, 0.5, 3, 0, 0.3, 0.0), 11);
    int32_t table[core::kRngTableSize];
    core::UniformRng shadow{0, 0, table};
    core::uniform_seed(shadow, 11);
    for (int t = 0; t < 5; ++t) {
        run.step();
        for (int k = 0; k < 1 + 1 + 4; ++k) core::uniform_next(shadow);
        EXPECT_EQ(run.state.rng.state, shadow.state) << "step " << t;
        EXPECT_EQ(run.state.rng.last, shadow.last) << "step " << t;
    }
    EXPECT_EQ(run.traits, (std::vector<int32_t>{1, 1, 0, 2}));
}

TEST(RingModel, SteadyRuns) {
    struct Case {
        const char* name;
        std::vector<double> initial;
        int32_t levels;
        double rate;
    };
    const Case cases[] = {{"one level, all at 0", {0, 0, 0, 0, 0}, 1, 0.5},
                          {"all at one level, no mutation", {2, 2, 2}, 4, 0.0},
                          {"one site never adopts", {1}, 3, 0.0}};
    for (const auto& c : cases) {
        RingRun run(c.initial, ring_params(1.0, 0.5, c.levels, 3, 0.2, c.rate), 5);
        const auto before = run.traits;
        std::vector<double> means(20);
        ring::ring_run(run.state, run.count(), run.params, 20, means.data());
        EXPECT_EQ(run.traits, before) << c.name;
        for (double m : means) EXPECT_EQ(m, c.initial[0]) << c.name;
    }
}

TEST(RingModel, InvariantsHoldAfterEveryStepOnRandomRings) {
    std::mt19937 gen(2024);
    for (int trial = 0; trial < 60; ++trial) {
        const int32_t count = 1 + static_cast<int32_t>(gen() % 12);
        const int32_t levels = 1 + static_cast<int32_t>(gen() % 6);
        std::vector<double> initial(count);
        for (auto& v : initial) v = static_cast<double>(gen() % levels);
        const double rate = (trial % 3) * 0.3;
        RingRun run(initial, ring_params(0.5, 0.7, levels, static_cast<int32_t>(gen() % 5), 0.4, rate),
                    static_cast<int32_t>(gen()));
        for (int t = 0; t < 30; ++t) {
            run.step();
            std::vector<double> fresh(count);
            ring::score_all_sites(fresh.data(), run.traits.data(), count, 0.5, 0.7);
            ASSERT_EQ(run.scores, fresh) << "trial " << trial << " step " << t;
            ASSERT_EQ(run.state.level_sum, std::accumulate(run.traits.begin(), run.traits.end(), int64_t{0}));
            for (int32_t level : run.traits) ASSERT_TRUE(level >= 0 && level < levels);
        }
    }
}

}  // namespace
