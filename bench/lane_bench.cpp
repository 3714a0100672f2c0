// The lane loop: kLaneRuns runs of one lattice stepped together, on the
// fast cases of the benchmark table, per run-site-step; beside each case's
// one-at-a-time figure (its /fast benchmark).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "bench_cases.h"
#include "ring_lane.h"
#include "run_memory.h"
#include "torus_fast.h"
#include "torus_lane.h"

namespace {

void run_lane(benchmark::State& bench, const ModelCase& c) {
    const int32_t n = c.side;
    const core::ModelParams model{kBenchIntercept, kBenchSlope, kBenchLevels, kBenchNoise, c.mutation_rate};
    std::vector<std::unique_ptr<RunMemory>> runs;
    std::vector<std::vector<double>> means(core::kLaneRuns, std::vector<double>(c.steps_per_iteration));
    ring::RingLaneRun rings[core::kLaneRuns];
    torus::TorusLaneRun tori[core::kLaneRuns];
    for (int r = 0; r < core::kLaneRuns; ++r) {
        runs.push_back(std::make_unique<RunMemory>(static_cast<size_t>(c.sites()), kBenchLevels, 2024 + r));
        RunMemory& m = *runs.back();
        std::mt19937 gen(1 + r);
        for (auto& v : m.traits) v = static_cast<int32_t>(gen() % kBenchLevels);
        for (int32_t v : m.traits) m.state.level_sum += v;
        if (c.torus) {
            torus::score_all_sites(m.scores.data(), m.traits.data(), n, n, kBenchIntercept, kBenchSlope,
                                   c.payoff_mode);
        } else {
            ring::score_all_sites(m.scores.data(), m.traits.data(), n, kBenchIntercept, kBenchSlope);
        }
        rings[r] = ring::RingLaneRun{&m.state, ring::RingParams{model, kBenchRadius}, 1, means[r].data()};
        tori[r] = torus::TorusLaneRun{&m.state, torus::TorusParams{model, c.payoff_mode, c.neighbourhood}, 1,
                                      means[r].data()};
    }
    const auto step_all = [&](int32_t steps) {
        for (int r = 0; r < core::kLaneRuns; ++r) rings[r].steps = tori[r].steps = steps;
        c.torus ? torus::torus_run_lane(tori, core::kLaneRuns, n, n) : ring::ring_run_lane(rings, core::kLaneRuns, n);
    };
    step_all(1);
    for (auto _ : bench) step_all(c.steps_per_iteration);
    benchmark::DoNotOptimize(means.data());
    const double run_site_steps = static_cast<double>(c.sites()) * c.steps_per_iteration * core::kLaneRuns *
                                  static_cast<double>(bench.iterations());
    using benchmark::Counter;
    bench.counters[kPerSiteStep] = Counter(run_site_steps, Counter::kIsRate | Counter::kInvert);
    bench.counters[kSiteStepRate] = Counter(run_site_steps / 1e6, Counter::kIsRate);
}

}  // namespace

void register_lane_benchmarks(const std::vector<ModelCase>& cases) {
    for (const ModelCase& c : cases) {
        if (!c.fast) continue;
        const std::string name = c.group() + "/lane";
        auto* b = benchmark::RegisterBenchmark(name.c_str(), [c](benchmark::State& bench) { run_lane(bench, c); });
        if (c.fixed_iterations > 0) {
            b->Iterations(c.fixed_iterations);
        } else {
            b->MinTime(0.1);
        }
        b->Unit(benchmark::kMillisecond);
    }
}
