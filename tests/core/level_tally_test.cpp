#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "level_tally.h"
#include "mutation_draw.h"

namespace {

struct Fixture {
    int32_t table[core::kRngTableSize] = {};
    core::UniformRng rng{0, 0, table};
    std::vector<double> sums;
    std::vector<int32_t> counts;
    core::LevelTally tally{};
    Fixture(int32_t levels, int32_t seed) : sums(levels, 123.0), counts(levels, 77) {
        tally = core::LevelTally{sums.data(), counts.data()};
        core::tally_reset(tally, levels);
        core::uniform_seed(rng, seed);
    }
};

// Uniform draws made by a call, measured against a second stream.
int draws_between(int32_t seed, const core::UniformRng& after) {
    int32_t table[core::kRngTableSize];
    core::UniformRng probe{0, 0, table};
    core::uniform_seed(probe, seed);
    for (int n = 0; n < 100; ++n) {
        if (probe.state == after.state && probe.last == after.last) return n;
        core::uniform_next(probe);
    }
    return -1;
}

TEST(LevelTally, ResetClearsEveryLevel) {
    Fixture f(3, 1);
    for (int l = 0; l < 3; ++l) {
        EXPECT_EQ(f.sums[l], 0.0);
        EXPECT_EQ(f.counts[l], 0);
    }
}

TEST(LevelTally, OneUniformPerNonEmptyLevelAndEmptyLevelsNeverWin) {
    Fixture f(3, 1);
    core::tally_add(f.tally, 0, 1.0);
    core::tally_add(f.tally, 0, 1.0);
    core::tally_add(f.tally, 2, 0.5);
    int32_t best = 1;
    core::tally_best(f.tally, 3, f.rng, best);
    EXPECT_EQ(draws_between(1, f.rng), 2);
    EXPECT_EQ(best, 0);
}

struct BestCase {
    const char* name;
    std::vector<std::vector<double>> observations;  // per level
    int32_t start_best;
    int32_t expected;  // -2: either of the tied levels, decided by jitter
};

TEST(LevelTally, BestLevelChoice) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const BestCase cases[] = {
        {"highest mean wins", {{1.0, 3.0}, {1.5}, {0.2}}, 2, 0},
        {"very negative means, empty level ignored", {{-1e300}, {}, {-2e300}}, 1, 0},
        {"equal huge means: jitter vanishes, lower wins", {{1e8}, {1e8}}, 1, 0},
        {"NaN mean never wins", {{nan}, {0.5}}, 0, 1},
        {"all NaN keeps previous", {{nan}, {nan}, {}}, 2, 2},
        {"minus infinity keeps previous", {{-inf}}, 0, 0},
        {"all empty keeps previous", {{}, {}}, 1, 1},
    };
    for (const auto& c : cases) {
        const int32_t levels = static_cast<int32_t>(c.observations.size());
        Fixture f(levels, 3);
        for (int32_t l = 0; l < levels; ++l)
            for (double v : c.observations[l]) core::tally_add(f.tally, l, v);
        int32_t best = c.start_best;
        core::tally_best(f.tally, levels, f.rng, best);
        EXPECT_EQ(best, c.expected) << c.name;
    }
}

TEST(LevelTally, EqualSmallMeansAreOrderedByTheJitter) {
    // Over many seeds, level 1 wins exactly when its jitter draw is larger.
    int wins_high = 0;
    for (int32_t seed = 1; seed <= 200; ++seed) {
        Fixture f(2, seed);
        core::tally_add(f.tally, 0, 0.5);
        core::tally_add(f.tally, 1, 0.5);
        int32_t best = -1;
        core::tally_best(f.tally, 2, f.rng, best);
        Fixture replay(2, seed);
        const double u0 = core::uniform_next(replay.rng);
        const double u1 = core::uniform_next(replay.rng);
        EXPECT_EQ(best, (0.5 + 1e-10 * u0 < 0.5 + 1e-10 * u1) ? 1 : 0) << "seed " << seed;
        wins_high += best;
    }
    EXPECT_GT(wins_high, 50);
    EXPECT_LT(wins_high, 150);
}

struct MutationCase {
    const char* name;
    double rate;
    int32_t level;
    int32_t levels;
};

TEST(MutationDraw, DrawCountsAndOutcomesFollowTheTwoUniforms) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const MutationCase cases[] = {
        {"rate 0", 0.0, 1, 3},          {"negative rate", -0.5, 1, 3}, {"NaN rate", nan, 1, 3},
        {"rate 0.3", 0.3, 1, 3},        {"rate 1", 1.0, 1, 3},         {"rate above 1", 7.0, 1, 3},
        {"bottom level", 1.0, 0, 3},    {"top level", 1.0, 2, 3},      {"one level", 1.0, 0, 1},
    };
    for (const auto& c : cases) {
        for (int32_t seed = 1; seed <= 50; ++seed) {
            Fixture f(1, seed);
            const int32_t d = core::mutation_draw(f.rng, c.rate, c.level, c.levels);
            Fixture replay(1, seed);
            const double u1 = core::uniform_next(replay.rng);
            int32_t expected = 0;
            int expected_draws = 1;
            if (c.rate > u1) {
                expected_draws = 2;
                const double u2 = core::uniform_next(replay.rng);
                expected = u2 < 0.5 ? (c.level > 0 ? -1 : 0) : (c.level < c.levels - 1 ? 1 : 0);
            }
            EXPECT_EQ(d, expected) << c.name << " seed " << seed;
            EXPECT_EQ(draws_between(seed, f.rng), expected_draws) << c.name << " seed " << seed;
        }
    }
}

TEST(MutationDraw, RateEqualToTheFirstUniformGivesNoAttempt) {
    Fixture probe(1, 9);
    const double u1 = core::uniform_next(probe.rng);
    Fixture f(1, 9);
    EXPECT_EQ(core::mutation_draw(f.rng, u1, 1, 3), 0);
    EXPECT_EQ(draws_between(9, f.rng), 1);
    Fixture g(1, 9);
    EXPECT_EQ(draws_between(9, g.rng), 0);
    core::mutation_draw(g.rng, std::nextafter(u1, 1.0), 1, 3);
    EXPECT_EQ(draws_between(9, g.rng), 2);
}

}  // namespace
