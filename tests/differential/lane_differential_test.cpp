// Runs stepped together in lanes against the same runs made one at a time
// on the fast path: the whole state and the means of every run, bit for bit.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "differential_runs.h"
#include "ring_fast.h"
#include "ring_lane.h"
#include "torus_fast.h"
#include "torus_lane.h"

namespace {

// One run of a case. The shape is the case's; everything else may differ.
struct LaneCaseRun {
    int32_t seed, steps, payoff_mode, neighbourhood;
    double rate, noise;
    bool keep_means;
};

struct LaneCase {
    const char* what;
    bool torus;
    int32_t m_rows, n_columns;  // a ring has m_rows sites
    std::vector<LaneCaseRun> runs;
    bool same_start;  // every run starts from the same levels
};

struct CaseRun {
    std::unique_ptr<RunArrays> arrays;
    std::vector<double> means;
    core::ModelParams model;
};

// Sets up a case's runs twice, identically: for the lanes and one at a time.
std::vector<CaseRun> set_up(const LaneCase& c, uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<CaseRun> out;
    const int32_t sites = c.m_rows * c.n_columns;
    std::vector<int32_t> initial;
    for (size_t k = 0; k < c.runs.size(); ++k) {
        const LaneCaseRun& run = c.runs[k];
        const int32_t levels = c.same_start ? 5 : 2 + static_cast<int32_t>(k % 9);
        if (!c.same_start || initial.empty()) initial = random_levels(gen, static_cast<size_t>(sites), 10);
        std::vector<int32_t> start(initial);
        for (int32_t& v : start) v %= levels;
        const double intercept = 1.0 - 0.25 * static_cast<double>(k);
        CaseRun r{std::make_unique<RunArrays>(start, levels, run.seed), std::vector<double>(run.steps, -1.0),
                  core::ModelParams{intercept, 0.5, levels, run.noise, run.rate}};
        if (c.torus) {
            torus::torus_score_all_sites_fast(r.arrays->scores.data(), start.data(), c.n_columns, c.m_rows, intercept,
                                              0.5, run.payoff_mode, torus::vector_width_available());
        } else {
            ring::ring_score_all_sites_fast(r.arrays->scores.data(), start.data(), sites, intercept, 0.5);
        }
        out.push_back(std::move(r));
    }
    return out;
}

// Ring radii by run: walks of different lengths, none, and around the ring.
int32_t radius_of(int run) {
    const int32_t radii[] = {2, 0, 7, -1, 1001};
    return radii[run % 5];
}

void run_case(const LaneCase& c) {
    std::vector<CaseRun> lanes = set_up(c, 11), alone = set_up(c, 11);
    const int count = static_cast<int>(c.runs.size());
    for (int first = 0; first < count; first += core::kLaneRuns) {
        const int in_lane = count - first < core::kLaneRuns ? count - first : core::kLaneRuns;
        ring::RingLaneRun rings[core::kLaneRuns];
        torus::TorusLaneRun tori[core::kLaneRuns];
        for (int k = 0; k < in_lane; ++k) {
            const LaneCaseRun& run = c.runs[first + k];
            CaseRun& r = lanes[first + k];
            double* means = run.keep_means ? r.means.data() : nullptr;
            rings[k] = ring::RingLaneRun{&r.arrays->state, ring::RingParams{r.model, radius_of(first + k)}, run.steps,
                                          means};
            tori[k] = torus::TorusLaneRun{&r.arrays->state, torus::TorusParams{r.model, run.payoff_mode,
                                                                              run.neighbourhood},
                                          run.steps, means};
        }
        if (c.torus) {
            torus::torus_run_lane(tori, in_lane, c.n_columns, c.m_rows);
        } else {
            ring::ring_run_lane(rings, in_lane, c.m_rows);
        }
        for (int k = 0; k < in_lane; ++k) {
            const LaneCaseRun& run = c.runs[first + k];
            CaseRun& r = alone[first + k];
            double* means = run.keep_means ? r.means.data() : nullptr;
            if (c.torus) {
                torus::torus_run_fast(r.arrays->state, c.n_columns, c.m_rows,
                                      torus::TorusParams{r.model, run.payoff_mode, run.neighbourhood}, run.steps,
                                      means);
            } else {
                const ring::RingParams params{r.model, radius_of(first + k)};
                ring::ring_run_fast(r.arrays->state, c.m_rows, params, run.steps, means);
            }
        }
    }
    for (int k = 0; k < count; ++k) {
        const std::string where = std::string(c.what) + ", run " + std::to_string(k);
        expect_same_state(*lanes[k].arrays, *alone[k].arrays, where);
        EXPECT_TRUE(same_bits(lanes[k].means, alone[k].means)) << where << ": means";
    }
}

TEST(LaneDifferential, LanesEqualRunsMadeOneAtATime) {
    const LaneCaseRun a{7, 40, 0, 0, 0.01, 0.1, true}, b{-12345, 40, 1, 1, 0.2, 0.5, true},
        c{99991, 40, 0, 1, 1.0, 0.0, true}, d{2147483646, 40, 1, 0, 0.05, 3.0, true};
    const auto with = [](LaneCaseRun run, int32_t seed, int32_t steps, bool keep_means) {
        run.seed = seed;
        run.steps = steps;
        run.keep_means = keep_means;
        return run;
    };
    const LaneCase cases[] = {
        {"ring at the batch size, mixed runs", false, 2048, 1, {a, b, c, d}, false},
        {"ring a site past the batch, odd run count", false, 2049, 1, {a, b, c}, false},
        {"ring a site short of the batch, a lone run", false, 2047, 1, {d}, false},
        {"ring, steps differ in a lane (0 and 1 too)", false, 300, 1,
         {with(a, 7, 0, true), with(b, 8, 25, true), with(c, 9, 1, false), with(d, 10, 60, true),
          with(b, 11, 3, true)},
         false},
        {"ring, collapsing seeds take plain steps first", false, 100, 1,
         {with(a, 2147483647, 20, true), with(b, -2147483647, 5, true), with(c, 0, 20, false)}, false},
        {"ring, same start and seed: changes at the same sites", false, 500, 1,
         {with(b, 5, 30, true), with(b, 5, 30, true), with(c, 5, 30, true), with(a, 5, 30, true)}, true},
        {"torus 32 x 64, the batch size, every mode pair", true, 32, 64, {a, b, c, d}, false},
        {"torus 3 x 683, a site past the batch", true, 3, 683, {d, c, b, a, b}, false},
        {"torus 45 x 45, steps differ, a collapsing seed", true, 45, 45,
         {with(b, 2147483647, 10, true), with(a, 3, 0, true), with(c, 4, 17, false)}, false},
        {"torus, same start and seed: changes at the same sites", true, 20, 30,
         {with(b, 5, 30, true), with(b, 5, 30, true), with(d, 6, 30, true), with(d, 6, 30, true)}, true},
        {"torus 1 x 5 and 5 x 1 wrap onto themselves", true, 1, 5, {b, c, d}, false},
        {"torus 5 x 1", true, 5, 1, {c, b}, false},
    };
    for (const LaneCase& lane_case : cases) {
        run_case(lane_case);
        if (HasFailure()) return;
    }
}

}  // namespace
