// The frame of both models' lane loops: up to kLaneRuns independent runs
// on lattices of one size, stepped together in one thread. Each run goes
// exactly as run_steps_fast would take it (plain steps while a FastUniform
// cannot take its stream, fast steps on one, the stream handed back at the
// end); runs of fewer steps leave the lane when done and the rest go on.
#pragma once

#include <cstdint>
#include <type_traits>

#include "fast_uniform.h"
#include "model_state.h"
#include "mutation_threshold.h"

namespace core {

// Runs per lane. Two chains drew fastest per draw in bench/ (floor/
// fast_uniform_chains:K): more chains spill registers and gain nothing.
constexpr int kLaneRuns = 2;  // lane_mutation_sweeps takes up to two

// One run of a lane: its state, rate, steps and means (null: not recorded).
struct LaneRun {
    ModelState* state;
    double mutation_rate;
    int32_t steps;
    double* mean_levels;
};

// Calls body(std::integral_constant<int, n>()) for n in 1 .. N.
template <int N, typename Body>
void with_run_count(int n, Body&& body) {
    if constexpr (N > 1) {
        if (n < N) {
            with_run_count<N - 1>(n, body);
            return;
        }
    }
    body(std::integral_constant<int, N>());
}

// Runs the lane_runs (1 .. kLaneRuns) runs of a lane on `sites` sites each.
// plain_step(r) runs one plain step of run r; lane_step(active, fast,
// attempt_below) one fast step of the runs active[0 .. N - 1] together, run
// r on fast[r] with attempt_below[r] (active is an int array of N).
template <typename PlainStep, typename LaneStep>
void run_lane_fast(const LaneRun* runs, int lane_runs, int32_t sites, PlainStep&& plain_step, LaneStep&& lane_step) {
    int32_t t[kLaneRuns];
    bool began[kLaneRuns];
    uint32_t attempt_below[kLaneRuns];
    FastUniform fast[kLaneRuns];
    for (int r = 0; r < lane_runs; ++r) {
        const LaneRun& run = runs[r];
        // Only the seeds +-(2^31 - 1) take plain steps: see run_steps_fast.
        for (t[r] = 0; t[r] < run.steps && !fast_uniform_can_take(run.state->rng); ++t[r]) {
            plain_step(r);
            if (run.mean_levels != nullptr) run.mean_levels[t[r]] = mean_level(run.state->level_sum, sites);
        }
        began[r] = t[r] < run.steps;
        if (began[r]) fast_uniform_begin(fast[r], run.state->rng);
        attempt_below[r] = mutation_threshold(run.mutation_rate);
    }
    for (;;) {
        int active[kLaneRuns];
        int n = 0;
        int32_t together = 0;
        for (int r = 0; r < lane_runs; ++r) {
            const int32_t left = runs[r].steps - t[r];
            if (left <= 0) continue;
            together = n == 0 || left < together ? left : together;
            active[n++] = r;
        }
        if (n == 0) break;
        with_run_count<kLaneRuns>(n, [&](auto run_count) {
            constexpr int N = decltype(run_count)::value;
            int these[N];
            for (int k = 0; k < N; ++k) these[k] = active[k];
            for (int32_t s = 0; s < together; ++s) {
                lane_step(these, fast, attempt_below);
                for (int k = 0; k < N; ++k) {
                    const LaneRun& run = runs[these[k]];
                    if (run.mean_levels != nullptr) {
                        run.mean_levels[t[these[k]] + s] = mean_level(run.state->level_sum, sites);
                    }
                }
            }
        });
        for (int k = 0; k < n; ++k) t[active[k]] += together;
    }
    for (int r = 0; r < lane_runs; ++r) {
        if (began[r]) fast_uniform_end(fast[r], runs[r].state->rng);
    }
}

}  // namespace core
