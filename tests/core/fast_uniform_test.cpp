#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "congruential_jumps.h"
#include "fast_uniform.h"

namespace {

constexpr int32_t kModulus = 2147483647;

// A seeded stream with its own table.
struct Stream {
    int32_t table[core::kRngTableSize] = {};
    core::UniformRng rng{0, 0, table};
    explicit Stream(int32_t seed) { core::uniform_seed(rng, seed); }
};

void expect_same_rng(const core::UniformRng& a, const core::UniformRng& b, const char* where) {
    EXPECT_EQ(a.state, b.state) << where;
    EXPECT_EQ(a.last, b.last) << where;
    for (int32_t k = 0; k < core::kRngTableSize; ++k)
        EXPECT_EQ(a.table[k], b.table[k]) << where << ": table[" << k << "]";
}

TEST(CongruentialJumps, ProductsMatchTheSchrageStep) {
    // States at the ends of the range, the modulus (reached by the seeds
    // +-(2^31 - 1)) and 0 included.
    std::vector<int32_t> states = {0, 1, 2, 16807, 127773, 127774, kModulus - 2, kModulus - 1, kModulus};
    std::mt19937 gen(5);
    for (int k = 0; k < 2000; ++k) states.push_back(static_cast<int32_t>(gen() % kModulus));
    for (int32_t s : states) EXPECT_EQ(core::modular_product(16807, s), core::congruential_step(s)) << "state " << s;
}

TEST(CongruentialJumps, JumpsAndSequencesEqualStepByStepStates) {
    for (int32_t steps : {0, 1, 2, 7, 8, 9, 64, 1000}) {
        int32_t power = 1;
        for (int32_t k = 0; k < steps; ++k) power = core::modular_product(power, 16807);
        EXPECT_EQ(core::congruential_jump(steps), power) << steps << " steps";
    }
    constexpr int32_t kCount = 75;  // past the eight interleaved chains, not a multiple of eight
    std::vector<int32_t> starts = {1, 2, kModulus - 1, kModulus - 2, 123456789};
    std::mt19937 gen(9);
    for (int k = 0; k < 50; ++k) starts.push_back(static_cast<int32_t>(1 + gen() % (kModulus - 1)));
    for (int32_t from : starts) {
        int32_t out[kCount];
        core::congruential_sequence(from, out, kCount);
        int32_t state = from;
        for (int32_t k = 0; k < kCount; ++k) {
            state = core::congruential_step(state);
            ASSERT_EQ(out[k], state) << "from " << from << ", step " << k + 1;
        }
    }
}

TEST(CongruentialJumps, FourAtATimeEqualsOneAtATime) {
    std::mt19937 gen(13);
    const int32_t jump = core::congruential_jump(64);
    for (int round = 0; round < 500; ++round) {
        int32_t states[4], expected[4];
        for (int32_t k = 0; k < 4; ++k) {
            // Both ends of the range, the modulus and 0 among random states.
            const int32_t special[] = {0, 1, kModulus - 1, kModulus};
            states[k] = round < 4 ? special[(round + k) % 4] : static_cast<int32_t>(gen() % kModulus);
            expected[k] = core::modular_product(jump, states[k]);
        }
        core::jump_four_states(states, jump);
        for (int32_t k = 0; k < 4; ++k) ASSERT_EQ(states[k], expected[k]) << "round " << round << ", state " << k;
    }
}

TEST(FastUniform, TakesEveryStreamButTheCollapsingOnes) {
    struct Case {
        int32_t state, last;
        bool takes;
    };
    const Case cases[] = {
        {0, 0, true},          {-1, 0, true},       {-12345, 0, true},      {INT32_MIN, 0, true},
        {77, 0, true},         {-kModulus, 0, false}, {-(kModulus - 1), 0, true}, {5, 893351816, true},
        {kModulus, 17, false}, {5, -3, false},
    };
    for (const auto& c : cases) {
        core::UniformRng rng{c.state, c.last, nullptr};
        EXPECT_EQ(core::fast_uniform_can_take(rng), c.takes) << "state " << c.state << ", last " << c.last;
    }
}

// Draws the same stream both ways in chunks of varying length; the fast
// generator is taken over and handed back at every chunk boundary.
TEST(FastUniform, SameStreamAndStateAsUniformNext) {
    const int32_t seeds[] = {0, 1, -1, INT32_MIN, 7, 12345, -(kModulus - 1), 2000000000};
    std::mt19937 gen(3);
    for (int32_t seed : seeds) {
        Stream reference(seed), fast_stream(seed);
        core::FastUniform fast;
        for (int chunk = 0; chunk < 40; ++chunk) {
            // Lengths around the number of states kept ahead, and others.
            const int32_t length = chunk % 4 == 0 ? core::kAhead - 1 + static_cast<int32_t>(gen() % 3)
                                                  : static_cast<int32_t>(gen() % 700);
            core::fast_uniform_begin(fast, fast_stream.rng);
            for (int32_t k = 0; k < length; ++k) {
                const double want = core::uniform_next(reference.rng);
                const double got = core::fast_uniform_next(fast);
                ASSERT_EQ(got, want) << "seed " << seed << ", chunk " << chunk << ", draw " << k;
            }
            core::fast_uniform_end(fast, fast_stream.rng);
            expect_same_rng(fast_stream.rng, reference.rng, "after a chunk");
        }
    }
}

TEST(FastUniform, HandsBackAnUntouchedStreamWhenNothingIsDrawn) {
    Stream reference(42), fast_stream(42);
    core::uniform_next(reference.rng);
    core::uniform_next(fast_stream.rng);
    core::FastUniform fast;
    core::fast_uniform_begin(fast, fast_stream.rng);
    core::fast_uniform_end(fast, fast_stream.rng);
    expect_same_rng(fast_stream.rng, reference.rng, "empty chunk");
}

}  // namespace
