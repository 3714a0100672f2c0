#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "random_streams.h"

namespace {

struct Stream {
    int32_t table[core::kRngTableSize] = {};
    core::UniformRng rng{0, 0, table};
    core::GaussianRng gauss{0, 0.0};
    explicit Stream(int32_t seed) { core::uniform_seed(rng, seed); }
    std::vector<double> uniforms(int n) {
        std::vector<double> out;
        for (int k = 0; k < n; ++k) out.push_back(core::uniform_next(rng));
        return out;
    }
};

struct KnownStream {
    int32_t seed;
    std::vector<double> first;
};

TEST(UniformNext, KnownValuesFromFixedSeeds) {
    const KnownStream cases[] = {
        {1, {0.41599935685098144, 0.09196489075755929, 0.7564104859514211, 0.5297001933351626}},
        {2, {0.34229876815448457, 0.4023811888892116, 0.3078379245977094}},
        {12345, {0.9231205717302489, 0.3331466123150413, 0.19788841865858456}},
    };
    for (const auto& c : cases) {
        Stream s(c.seed);
        const auto got = s.uniforms(static_cast<int>(c.first.size()));
        for (size_t k = 0; k < got.size(); ++k) EXPECT_EQ(got[k], c.first[k]) << "seed " << c.seed << " draw " << k;
    }
}

TEST(UniformNext, StateAfterFirstDrawOfSeedOne) {
    Stream s(1);
    core::uniform_next(s.rng);
    EXPECT_EQ(s.rng.state, 530511967);
    EXPECT_EQ(s.rng.last, 893351816);
    const int32_t expected[] = {784558821, 2128236579, 1624379149, 1358580979};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(s.table[k], expected[k]) << "table[" << k << "]";
}

TEST(UniformNext, EquivalentSeedsGiveEqualStreams) {
    // Each group of seeds must give one stream.
    const std::vector<std::vector<int32_t>> groups = {
        {0, 1, -1, INT32_MIN}, {7, -7}, {12345, -12345}, {INT32_MAX - 1, -(INT32_MAX - 1)}};
    for (const auto& group : groups) {
        const auto reference = Stream(group[0]).uniforms(200);
        for (int32_t seed : group) EXPECT_EQ(Stream(seed).uniforms(200), reference) << "seed " << seed;
    }
    EXPECT_NE(Stream(1).uniforms(5), Stream(2).uniforms(5));
}

TEST(UniformNext, ModulusSeedsGiveZeroThenTheSeedOneStream) {
    const auto seed_one = Stream(1).uniforms(50);
    for (int32_t seed : {INT32_MAX, -INT32_MAX}) {
        Stream s(seed);
        EXPECT_EQ(core::uniform_next(s.rng), 0.0);
        EXPECT_EQ(s.rng.state, 0);
        EXPECT_EQ(s.rng.last, 0);
        EXPECT_EQ(s.uniforms(50), seed_one) << "seed " << seed;
    }
}

TEST(UniformNext, RestartsFromOneWhenLastIsZero) {
    const auto seed_one = Stream(1).uniforms(10);
    Stream s(99);
    s.uniforms(3);
    s.rng.last = 0;  // a positive state with last 0 restarts from state 1
    EXPECT_EQ(s.uniforms(10), seed_one);
}

TEST(UniformNext, ReseedingARunningStreamStartsAfresh) {
    Stream s(5);
    s.uniforms(17);
    core::uniform_seed(s.rng, 12345);
    EXPECT_EQ(s.uniforms(30), Stream(12345).uniforms(30));
}

TEST(UniformNext, ResultsStayInsideTheOpenInterval) {
    Stream s(424242);
    for (int k = 0; k < 200000; ++k) {
        const double u = core::uniform_next(s.rng);
        ASSERT_GE(u, 4.656612875245797e-10);
        ASSERT_LE(u, 0.9999999995343387);
    }
}

TEST(CongruentialStep, MatchesTheSixtyFourBitProduct) {
    const int32_t states[] = {0, 1, 2, 127772, 127773, 127774, 16807, 1000000, 1 << 30, 2147483646, 2147483647};
    for (int32_t s : states) {
        const int64_t expected = (int64_t{16807} * s) % 2147483647;
        EXPECT_EQ(core::congruential_step(s), expected) << "state " << s;
    }
}

TEST(GaussianNext, KnownDeviatesFromSeedOne) {
    Stream s(1);
    Stream shadow(1);  // advanced by the uniforms each call should consume
    const double expected[] = {-0.836853802593, -0.172279924073, 0.187117448254, 1.61543984901};
    const int uniforms_drawn[] = {2, 0, 2, 0};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(core::gaussian_next(s.gauss, s.rng), expected[k], 1e-11) << "deviate " << k;
        shadow.uniforms(uniforms_drawn[k]);
        EXPECT_EQ(s.rng.state, shadow.rng.state) << "after deviate " << k;
    }
}

TEST(GaussianNext, SpareSurvivesInterveningUniformDraws) {
    Stream s(1);
    EXPECT_NEAR(core::gaussian_next(s.gauss, s.rng), -0.836853802593, 1e-11);
    EXPECT_EQ(core::uniform_next(s.rng), 0.7564104859514211);
    EXPECT_NEAR(core::gaussian_next(s.gauss, s.rng), -0.172279924073, 1e-11);
}

TEST(GaussianNext, ReseedingDiscardsTheSpareOnlyForANegativeState) {
    // Non-zero seed: negative state at the next Gaussian call drops the spare.
    Stream a(1);
    core::gaussian_next(a.gauss, a.rng);
    core::uniform_seed(a.rng, 1);
    EXPECT_NEAR(core::gaussian_next(a.gauss, a.rng), -0.836853802593, 1e-11);

    // Seed 0 leaves state 0, so the old spare survives into the new stream.
    Stream b(1);
    core::gaussian_next(b.gauss, b.rng);
    core::uniform_seed(b.rng, 0);
    EXPECT_NEAR(core::gaussian_next(b.gauss, b.rng), -0.172279924073, 1e-11);

    // A uniform drawn after re-seeding also lets the spare survive.
    Stream c(1);
    core::gaussian_next(c.gauss, c.rng);
    core::uniform_seed(c.rng, 5);
    core::uniform_next(c.rng);
    EXPECT_NEAR(core::gaussian_next(c.gauss, c.rng), -0.172279924073, 1e-11);
}

}  // namespace
