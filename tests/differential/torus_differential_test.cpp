// The fast torus run against the plain one on many random cases: the whole
// state (levels, scores, stream, tally, ...) and bit-identical means after
// every step.
#include <gtest/gtest.h>

#include <string>

#include "differential_runs.h"
#include "torus_fast.h"

namespace {

struct TorusCase {
    int32_t m_rows, n_columns, levels, payoff_mode, neighbourhood, seed, steps;
    double intercept, slope, noise, rate;
    Chunking chunking;
    bool reseed, spare;
};

std::string describe(const TorusCase& c) {
    return "torus " + std::to_string(c.m_rows) + " x " + std::to_string(c.n_columns) + ", levels " +
           std::to_string(c.levels) + ", modes " + std::to_string(c.payoff_mode) + "/" +
           std::to_string(c.neighbourhood) + ", seed " + std::to_string(c.seed) + ", rate " + std::to_string(c.rate) +
           ", slope " + std::to_string(c.slope) + ", chunking " + std::to_string(static_cast<int>(c.chunking));
}

void run_case(const TorusCase& c, std::mt19937& gen) {
    const std::string name = describe(c);
    torus::TorusParams params{};
    params.model = core::ModelParams{c.intercept, c.slope, c.levels, c.noise, c.rate};
    params.payoff_mode = c.payoff_mode;
    params.neighbourhood = c.neighbourhood;
    const int32_t sites = c.m_rows * c.n_columns;
    const std::vector<int32_t> initial = random_levels(gen, static_cast<size_t>(sites), c.levels);
    RunArrays stepped(initial, c.levels, c.seed), chunked(initial, c.levels, c.seed),
        reference(initial, c.levels, c.seed);
    // The fast runs start from the fast setup, as the gateway's do.
    torus::score_all_sites(reference.scores.data(), reference.traits.data(), c.n_columns, c.m_rows, c.intercept,
                           c.slope, c.payoff_mode);
    for (RunArrays* run : {&stepped, &chunked}) {
        torus::torus_score_all_sites_fast(run->scores.data(), run->traits.data(), c.n_columns, c.m_rows, c.intercept,
                                          c.slope, c.payoff_mode, torus::vector_width_available());
    }
    for (RunArrays* run : {&stepped, &chunked, &reference}) {
        if (c.spare) run->state.gauss = core::GaussianRng{1, 0.8125};
    }
    compare_fast_with_plain(
        stepped, chunked, reference, c.steps, c.chunking, c.reseed, gen, name,
        [&](core::ModelState& state, int32_t steps, double* means) {
            torus::torus_run_fast(state, c.n_columns, c.m_rows, params, steps, means);
        },
        [&](core::ModelState& state, int32_t steps, double* means) {
            torus::torus_run(state, c.n_columns, c.m_rows, params, steps, means);
        });
}

TEST(TorusDifferential, RandomCasesOverEveryModePairRateAndSeed) {
    std::mt19937 gen(4096);
    const auto rates = differential_rates();
    const auto seeds = differential_seeds();
    const std::vector<int32_t> sides = {1, 2, 3, 4, 5, 7, 16, 31};
    const std::vector<int32_t> levels = {1, 2, 3, 10, 100};
    const std::vector<double> intercepts = {0.0, 1.0, -2.5, 1e300};
    const std::vector<double> slopes = {0.0, 1.0, 0.5, -0.3, 1e300, 1e-300};
    const std::vector<double> noises = {0.0, 0.1, 3.0, 1e300};
    // Any nonzero value selects the quadrant rule and the eight neighbours.
    const int32_t mode_pairs[][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {-5, -1}, {7, 0}, {0, INT32_MIN}};
    size_t k = 0;
    for (const auto& modes : mode_pairs) {
        for (size_t r = 0; r < 8 * rates.size(); ++r, ++k) {
            TorusCase c{};
            c.payoff_mode = modes[0];
            c.neighbourhood = modes[1];
            c.rate = rates[r % rates.size()];
            c.seed = seeds[k % seeds.size()];
            c.m_rows = pick(gen, sides);
            c.n_columns = pick(gen, sides);
            c.levels = pick(gen, levels);
            c.steps = 1 + static_cast<int32_t>(gen() % 25);
            c.intercept = k % 7 == 0 ? pick(gen, intercepts) : 0.5;
            c.slope = k % 5 == 0 ? pick(gen, slopes) : 1.0;
            c.noise = k % 9 == 0 ? pick(gen, noises) : 0.1;
            c.chunking = static_cast<Chunking>(gen() % 3);
            c.reseed = gen() % 2 == 0;
            c.spare = gen() % 5 == 0;
            run_case(c, gen);
            if (HasFailure()) return;
        }
    }
}

TEST(TorusDifferential, LargeToriAndManyLevels) {
    std::mt19937 gen(91);
    const TorusCase cases[] = {
        // Many lookahead blocks per step, each mode pair.
        {300, 300, 10, 0, 0, 12345, 3, 1.0, 0.5, 0.1, 0.1, Chunking::kWhole, false, false},
        {300, 300, 10, 1, 1, 8, 3, 1.0, 0.5, 0.1, 0.1, Chunking::kEveryStep, true, false},
        {120, 250, 10, 0, 1, -2147483647, 4, 1.0, 0.5, 0.1, 1.0, Chunking::kRandom, true, false},
        {250, 120, 10, 1, 0, 2147483647, 4, 1.0, 0.5, 0.1, 0.01, Chunking::kRandom, true, false},
        // Exactly one sweep batch, and one site more.
        {64, 32, 10, 1, 0, 99, 6, 1.0, 0.5, 0.1, 0.2, Chunking::kRandom, true, false},
        {2049, 1, 10, 1, 1, 98, 6, 1.0, 0.5, 0.1, 0.2, Chunking::kRandom, true, false},
        // A tally far larger than the lattice.
        {20, 30, 1 << 20, 1, 1, 3, 3, 0.0, 1e-6, 0.5, 0.5, Chunking::kWhole, false, true},
        // One row, one column.
        {1, 200, 4, 1, 1, 17, 12, 0.5, 1.0, 0.3, 0.3, Chunking::kRandom, true, false},
        {200, 1, 4, 0, 1, 18, 12, 0.5, 1.0, 0.3, 0.3, Chunking::kRandom, true, false},
    };
    for (const auto& c : cases) {
        run_case(c, gen);
        if (HasFailure()) return;
    }
}

// Every site of small lattices (wrapping everywhere) and of two larger
// ones (mostly interior), with every vector width this build and processor
// offer.
TEST(TorusDifferential, FastRefreshEqualsPlainRefreshEverywhere) {
    std::mt19937 gen(6);
    using torus::VectorWidth;
    std::vector<VectorWidth> widths;
    for (VectorWidth width : {VectorWidth::one, VectorWidth::two, VectorWidth::four}) {
        if (width <= torus::vector_width_available()) widths.push_back(width);
    }
    std::vector<std::pair<int32_t, int32_t>> shapes;
    for (int32_t m_rows = 1; m_rows <= 6; ++m_rows) {
        for (int32_t n_columns = 1; n_columns <= 6; ++n_columns) shapes.emplace_back(m_rows, n_columns);
    }
    shapes.emplace_back(9, 11);
    shapes.emplace_back(12, 7);
    for (const VectorWidth width : widths) {
        for (int32_t payoff_mode : {0, 1}) {
            for (const auto& [m_rows, n_columns] : shapes) {
                const int32_t sites = m_rows * n_columns;
                for (int32_t site = 0; site < sites; ++site) {
                    std::vector<int32_t> traits = random_levels(gen, static_cast<size_t>(sites), 6);
                    const double intercept = -1.5 + static_cast<double>(gen() % 7), slope = 0.25 * (gen() % 9) - 1.0;
                    std::vector<double> plain(sites), fast(sites);
                    torus::score_all_sites(plain.data(), traits.data(), n_columns, m_rows, intercept, slope,
                                           payoff_mode);
                    traits[site] = static_cast<int32_t>(gen() % 6);
                    fast = plain;
                    const int32_t column = site / m_rows, row = site % m_rows;
                    torus::refresh_scores_around(plain.data(), traits.data(), column, row, n_columns, m_rows,
                                                 intercept, slope, payoff_mode);
                    torus::torus_refresh_scores_fast(fast.data(), traits.data(), column, row, n_columns, m_rows,
                                                     intercept, slope, payoff_mode, width);
                    ASSERT_TRUE(same_bits(fast, plain)) << m_rows << " x " << n_columns << ", site " << site
                                                        << ", payoff " << payoff_mode << ", width "
                                                        << static_cast<int>(width);
                }
            }
        }
    }
}

// The setup's scoring of a whole lattice against the plain one with every
// vector width: shapes that wrap everywhere, odd sizes whose columns end in
// every remainder of the widths, and values that overflow to infinities and
// NaN.
TEST(TorusDifferential, FastSetupScoresEqualPlainScores) {
    struct SetupCase {
        int32_t m_rows, n_columns, levels;
        double intercept, slope;
    };
    const SetupCase cases[] = {
        {1, 1, 3, 0.5, 1.0},     {1, 9, 3, 0.5, 1.0},    {9, 1, 3, 0.5, 1.0},      {2, 2, 4, -1.5, 0.25},
        {2, 7, 4, 1.0, 0.5},     {3, 3, 5, 1.0, -0.3},   {4, 5, 6, 0.0, 1.0},      {5, 4, 6, 0.0, 1.0},
        {6, 3, 10, 1.0, 0.5},    {7, 6, 10, 1.0, 0.5},   {8, 5, 10, 1.0, 0.5},     {9, 9, 10, 2.5, -1.0},
        {10, 2, 10, 1.0, 0.5},   {31, 17, 100, 1.0, 1e-300}, {101, 3, 7, 1e300, 1e300}, {64, 33, 2, 0.0, 0.0},
        {257, 40, 1 << 20, 0.0, 1e-6},
    };
    std::mt19937 gen(18);
    using torus::VectorWidth;
    for (VectorWidth width : {VectorWidth::one, VectorWidth::two, VectorWidth::four}) {
        if (width > torus::vector_width_available()) continue;
        for (const SetupCase& c : cases) {
            const int32_t sites = c.m_rows * c.n_columns;
            const std::vector<int32_t> traits = random_levels(gen, static_cast<size_t>(sites), c.levels);
            for (int32_t payoff_mode : {0, 1, -7, INT32_MIN}) {
                std::vector<double> plain(sites), fast(sites, -1.0);
                torus::score_all_sites(plain.data(), traits.data(), c.n_columns, c.m_rows, c.intercept, c.slope,
                                       payoff_mode);
                torus::torus_score_all_sites_fast(fast.data(), traits.data(), c.n_columns, c.m_rows, c.intercept,
                                                  c.slope, payoff_mode, width);
                ASSERT_TRUE(same_bits(fast, plain)) << c.m_rows << " x " << c.n_columns << ", payoff "
                                                    << payoff_mode << ", width " << static_cast<int>(width);
            }
        }
    }
}

}  // namespace
