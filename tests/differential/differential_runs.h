// Shared pieces of the differential tests: one run's arrays, the whole-
// state comparison, and the parameter values the random cases draw from.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "model_state.h"
#include "run_memory.h"

// The arrays and state of one run, set up as a gateway sets them up, minus
// the scores (each model fills those).
struct RunArrays : RunMemory {
    RunArrays(const std::vector<int32_t>& initial, int32_t levels, int32_t seed)
        : RunMemory(initial.size(), levels, seed) {
        std::copy(initial.begin(), initial.end(), traits.begin());
        for (int32_t v : initial) state.level_sum += v;
    }
};

inline bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (!same_bits(a[k], b[k])) return false;
    return true;
}

// Everything a run carries from step to step, except the fitness snapshot,
// which the fast path does not keep.
inline void expect_same_state(const RunArrays& fast, const RunArrays& reference, const std::string& where) {
    EXPECT_EQ(fast.traits, reference.traits) << where;
    EXPECT_TRUE(same_bits(fast.scores, reference.scores)) << where << ": scores";
    EXPECT_EQ(fast.state.level_sum, reference.state.level_sum) << where;
    EXPECT_EQ(fast.state.best_level, reference.state.best_level) << where;
    EXPECT_EQ(fast.counts, reference.counts) << where << ": tally counts";
    EXPECT_TRUE(same_bits(fast.sums, reference.sums)) << where << ": tally sums";
    EXPECT_EQ(fast.state.rng.state, reference.state.rng.state) << where;
    EXPECT_EQ(fast.state.rng.last, reference.state.rng.last) << where;
    EXPECT_EQ(std::vector<int32_t>(fast.table, fast.table + core::kRngTableSize),
              std::vector<int32_t>(reference.table, reference.table + core::kRngTableSize))
        << where << ": shuffle table";
    EXPECT_EQ(fast.state.gauss.has_spare, reference.state.gauss.has_spare) << where;
    if (reference.state.gauss.has_spare == 1) {
        EXPECT_TRUE(same_bits(fast.state.gauss.spare, reference.state.gauss.spare)) << where << ": spare";
    }
}

template <typename T>
T pick(std::mt19937& gen, const std::vector<T>& values) {
    return values[gen() % values.size()];
}

// Rates: never, NaN, tiny, a deviate and its neighbours, common ones, 0.5,
// 1 and above.
inline std::vector<double> differential_rates() {
    const double inf = std::numeric_limits<double>::infinity();
    const double deviate = 987654321.0 * core::kRngScale;
    return {0.0,  -0.0, std::nan(""), -1.0, -inf, 1e-300, 4.656612875245797e-10, 0.001, 0.01, 0.05, 0.1,
            0.5,  1.0,  1.5,          inf,  deviate, std::nextafter(deviate, 0.0), std::nextafter(deviate, 1.0)};
}

// Seeds: the equivalent seeds 0, +-1 and -2^31, the collapsing seeds
// +-(2^31 - 1), and ordinary ones.
inline std::vector<int32_t> differential_seeds() {
    return {0, 1, -1, 2147483647, -2147483647, INT32_MIN, 7, -12345, 2147483646, 99991};
}

inline std::vector<int32_t> random_levels(std::mt19937& gen, size_t sites, int32_t levels) {
    std::vector<int32_t> out(sites);
    for (auto& v : out) v = static_cast<int32_t>(gen() % static_cast<uint32_t>(levels));
    return out;
}

// How a case splits its steps into calls of the chunked fast run: one call
// per step, random chunks, or one call for all.
enum class Chunking { kEveryStep, kRandom, kWhole };

inline int32_t next_chunk(std::mt19937& gen, Chunking chunking, int32_t remaining) {
    if (chunking == Chunking::kEveryStep) return 1;
    if (chunking == Chunking::kWhole) return remaining;
    return 1 + static_cast<int32_t>(gen() % static_cast<uint32_t>(remaining));
}

// Makes `steps` steps three ways: `stepped` one step per call of the fast
// path, so it is compared after every step; `chunked` several steps per
// call, keeping its stream ahead across steps, compared at the end of each
// call; `reference` one step per call of the plain path. With reseed, all
// three are reseeded alike now and then. run_fast(state, steps, means) and
// run_plain(state, steps, means) make a model's steps.
template <typename RunFast, typename RunPlain>
void compare_fast_with_plain(RunArrays& stepped, RunArrays& chunked, RunArrays& reference, int32_t steps,
                             Chunking chunking, bool reseed, std::mt19937& gen, const std::string& name,
                             RunFast run_fast, RunPlain run_plain) {
    std::vector<double> stepped_means(steps), chunked_means(steps), reference_means(steps);
    for (int32_t t = 0; t < steps;) {
        const int32_t chunk = next_chunk(gen, chunking, steps - t);
        run_fast(chunked.state, chunk, chunked_means.data() + t);
        for (int32_t k = t; k < t + chunk; ++k) {
            run_fast(stepped.state, 1, stepped_means.data() + k);
            run_plain(reference.state, 1, reference_means.data() + k);
            expect_same_state(stepped, reference, name + ", step " + std::to_string(k));
            ASSERT_TRUE(same_bits(stepped_means[k], reference_means[k])) << name << ", step " << k;
            ASSERT_TRUE(same_bits(chunked_means[k], reference_means[k])) << name << ", step " << k;
            ASSERT_FALSE(::testing::Test::HasFailure());
        }
        t += chunk;
        expect_same_state(chunked, reference, name + ", after step " + std::to_string(t - 1));
        ASSERT_FALSE(::testing::Test::HasFailure());
        if (reseed && gen() % 3 == 0) {
            const int32_t seed = pick(gen, differential_seeds());
            for (RunArrays* run : {&stepped, &chunked, &reference}) core::uniform_seed(run->state.rng, seed);
        }
    }
}
