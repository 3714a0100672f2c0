// The fast ring run against the plain one on many random cases: the whole
// state (levels, scores, stream, tally, ...) and bit-identical means after
// every step.
#include <gtest/gtest.h>

#include <string>

#include "differential_runs.h"
#include "ring_fast.h"

namespace {

struct RingCase {
    int32_t count, levels, radius, seed, steps;
    double intercept, slope, noise, rate;
    Chunking chunking;
    bool reseed, spare;
};

std::string describe(const RingCase& c) {
    return "ring count " + std::to_string(c.count) + ", levels " + std::to_string(c.levels) + ", radius " +
           std::to_string(c.radius) + ", seed " + std::to_string(c.seed) + ", rate " + std::to_string(c.rate) +
           ", slope " + std::to_string(c.slope) + ", chunking " + std::to_string(static_cast<int>(c.chunking));
}

void run_case(const RingCase& c, std::mt19937& gen) {
    const std::string name = describe(c);
    ring::RingParams params{};
    params.model = core::ModelParams{c.intercept, c.slope, c.levels, c.noise, c.rate};
    params.radius = c.radius;
    const std::vector<int32_t> initial = random_levels(gen, static_cast<size_t>(c.count), c.levels);
    RunArrays stepped(initial, c.levels, c.seed), chunked(initial, c.levels, c.seed),
        reference(initial, c.levels, c.seed);
    // The fast runs start from the fast setup, as the gateway's do.
    ring::score_all_sites(reference.scores.data(), reference.traits.data(), c.count, c.intercept, c.slope);
    for (RunArrays* run : {&stepped, &chunked}) {
        ring::ring_score_all_sites_fast(run->scores.data(), run->traits.data(), c.count, c.intercept, c.slope);
    }
    for (RunArrays* run : {&stepped, &chunked, &reference}) {
        if (c.spare) run->state.gauss = core::GaussianRng{1, -0.625};
    }
    compare_fast_with_plain(
        stepped, chunked, reference, c.steps, c.chunking, c.reseed, gen, name,
        [&](core::ModelState& state, int32_t steps, double* means) {
            ring::ring_run_fast(state, c.count, params, steps, means);
        },
        [&](core::ModelState& state, int32_t steps, double* means) {
            ring::ring_run(state, c.count, params, steps, means);
        });
}

TEST(RingDifferential, RandomCasesOverEveryRateAndSeed) {
    std::mt19937 gen(2024);
    const auto rates = differential_rates();
    const auto seeds = differential_seeds();
    const std::vector<int32_t> counts = {1, 2, 3, 4, 5, 8, 33, 100, 257, 1000};
    const std::vector<int32_t> levels = {1, 2, 3, 10, 100};
    const std::vector<double> intercepts = {0.0, 1.0, -2.5, 1e300};
    const std::vector<double> slopes = {0.0, 1.0, 0.5, -0.3, 1e300, 1e-300};
    const std::vector<double> noises = {0.0, 0.1, 3.0, 1e300};
    for (size_t k = 0; k < 6 * rates.size() * seeds.size(); ++k) {
        RingCase c{};
        c.rate = rates[k % rates.size()];
        c.seed = seeds[(k / rates.size()) % seeds.size()];
        c.count = pick(gen, counts);
        c.levels = pick(gen, levels);
        const std::vector<int32_t> radii = {0, 1, 2, 5, -2, c.count, c.count + 3, 3 * c.count + 1};
        c.radius = pick(gen, radii);
        c.steps = 1 + static_cast<int32_t>(gen() % 30);
        c.intercept = k % 7 == 0 ? pick(gen, intercepts) : 1.0;
        c.slope = k % 5 == 0 ? pick(gen, slopes) : 0.5;
        c.noise = k % 9 == 0 ? pick(gen, noises) : 0.1;
        c.chunking = static_cast<Chunking>(gen() % 3);
        c.reseed = gen() % 2 == 0;
        c.spare = gen() % 5 == 0;
        run_case(c, gen);
        if (HasFailure()) return;
    }
}

TEST(RingDifferential, LargeRingsAndManyLevels) {
    std::mt19937 gen(77);
    const RingCase cases[] = {
        // Many lookahead blocks per step, every chunking.
        {100000, 10, 2, 12345, 4, 1.0, 0.5, 0.1, 0.1, Chunking::kWhole, false, false},
        {100000, 10, 2, 5, 4, 1.0, 0.5, 0.1, 1.0, Chunking::kEveryStep, true, false},
        {30000, 10, 2, -2147483647, 5, 1.0, 0.5, 0.1, 0.01, Chunking::kRandom, true, false},
        // Exactly one sweep batch, and one site more.
        {2048, 10, 2, 99, 6, 1.0, 0.5, 0.1, 0.2, Chunking::kRandom, true, false},
        {2049, 10, 2, 98, 6, 1.0, 0.5, 0.1, 0.2, Chunking::kRandom, true, false},
        // A tally far larger than the lattice.
        {500, 1 << 20, 3, 3, 3, 0.0, 1e-6, 0.5, 0.5, Chunking::kWhole, false, false},
        // A walk many times around a small ring.
        {7, 5, 1000, 11, 10, 1.0, 0.5, 0.1, 0.2, Chunking::kRandom, false, true},
    };
    for (const auto& c : cases) {
        run_case(c, gen);
        if (HasFailure()) return;
    }
}

// The setup's scores and each refresh on rings of one to nine sites.
TEST(RingDifferential, FastRefreshEqualsPlainRefreshEverywhere) {
    std::mt19937 gen(5);
    for (int32_t count = 1; count <= 9; ++count) {
        for (int32_t index = 0; index < count; ++index) {
            std::vector<int32_t> traits = random_levels(gen, static_cast<size_t>(count), 6);
            const double intercept = -1.5 + static_cast<double>(gen() % 7), slope = 0.25 * (gen() % 9) - 1.0;
            std::vector<double> plain(count), fast(count);
            ring::score_all_sites(plain.data(), traits.data(), count, intercept, slope);
            ring::ring_score_all_sites_fast(fast.data(), traits.data(), count, intercept, slope);
            ASSERT_TRUE(same_bits(fast, plain)) << "setup, count " << count;
            traits[index] = static_cast<int32_t>(gen() % 6);
            fast = plain;
            ring::refresh_scores_around(plain.data(), traits.data(), index, count, intercept, slope);
            ring::ring_refresh_scores_fast(fast.data(), traits.data(), index, count, intercept, slope);
            ASSERT_TRUE(same_bits(fast, plain)) << "count " << count << ", index " << index;
        }
    }
}

}  // namespace
